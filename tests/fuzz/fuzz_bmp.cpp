// The BMP path end to end: the file layer, LoadBmpBlock, the header rules and the palette builder,
// then every byte GDI would read for the block (its colour table and its bits). The host block is
// exactly as long as asked, so AddressSanitizer catches any read past it. A second pass reads a
// copy of the input through the load-time check and the rules.
#include <cstdint>
#include <cstring>
#include <vector>

#include "BytesReader.h"
#include "core/picture/BmpReader.h"
#include "core/picture/DibRules.h"

namespace {

volatile uint32_t g_sink;

void Touch(const uint8_t* p, uint64_t n) {
    uint32_t sum = 0;
    for (uint64_t i = 0; i < n; ++i)
        sum += p[i];
    g_sink = sum;
}

// What GDI reads of a block: the header, the masks, the colour table it derives from the header
// (biClrUsed up to 256, else 2^bits for 8 bits and fewer) and the bits that the size calls for.
void ReadLikeGdi(const uint8_t* dib) {
    const bool info = orv::DibHasInfoLayout(dib);
    const uint32_t headerSize = orv::ReadLe32(dib);
    const uint16_t bitCount = orv::ReadLe16(dib + (info ? 14 : 10));
    const uint32_t used = info ? orv::ReadLe32(dib + 32) : 0;
    uint64_t entries = used ? (used < 256 ? used : 256) : (bitCount <= 8 ? uint64_t(1) << bitCount : 0);
    Touch(dib, headerSize + orv::DibMaskSize(dib) + entries * (info ? 4 : 3));
    const uint32_t compression = info ? orv::ReadLe32(dib + 16) : 0;
    const uint64_t width = static_cast<uint64_t>(orv::DibWidthOf(dib));
    const uint64_t height = static_cast<uint64_t>(orv::DibHeightOf(dib));
    uint64_t bits;
    if (compression == 0 || compression == 3 || compression == 6) {
        bits = (width * bitCount + 31) / 32 * 4 * height;
    } else {
        bits = orv::ReadLe32(dib + 20);
    }
    Touch(orv::DibBitsOf(dib), bits);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    orv::SetGlobalBlockLimit(uint64_t(64) << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The last byte, when the input is long enough, makes the file layer fail part-way sometimes.
    const size_t failAt = (size > 64 && data[size - 1] == 0xEE) ? size / 2 : SIZE_MAX;
    BytesReader file(data, size, failAt);
    orv::GlobalBlock block(orv::LoadBmpBlock(file));
    if (block) {
        orv::GlobalLockGuard lock(block.get());
        const uint8_t* dib = lock.data();
        g_sink = static_cast<uint32_t>(orv::DibWidthOf(dib)) + static_cast<uint32_t>(orv::DibHeightOf(dib)) +
                 orv::DibColorCount(dib) + orv::DibColorTableSize(dib);
        const std::vector<orv::PaletteEntry> palette = orv::DibPaletteEntries(dib);
        if (palette.size() != orv::DibColorCount(dib)) __builtin_trap();
        ReadLikeGdi(dib);
    }

    // The check itself on raw bytes, in an exactly sized buffer.
    if (size > 14) {
        std::vector<uint8_t> raw(data + 14, data + size);
        if (orv::DibBlockIsSound(raw.data(), raw.size())) {
            ReadLikeGdi(raw.data());
            g_sink = static_cast<uint32_t>(orv::DibPaletteEntries(raw.data()).size());
        }
    }
    return 0;
}
