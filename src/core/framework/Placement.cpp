#include "core/framework/Placement.h"

namespace orv {

Point CenteredPosition(const Rect& window, const Rect& center, const Rect& workArea) {
    const int32_t width = window.Width();
    const int32_t height = window.Height();
    // Halves truncate toward zero, as C++ division does.
    int32_t x = (center.left + center.right) / 2 - width / 2;
    int32_t y = (center.top + center.bottom) / 2 - height / 2;
    if (x + width > workArea.right) x = workArea.right - width;
    if (x < workArea.left) x = workArea.left;
    if (y + height > workArea.bottom) y = workArea.bottom - height;
    if (y < workArea.top) y = workArea.top;
    return {x, y};
}

}  // namespace orv
