// The JPEG loader on arbitrary files, in both output modes (the input's last bit chooses) and at
// reduced scales (the next three bits: 0 decodes whole, k draws the picture at 1/2^k of its size),
// with any Exif orientation the file carries (the seeds hold tagged files in both byte orders).
// The decoder reads through stdio, so each input is written to one scratch file of this process.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/picture/DibRules.h"
#include "core/picture/JpegLoader.h"

namespace {

std::string g_path;
volatile uint32_t g_sink;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    g_path = std::string(tmp ? tmp : "/tmp") + "/orvanta-fuzz-jpeg-" + std::to_string(getpid()) + ".jpg";
    // Keep a hostile frame header from turning one input into seconds of decoding: small bitmap
    // blocks, and libjpeg's own working memory capped (it has no backing store to fall back on).
    orv::SetGlobalBlockLimit(uint64_t(8) << 20);
    setenv("JPEGMEM", "16M", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(g_path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    const int paletteDisplay = size ? data[size - 1] & 1 : 0;
    const int shift = size ? (data[size - 1] >> 1) & 7 : 0;
    orv::DrawSizeFn drawSize;
    if (shift) drawSize = [shift](orv::Size s) { return orv::Size{s.cx >> shift, s.cy >> shift}; };
    orv::Size picture;
    orv::GlobalBlock block(orv::LoadJpegBlock(g_path.c_str(), paletteDisplay, drawSize, &picture));
    if (block) {
        orv::GlobalLockGuard lock(block.get());
        const uint8_t* dib = lock.data();
        // Every block the loader makes must pass the BMP reader's own check, and never be larger
        // than the picture it stands for.
        if (!orv::DibBlockIsSound(dib, orv::GlobalBlockSize(block.get()))) __builtin_trap();
        if (orv::DibWidthOf(dib) > picture.cx || orv::DibHeightOf(dib) > picture.cy) __builtin_trap();
        g_sink = static_cast<uint32_t>(orv::DibPaletteEntries(dib).size());
    }
    std::remove(g_path.c_str());
    return 0;
}
