#pragma once
// Where CenterWindow puts a window: centred over a rectangle (the owner's window, or the work area
// when there is no usable owner) and then moved, if need be, to lie inside the work area. When the
// window is larger than the work area its left and top edges stay inside.
#include "core/framework/Geometry.h"

namespace orv {

// The new top-left corner for a window of rectangle window (only its size matters).
Point CenteredPosition(const Rect& window, const Rect& center, const Rect& workArea);

}  // namespace orv
