#pragma once
// Where a picture goes in a picture window's client area. Pure arithmetic, 32-bit signed with
// products formed before divisions and every division truncating toward zero; the preview's
// scale factor is floating-point and the scaled size truncated.
#include "core/framework/Geometry.h"

namespace orv {

// client: the client area's size; picture: the picture's size in pixels; screen: the real
// screen's size (a preview is a picture of that screen). stretch: the stretch setting. The
// result is the destination rectangle, centred in the client area (it can stick out on any side
// and then has negative left or top). An empty picture or an empty preview gives an empty
// rectangle at (0, 0).
Rect PictureRect(Size client, Size picture, Size screen, bool stretch, bool preview);

}  // namespace orv
