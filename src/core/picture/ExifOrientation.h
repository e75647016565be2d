#pragma once
// The orientation tag of a JPEG's Exif block. Phones and cameras store the sensor's pixels as they
// come and record in tag 0x0112 of the first image directory how the picture must be turned to
// stand upright. The block comes from the file, so every offset and count is checked against it.
#include <cstddef>
#include <cstdint>

namespace orv {

// data/size: the payload of one APP1 segment (after its length field), starting "Exif\0\0" and
// then a TIFF structure in either byte order. Returns the orientation, 1 to 8, from the first
// directory; 0 when the segment is not Exif, the tag is absent, malformed or out of range, or any
// offset or count reaches past the segment.
int ExifOrientationOf(const uint8_t* data, size_t size);

}  // namespace orv
