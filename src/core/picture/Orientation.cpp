#include "core/picture/Orientation.h"

#include <cstring>

namespace orv {

bool OrientationSwapsAxes(int orientation) { return orientation >= 5 && orientation <= 8; }

Size UprightSize(Size stored, int orientation) {
    return OrientationSwapsAxes(orientation) ? Size{stored.cy, stored.cx} : stored;
}

Point UprightPosition(Point p, Size s, int orientation) {
    switch (orientation) {
    case 2:
        return {s.cx - 1 - p.x, p.y};
    case 3:
        return {s.cx - 1 - p.x, s.cy - 1 - p.y};
    case 4:
        return {p.x, s.cy - 1 - p.y};
    case 5:
        return {p.y, p.x};
    case 6:
        return {s.cy - 1 - p.y, p.x};
    case 7:
        return {s.cy - 1 - p.y, s.cx - 1 - p.x};
    case 8:
        return {p.y, s.cx - 1 - p.x};
    default:
        return p;
    }
}

void PlaceStoredRow(const uint8_t* row, int32_t y, Size storedSize, int orientation, size_t pixelBytes,
                    uint8_t* upright, size_t uprightRowBytes) {
    // The first pixel's place and the step between neighbours in the row: one walk, no per-pixel
    // switch.
    const Point first = UprightPosition(Point{0, y}, storedSize, orientation);
    const Point second = UprightPosition(Point{1, y}, storedSize, orientation);
    const ptrdiff_t dx = second.x - first.x;
    const ptrdiff_t dy = second.y - first.y;
    const ptrdiff_t step =
        dy * static_cast<ptrdiff_t>(uprightRowBytes) + dx * static_cast<ptrdiff_t>(pixelBytes);
    uint8_t* out =
        upright + static_cast<size_t>(first.y) * uprightRowBytes + static_cast<size_t>(first.x) * pixelBytes;
    if (step == static_cast<ptrdiff_t>(pixelBytes)) {
        std::memcpy(out, row, static_cast<size_t>(storedSize.cx) * pixelBytes);
        return;
    }
    for (int32_t x = 0; x < storedSize.cx; ++x, row += pixelBytes) {
        for (size_t b = 0; b < pixelBytes; ++b)
            out[b] = row[b];
        // Not advanced past the last pixel: that address could lie before the block.
        if (x + 1 < storedSize.cx) out += step;
    }
}

}  // namespace orv
