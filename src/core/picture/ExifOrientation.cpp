#include "core/picture/ExifOrientation.h"

#include <cstring>

namespace orv {
namespace {

constexpr size_t kExifPrefix = 6;  // "Exif\0\0"
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr size_t kEntryBytes = 12;

// A bounds-checked, byte-order-aware view of the TIFF structure.
class TiffView {
public:
    TiffView(const uint8_t* data, size_t size, bool bigEndian)
        : m_data(data), m_size(size), m_big(bigEndian) {}

    bool Read16(uint64_t at, uint16_t& value) const {
        if (at > m_size || m_size - at < 2) return false;
        const uint8_t* p = m_data + at;
        value = m_big ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
        return true;
    }
    bool Read32(uint64_t at, uint32_t& value) const {
        if (at > m_size || m_size - at < 4) return false;
        const uint8_t* p = m_data + at;
        value =
            m_big ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]
                  : uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    bool m_big;
};

}  // namespace

int ExifOrientationOf(const uint8_t* data, size_t size) {
    if (!data || size < kExifPrefix + 8) return 0;
    if (std::memcmp(data, "Exif\0\0", kExifPrefix) != 0) return 0;
    // Offsets inside the TIFF structure count from its own first byte.
    const uint8_t* tiff = data + kExifPrefix;
    const size_t tiffSize = size - kExifPrefix;
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I') {
        bigEndian = false;
    } else if (tiff[0] == 'M' && tiff[1] == 'M') {
        bigEndian = true;
    } else {
        return 0;
    }
    const TiffView view(tiff, tiffSize, bigEndian);
    uint16_t magic = 0;
    uint32_t ifd = 0;
    if (!view.Read16(2, magic) || magic != 42 || !view.Read32(4, ifd)) return 0;
    // The first directory cannot start inside the 8-byte header; such an offset points back at it.
    if (ifd < 8) return 0;
    uint16_t count = 0;
    if (!view.Read16(ifd, count)) return 0;
    // Only the first directory describes the main picture (the next one is the thumbnail's), so
    // no chain of directories is followed and a looping chain cannot hold the parser.
    if ((tiffSize - ifd - 2) / kEntryBytes < count) return 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = uint64_t(ifd) + 2 + uint64_t(i) * kEntryBytes;
        uint16_t tag = 0, type = 0, value = 0;
        uint32_t n = 0;
        if (!view.Read16(entry, tag) || tag != kOrientationTag) continue;
        // A SHORT with one value sits in the first two bytes of the entry's value field.
        if (!view.Read16(entry + 2, type) || !view.Read32(entry + 4, n) || !view.Read16(entry + 8, value))
            return 0;
        if (type != kTypeShort || n != 1) return 0;
        return value >= 1 && value <= 8 ? value : 0;
    }
    return 0;
}

}  // namespace orv
