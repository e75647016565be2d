#include "core/picture/BmpReader.h"

#include <cstring>

#include "core/picture/DibRules.h"

namespace orv {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint16_t kBmSignature = 0x4D42;  // "BM"
constexpr size_t kBfOffBits = 10;

}  // namespace

GlobalHandle LoadBmpBlock(IFileReader& file) {
    uint64_t length = 0;
    if (!file.GetLength(length)) return nullptr;

    uint8_t fileHeader[kFileHeaderSize];
    size_t got = 0;
    if (!file.Read(fileHeader, sizeof fileHeader, got) || got != sizeof fileHeader) return nullptr;
    if (ReadLe16(fileHeader) != kBmSignature) return nullptr;
    if (length < kFileHeaderSize || length - kFileHeaderSize > SIZE_MAX) return nullptr;

    GlobalBlock block(AllocGlobalBlock(length));
    if (!block) return nullptr;
    {
        GlobalLockGuard lock(block.get());
        if (!lock) return nullptr;
        uint8_t* dib = lock.data();
        const size_t dataSize = static_cast<size_t>(length - kFileHeaderSize);
        if (!file.Read(dib, dataSize, got) || got != dataSize) return nullptr;
        // Writers that pad between the table and the bits say so in bfOffBits; move the bits to
        // where DibBitsOf looks for them and clear the freed tail. Only a header that is there in
        // full and of a known size is consulted; DibBlockIsSound refuses the rest below.
        // The block is at least 14 bytes long, so the size field can always be read.
        const uint32_t headerSize = ReadLe32(dib);
        if ((headerSize == kCoreHeaderSize || DibHasInfoLayout(dib)) && headerSize <= dataSize) {
            const uint64_t bitsAt = ReadLe32(fileHeader + kBfOffBits);
            const uint64_t expected = kFileHeaderSize + DibBitsOffset(dib);
            if (bitsAt > expected && bitsAt < length) {
                const size_t from = static_cast<size_t>(bitsAt - kFileHeaderSize);
                const size_t to = static_cast<size_t>(expected - kFileHeaderSize);
                const size_t count = dataSize - from;
                std::memmove(dib + to, dib + from, count);
                std::memset(dib + to + count, 0, from - to);
            }
        }
        if (!DibBlockIsSound(dib, length)) return nullptr;
    }
    return block.release();
}

}  // namespace orv
