#include "core/picture/ExifOrientation.h"

#include "core/picture/TiffView.h"

namespace orv {

int ExifOrientationOf(const uint8_t* data, size_t size) {
    constexpr uint16_t kOrientationTag = 0x0112;
    constexpr uint16_t kTypeShort = 3;
    TiffView view(nullptr, 0, false);
    uint32_t ifd = 0;
    if (!TiffView::OfExif(data, size, view, ifd)) return 0;
    // Only the first directory describes the main picture (the next one is the thumbnail's).
    int orientation = 0;
    view.ForEachEntry(ifd, [&](const TiffView::Entry& entry) {
        if (entry.tag != kOrientationTag) return true;
        // A SHORT with one value sits in the first two bytes of the entry's value field.
        uint16_t value = 0;
        if (entry.type == kTypeShort && entry.count == 1 && view.Read16(entry.valueAt, value) && value >= 1 &&
            value <= 8)
            orientation = value;
        return false;
    });
    return orientation;
}

}  // namespace orv
