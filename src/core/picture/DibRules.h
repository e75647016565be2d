#pragma once
// Rules over a packed DIB: a header, its colour table (and bit masks) and the pixel rows, with no
// gap, as one locked global block holds them. Fields are read byte by byte, little-endian, so a
// header is never read through an unaligned cast.
//
// The header's first field, its size, chooses the layout: 40, 52, 56, 108 and 124 are read with
// the info layout (BITMAPINFOHEADER and its later extensions), every other size with the 12-byte
// core layout. The load-time check (DibBlockIsSound) admits only 12 and those five.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/framework/Geometry.h"

namespace orv {

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

// biCompression values.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void WriteLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// True when the header's size field selects the info layout (40, 52, 56, 108, 124).
bool DibHasInfoLayout(const uint8_t* header);

// biWidth as stored (signed); bcWidth widened.
int32_t DibWidthOf(const uint8_t* header);
// |biHeight|; bcHeight widened. A negative biHeight marks top-down rows.
int32_t DibHeightOf(const uint8_t* header);
// biClrUsed when not 0, else 2, 16 or 256 for 1, 4 or 8 bits a pixel, else 0. 16-bit: wraps.
uint16_t DibColorCount(const uint8_t* header);
// DibColorCount x 4 (info) or x 3 (core), wrapping at 16 bits like the count.
uint16_t DibColorTableSize(const uint8_t* header);
// Bytes of colour masks after a 40-byte header: 12 for BI_BITFIELDS, 16 for BI_ALPHABITFIELDS.
// Later headers hold their masks inside themselves; core headers have none.
uint32_t DibMaskSize(const uint8_t* header);
// Offset of the pixel bits from the header: size field + masks + colour-table size.
uint64_t DibBitsOffset(const uint8_t* header);
inline const uint8_t* DibBitsOf(const uint8_t* header) { return header + DibBitsOffset(header); }
inline uint8_t* DibBitsOf(uint8_t* header) { return header + DibBitsOffset(header); }

// The load-time check: true when a block of size bytes holds everything its header promises, so
// that no rule, no palette builder and no graphics call reads past it. Refuses header sizes other
// than 12, 40, 52, 56, 108, 124; a width or height of 0; a negative width; a colour table or masks
// that do not fit; uncompressed bits shorter than the 4-byte-aligned rows times the height; and
// compressed bits (RLE and the rest) whose biSizeImage is 0 or reaches past the block. Refuses
// too what GDI will not draw: RLE bits stored top-down (a negative height), RLE8 with other than
// 8 bits a pixel and RLE4 with other than 4.
bool DibBlockIsSound(const uint8_t* block, uint64_t size);

// One logical-palette entry, in PALETTEENTRY's order.
struct PaletteEntry {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t flags = 0;
    friend bool operator==(const PaletteEntry& a, const PaletteEntry& b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue && a.flags == b.flags;
    }
};

// Exactly DibColorCount entries from the colour table (RGBQUADs after an info header, RGBTRIPLEs
// after a core header), flags 0. Empty for a picture without a colour table.
std::vector<PaletteEntry> DibPaletteEntries(const uint8_t* header);

// How DrawDibBlock hands a block to GDI: SetDIBitsToDevice when source and destination have the
// same size, StretchDIBits otherwise. Values are the calls' arguments in order.
struct DibDrawPlan {
    bool stretch = false;  // false: SetDIBitsToDevice; true: StretchDIBits
    int32_t destX = 0;
    int32_t destY = 0;
    int32_t destWidth = 0;
    int32_t destHeight = 0;
    int32_t srcX = 0;
    int32_t srcY = 0;        // SetDIBitsToDevice: height - src.bottom; StretchDIBits: src.top
    int32_t srcWidth = 0;    // StretchDIBits only
    int32_t srcHeight = 0;   // StretchDIBits only
    uint32_t startScan = 0;  // SetDIBitsToDevice only: always 0
    uint32_t scanLines = 0;  // SetDIBitsToDevice only: the height as an unsigned 16-bit value
};
DibDrawPlan PlanDibDraw(const Rect& dest, const Rect& src, int32_t height);

// src, given in the pixels of a picture of size `picture`, in the pixels of a block that holds the
// same picture at size `block` (a JPEG decoded at a reduced scale): each side scaled by the
// block's share, truncated. The whole picture maps onto the whole block; equal sizes change nothing.
Rect BlockSourceRect(const Rect& src, Size picture, Size block);

}  // namespace orv
