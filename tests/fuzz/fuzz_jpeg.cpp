// The JPEG loader on arbitrary bytes, read through the file layer's interface from memory (the
// source manager the loader gives libjpeg), in both output modes (the input's last bit chooses),
// at reduced scales (the next three bits: 0 decodes whole, k draws the picture at 1/2^k of its
// size), with any Exif orientation the file carries (the seeds hold tagged files in both byte
// orders) and CMYK files (converted by the loader itself). A last byte of 0xEE makes the read fail
// half-way.
#include <cstdint>
#include <cstdlib>

#include "BytesReader.h"
#include "core/picture/DibRules.h"
#include "core/picture/JpegLoader.h"

namespace {

volatile uint32_t g_sink;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Keep a hostile frame header from turning one input into seconds of decoding: small bitmap
    // blocks, and libjpeg's own working memory capped (it has no backing store to fall back on).
    orv::SetGlobalBlockLimit(uint64_t(8) << 20);
    setenv("JPEGMEM", "16M", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int paletteDisplay = size ? data[size - 1] & 1 : 0;
    const int shift = size ? (data[size - 1] >> 1) & 7 : 0;
    const size_t failAt = (size > 64 && data[size - 1] == 0xEE) ? size / 2 : SIZE_MAX;
    orv::DrawSizeFn drawSize;
    if (shift) drawSize = [shift](orv::Size s) { return orv::Size{s.cx >> shift, s.cy >> shift}; };
    BytesReader file(data, size, failAt);
    orv::Size picture;
    orv::GlobalBlock block(orv::LoadJpegBlock(file, paletteDisplay, drawSize, &picture));
    if (block) {
        orv::GlobalLockGuard lock(block.get());
        const uint8_t* dib = lock.data();
        // Every block the loader makes must pass the BMP reader's own check, and never be larger
        // than the picture it stands for.
        if (!orv::DibBlockIsSound(dib, orv::GlobalBlockSize(block.get()))) __builtin_trap();
        if (orv::DibWidthOf(dib) > picture.cx || orv::DibHeightOf(dib) > picture.cy) __builtin_trap();
        g_sink = static_cast<uint32_t>(orv::DibPaletteEntries(dib).size());
    }
    return 0;
}
