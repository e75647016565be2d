#pragma once
// Turning a picture stored as the sensor saw it into its upright form, by the Exif orientation
// values: 1 upright, 2 mirrored left-right, 3 turned 180 degrees, 4 mirrored top-bottom,
// 5 mirrored along the main diagonal, 6 to be turned 90 degrees clockwise, 7 mirrored along the
// other diagonal, 8 to be turned 90 degrees anticlockwise. Any other value is treated as 1.
#include <cstddef>
#include <cstdint>

#include "core/framework/Geometry.h"

namespace orv {

// True for 5 to 8: the upright picture's width is the stored height.
bool OrientationSwapsAxes(int orientation);
// The upright size of a picture stored at `stored`.
Size UprightSize(Size stored, int orientation);
// Where the stored pixel (x, y) lands in the upright picture.
Point UprightPosition(Point stored, Size storedSize, int orientation);

// Copies stored row y (storedSize.cx pixels of pixelBytes bytes) to its upright places in
// `upright`, whose rows are uprightRowBytes apart, top row first.
void PlaceStoredRow(const uint8_t* row, int32_t y, Size storedSize, int orientation, size_t pixelBytes,
                    uint8_t* upright, size_t uprightRowBytes);

}  // namespace orv
