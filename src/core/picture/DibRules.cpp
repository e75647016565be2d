#include "core/picture/DibRules.h"

namespace orv {
namespace {

// Offsets of the fields read, by layout.
constexpr size_t kBiWidth = 4, kBiHeight = 8, kBiBitCount = 14, kBiCompression = 16, kBiSizeImage = 20,
                 kBiClrUsed = 32;
constexpr size_t kBcWidth = 4, kBcHeight = 6, kBcBitCount = 10;

uint32_t HeaderSize(const uint8_t* header) { return ReadLe32(header); }

bool IsInfoSize(uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

uint16_t BitCountOf(const uint8_t* header) {
    return ReadLe16(header + (DibHasInfoLayout(header) ? kBiBitCount : kBcBitCount));
}

uint16_t CountFromBitCount(uint16_t bitCount) {
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

// Two's-complement arithmetic without signed overflow: the draw plan is 32-bit screen arithmetic.
int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

}  // namespace

bool DibHasInfoLayout(const uint8_t* header) { return IsInfoSize(HeaderSize(header)); }

int32_t DibWidthOf(const uint8_t* header) {
    if (DibHasInfoLayout(header)) return static_cast<int32_t>(ReadLe32(header + kBiWidth));
    return ReadLe16(header + kBcWidth);
}

int32_t DibHeightOf(const uint8_t* header) {
    if (DibHasInfoLayout(header)) {
        uint32_t raw = ReadLe32(header + kBiHeight);
        // Negation in unsigned arithmetic: INT_MIN stays INT_MIN instead of overflowing (the
        // load-time check refuses it).
        uint32_t magnitude = (raw & 0x80000000u) ? 0u - raw : raw;
        return static_cast<int32_t>(magnitude);
    }
    return ReadLe16(header + kBcHeight);
}

uint16_t DibColorCount(const uint8_t* header) {
    if (DibHasInfoLayout(header)) {
        uint32_t used = ReadLe32(header + kBiClrUsed);
        if (used != 0) return static_cast<uint16_t>(used);
    }
    return CountFromBitCount(BitCountOf(header));
}

uint16_t DibColorTableSize(const uint8_t* header) {
    unsigned entry = DibHasInfoLayout(header) ? 4 : 3;
    return static_cast<uint16_t>(DibColorCount(header) * entry);
}

uint32_t DibMaskSize(const uint8_t* header) {
    if (HeaderSize(header) != kInfoHeaderSize) return 0;
    switch (ReadLe32(header + kBiCompression)) {
    case kBiBitfields:
        return 12;
    case kBiAlphaBitfields:
        return 16;
    default:
        return 0;
    }
}

uint64_t DibBitsOffset(const uint8_t* header) {
    return uint64_t(HeaderSize(header)) + DibMaskSize(header) + DibColorTableSize(header);
}

bool DibBlockIsSound(const uint8_t* block, uint64_t size) {
    if (!block || size < 4) return false;
    const uint32_t headerSize = HeaderSize(block);
    const bool info = IsInfoSize(headerSize);
    if (!info && headerSize != kCoreHeaderSize) return false;
    if (size < headerSize) return false;

    const uint16_t bitCount = BitCountOf(block);
    const uint32_t compression = info ? ReadLe32(block + kBiCompression) : kBiRgb;
    uint64_t width, height;
    if (info) {
        int32_t w = static_cast<int32_t>(ReadLe32(block + kBiWidth));
        int32_t h = static_cast<int32_t>(ReadLe32(block + kBiHeight));
        if (w <= 0 || h == 0 || h == INT32_MIN) return false;
        // GDI draws run-length bits bottom-up only, and only at their own depth; it refuses the
        // rest, which would leave a black screen without a word.
        const bool rle = compression == kBiRle8 || compression == kBiRle4;
        if (rle && h < 0) return false;
        if (compression == kBiRle8 && bitCount != 8) return false;
        if (compression == kBiRle4 && bitCount != 4) return false;
        width = static_cast<uint64_t>(w);
        height = static_cast<uint64_t>(h < 0 ? -int64_t(h) : int64_t(h));
    } else {
        width = ReadLe16(block + kBcWidth);
        height = ReadLe16(block + kBcHeight);
        if (width == 0 || height == 0) return false;
    }

    // The table must hold every entry the palette builder reads (the 16-bit count) and every entry
    // GDI reads for the header: biClrUsed up to 256, or 2^bits for 8 bits and fewer.
    const uint64_t entry = info ? 4 : 3;
    uint64_t gdiEntries = 0;
    const uint32_t used = info ? ReadLe32(block + kBiClrUsed) : 0;
    if (used != 0) {
        gdiEntries = used < 256 ? used : 256;
    } else if (bitCount <= 8) {
        gdiEntries = uint64_t(1) << bitCount;
    }
    const uint64_t countEntries = DibColorCount(block);
    const uint64_t tableBytes = entry * (countEntries > gdiEntries ? countEntries : gdiEntries);
    const uint64_t masks = DibMaskSize(block);
    if (size - headerSize < masks + tableBytes) return false;

    const uint64_t bitsOffset = DibBitsOffset(block);
    if (bitsOffset > size) return false;
    const uint64_t room = size - bitsOffset;
    if (compression == kBiRgb || compression == kBiBitfields || compression == kBiAlphaBitfields) {
        // width < 2^31 and bitCount < 2^16: the product fits in 64 bits.
        const uint64_t row = (width * bitCount + 31) / 32 * 4;
        return row == 0 || height <= room / row;
    }
    // RLE and other compressed bits: GDI reads biSizeImage bytes.
    const uint32_t sizeImage = ReadLe32(block + kBiSizeImage);
    return sizeImage != 0 && sizeImage <= room;
}

std::vector<PaletteEntry> DibPaletteEntries(const uint8_t* header) {
    const uint16_t count = DibColorCount(header);
    std::vector<PaletteEntry> entries(count);
    const bool info = DibHasInfoLayout(header);
    const size_t entry = info ? 4 : 3;
    const uint8_t* table = header + HeaderSize(header) + DibMaskSize(header);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* quad = table + i * entry;
        entries[i].blue = quad[0];
        entries[i].green = quad[1];
        entries[i].red = quad[2];
    }
    return entries;
}

DibDrawPlan PlanDibDraw(const Rect& dest, const Rect& src, int32_t height) {
    DibDrawPlan plan;
    plan.destX = dest.left;
    plan.destY = dest.top;
    plan.destWidth = Wrap(int64_t(dest.right) - dest.left);
    plan.destHeight = Wrap(int64_t(dest.bottom) - dest.top);
    plan.srcX = src.left;
    const int32_t srcWidth = Wrap(int64_t(src.right) - src.left);
    const int32_t srcHeight = Wrap(int64_t(src.bottom) - src.top);
    plan.stretch = plan.destWidth != srcWidth || plan.destHeight != srcHeight;
    if (plan.stretch) {
        plan.srcY = src.top;
        plan.srcWidth = srcWidth;
        plan.srcHeight = srcHeight;
    } else {
        // SetDIBitsToDevice counts source rows from the bottom of the picture.
        plan.srcY = Wrap(int64_t(height) - src.bottom);
        plan.startScan = 0;
        plan.scanLines = static_cast<uint16_t>(height);
    }
    return plan;
}

Rect BlockSourceRect(const Rect& src, Size picture, Size block) {
    if (picture == block || picture.cx <= 0 || picture.cy <= 0) return src;
    auto scale = [](int32_t v, int32_t to, int32_t from) {
        return static_cast<int32_t>(int64_t(v) * to / from);
    };
    return Rect{scale(src.left, block.cx, picture.cx), scale(src.top, block.cy, picture.cy),
                scale(src.right, block.cx, picture.cx), scale(src.bottom, block.cy, picture.cy)};
}

}  // namespace orv
