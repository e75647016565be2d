#pragma once
// A bounds-checked, byte-order-aware view of a TIFF structure (an Exif block is one), and the walk
// over one of its image directories. The bytes come from a file: every offset and count is checked
// against the view, and nothing follows a chain of directories, so a looping chain cannot hold a
// reader.
#include <cstddef>
#include <cstdint>

namespace orv {

class TiffView {
public:
    TiffView(const uint8_t* data, size_t size, bool bigEndian)
        : m_data(data), m_size(size), m_big(bigEndian) {}

    // The TIFF structure of an Exif APP1 payload ("Exif\0\0", then "II" or "MM", 42, the first
    // directory's offset). False when it is none.
    static bool OfExif(const uint8_t* data, size_t size, TiffView& view, uint32_t& firstDirectory);

    size_t Size() const { return m_size; }
    const uint8_t* At(uint64_t at, uint64_t bytes) const {
        return at <= m_size && m_size - at >= bytes ? m_data + at : nullptr;
    }
    bool Read16(uint64_t at, uint16_t& value) const {
        const uint8_t* p = At(at, 2);
        if (!p) return false;
        value = m_big ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
        return true;
    }
    bool Read32(uint64_t at, uint32_t& value) const {
        const uint8_t* p = At(at, 4);
        if (!p) return false;
        value =
            m_big ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]
                  : uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
        return true;
    }

    // One directory entry: its tag, type, value count, and where its value lies (inside the entry
    // when it fits in four bytes, else at the offset the entry holds).
    struct Entry {
        uint16_t tag = 0;
        uint16_t type = 0;
        uint32_t count = 0;
        uint64_t valueAt = 0;
    };
    // The entries of the directory at `directory`, in order, to `visit` (bool(const Entry&): false
    // stops). False when the directory is malformed or reaches past the view.
    template <typename Visit>
    bool ForEachEntry(uint32_t directory, Visit&& visit) const;

private:
    const uint8_t* m_data;
    size_t m_size;
    bool m_big;
};

template <typename Visit>
bool TiffView::ForEachEntry(uint32_t directory, Visit&& visit) const {
    constexpr uint64_t kEntryBytes = 12;
    // No directory can start inside the 8-byte header; such an offset points back at it.
    uint16_t count = 0;
    if (directory < 8 || !Read16(directory, count)) return false;
    if ((m_size - directory - 2) / kEntryBytes < count) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = uint64_t(directory) + 2 + uint64_t(i) * kEntryBytes;
        Entry entry;
        uint32_t offset = 0;
        if (!Read16(at, entry.tag) || !Read16(at + 2, entry.type) || !Read32(at + 4, entry.count) ||
            !Read32(at + 8, offset))
            return false;
        static constexpr uint8_t kTypeBytes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
        const uint64_t bytes =
            entry.type < sizeof kTypeBytes ? uint64_t(kTypeBytes[entry.type]) * entry.count : UINT64_MAX;
        entry.valueAt = bytes <= 4 ? at + 8 : offset;
        if (!visit(static_cast<const Entry&>(entry))) break;
    }
    return true;
}

}  // namespace orv
