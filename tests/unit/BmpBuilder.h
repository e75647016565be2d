#pragma once
// Builds BMP files byte by byte: a 14-byte file header, then a core (12), info (40), V2/V3 (52, 56),
// V4 (108) or V5 (124) header, optional colour masks after a 40-byte header, the colour table, an
// optional gap and the bits. Every field the tests vary is a plain member.
#include <cstdint>
#include <optional>
#include <vector>

struct BmpBuilder {
    uint32_t headerSize = 40;
    int32_t width = 2;
    int32_t height = 2;
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    uint32_t clrUsed = 0;
    std::vector<uint8_t> masks;                // written right after the header
    std::vector<uint8_t> table;                // raw colour-table bytes
    std::vector<uint8_t> gap;                  // bytes between the table and the bits
    std::optional<std::vector<uint8_t>> bits;  // default: zero rows sized for width, height, bitCount
    std::optional<uint32_t> offBits;           // default: where the bits really start
    char signature[2] = {'B', 'M'};

    static uint32_t RowBytes(int32_t width, uint16_t bitCount) {
        return (static_cast<uint32_t>(width) * bitCount + 31) / 32 * 4;
    }
    uint32_t BitsBytes() const {
        uint32_t rows = static_cast<uint32_t>(height < 0 ? -height : height);
        return RowBytes(width, bitCount) * rows;
    }

    std::vector<uint8_t> Header() const {
        std::vector<uint8_t> h;
        Put32(h, headerSize);
        if (headerSize == 12) {
            Put16(h, static_cast<uint16_t>(width));
            Put16(h, static_cast<uint16_t>(height));
            Put16(h, planes);
            Put16(h, bitCount);
            return h;
        }
        Put32(h, static_cast<uint32_t>(width));
        Put32(h, static_cast<uint32_t>(height));
        Put16(h, planes);
        Put16(h, bitCount);
        Put32(h, compression);
        Put32(h, sizeImage);
        Put32(h, 2834);
        Put32(h, 2834);
        Put32(h, clrUsed);
        Put32(h, 0);
        h.resize(headerSize < 40 ? 40 : headerSize, 0);
        return h;
    }

    // The DIB as the block holds it (everything after the file header).
    std::vector<uint8_t> Dib() const {
        std::vector<uint8_t> d = Header();
        d.insert(d.end(), masks.begin(), masks.end());
        d.insert(d.end(), table.begin(), table.end());
        d.insert(d.end(), gap.begin(), gap.end());
        if (bits) {
            d.insert(d.end(), bits->begin(), bits->end());
        } else {
            d.resize(d.size() + BitsBytes(), 0);
        }
        return d;
    }

    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> dib = Dib();
        const uint32_t bitsAt =
            offBits ? *offBits
                    : static_cast<uint32_t>(14 + Header().size() + masks.size() + table.size() + gap.size());
        std::vector<uint8_t> f;
        f.push_back(static_cast<uint8_t>(signature[0]));
        f.push_back(static_cast<uint8_t>(signature[1]));
        Put32(f, static_cast<uint32_t>(14 + dib.size()));
        Put32(f, 0);
        Put32(f, bitsAt);
        f.insert(f.end(), dib.begin(), dib.end());
        return f;
    }

    // A table of count entries of entrySize bytes (4: RGBQUAD, 3: RGBTRIPLE) where entry i is
    // blue i, green 100 + i, red 200 + i (modulo 256), reserved 0.
    static std::vector<uint8_t> Table(unsigned count, unsigned entrySize) {
        std::vector<uint8_t> t;
        for (unsigned i = 0; i < count; ++i) {
            t.push_back(static_cast<uint8_t>(i));
            t.push_back(static_cast<uint8_t>(100 + i));
            t.push_back(static_cast<uint8_t>(200 + i));
            if (entrySize == 4) t.push_back(0);
        }
        return t;
    }

    static void Put16(std::vector<uint8_t>& v, uint16_t x) {
        v.push_back(static_cast<uint8_t>(x));
        v.push_back(static_cast<uint8_t>(x >> 8));
    }
    static void Put32(std::vector<uint8_t>& v, uint32_t x) {
        for (int i = 0; i < 4; ++i)
            v.push_back(static_cast<uint8_t>(x >> (8 * i)));
    }
};
