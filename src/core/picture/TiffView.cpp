#include "core/picture/TiffView.h"

#include <cstring>

namespace orv {

bool TiffView::OfExif(const uint8_t* data, size_t size, TiffView& view, uint32_t& firstDirectory) {
    constexpr size_t kExifPrefix = 6;  // "Exif\0\0"
    if (!data || size < kExifPrefix + 8 || std::memcmp(data, "Exif\0\0", kExifPrefix) != 0) return false;
    // Offsets inside the TIFF structure count from its own first byte.
    const uint8_t* tiff = data + kExifPrefix;
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I') {
        bigEndian = false;
    } else if (tiff[0] == 'M' && tiff[1] == 'M') {
        bigEndian = true;
    } else {
        return false;
    }
    view = TiffView(tiff, size - kExifPrefix, bigEndian);
    uint16_t magic = 0;
    return view.Read16(2, magic) && magic == 42 && view.Read32(4, firstDirectory);
}

}  // namespace orv
