#include "core/picture/SystemDecoder.h"

#include <cstdint>

#include "core/picture/DibRules.h"
#include "core/picture/PictureTypes.h"

namespace orv {

uint64_t SystemDecodeBytes(Size decoded, uint32_t bitsPerPixel) {
    if (decoded.cx <= 0 || decoded.cy <= 0) return 0;
    const uint64_t stride = (uint64_t(uint32_t(decoded.cx)) * bitsPerPixel + 31) / 32 * 4;
    // The stride is below 2^63 (a 31-bit width times 32-bit bits); the product can pass 2^64, and a
    // wrapped count could pass the bound: a 2^30-square claim at 128 bits wraps to 0.
    const uint64_t rows = uint32_t(decoded.cy);
    if (stride > UINT64_MAX / rows) return UINT64_MAX;
    return stride * rows;
}

bool SystemDecodeFits(Size decoded, uint32_t bitsPerPixel) {
    if (decoded.cx <= 0 || decoded.cy <= 0 || bitsPerPixel == 0) return false;
    const uint64_t bytes = SystemDecodeBytes(decoded, bitsPerPixel);
    // The 256 MiB bound is below 4 GiB, so the whole buffer and each stride fit in 32 bits too.
    static_assert(kMaxSystemDecodeBytes <= 0xFFFFFFFFu, "buffer sizes are passed to WIC as UINT");
    return bytes <= kMaxSystemDecodeBytes;
}

GlobalHandle NewBgrDibBlock(Size size) {
    if (size.cx <= 0 || size.cy <= 0) return nullptr;
    const uint64_t bytes = JpegBlockBytes(uint32_t(size.cx), uint32_t(size.cy), 3, false);
    if (bytes > kMaxJpegBlockBytes) return nullptr;
    GlobalBlock block(AllocGlobalBlock(bytes));
    GlobalLockGuard lock(block.get());
    if (!lock) return nullptr;
    uint8_t* dib = lock.data();
    WriteLe32(dib + 0, kInfoHeaderSize);
    WriteLe32(dib + 4, static_cast<uint32_t>(size.cx));
    // Negative: rows are stored top row first.
    WriteLe32(dib + 8, 0u - static_cast<uint32_t>(size.cy));
    WriteLe16(dib + 12, 1);
    WriteLe16(dib + 14, 24);
    WriteLe32(dib + 24, 2834);  // about 72 dots per inch
    WriteLe32(dib + 28, 2834);
    return block.release();
}

void PremultipliedRowToBgr(const uint8_t* bgra, size_t pixels, uint8_t* bgr) {
    for (size_t i = 0; i < pixels; ++i, bgra += 4, bgr += 3) {
        bgr[0] = bgra[0];
        bgr[1] = bgra[1];
        bgr[2] = bgra[2];
    }
}

const std::vector<std::string>& SystemOtherExtensions() {
    // A function-local static is made once, and the other threads wait for it.
    static const std::vector<std::string> extensions = OtherExtensionsOf(SystemDecoderExtensionLists());
    return extensions;
}

}  // namespace orv
