#include "core/picture/BmpReader.h"

#include <gtest/gtest.h>

#include "BmpBuilder.h"
#include "MemoryFileReader.h"
#include "core/picture/DibRules.h"

using namespace orv;

namespace {

// The block's bytes, or nothing when the load failed.
std::optional<std::vector<uint8_t>> LoadBytes(MemoryFileReader& file) {
    GlobalBlock block(LoadBmpBlock(file));
    if (!block) return std::nullopt;
    GlobalLockGuard lock(block.get());
    return std::vector<uint8_t>(lock.data(), lock.data() + GlobalBlockSize(block.get()));
}

std::optional<std::vector<uint8_t>> LoadBytes(const std::vector<uint8_t>& file) {
    MemoryFileReader reader(file);
    return LoadBytes(reader);
}

std::vector<uint8_t> Bits(size_t n) {
    std::vector<uint8_t> bits(n);
    for (size_t i = 0; i < n; ++i)
        bits[i] = static_cast<uint8_t>(i * 7 + 1);
    return bits;
}

}  // namespace

TEST(BmpReader, BlockIsTheFileAfterItsHeaderWithFourteenZeroBytesAtTheEnd) {
    struct Case {
        const char* what;
        uint32_t headerSize;
        int32_t height;
        uint16_t bitCount;
        uint32_t compression;
        unsigned tableEntries;
        unsigned maskBytes;
    };
    const Case cases[] = {
        {"core 1-bit", 12, 3, 1, 0, 2, 0},
        {"core 4-bit", 12, 3, 4, 0, 16, 0},
        {"core 8-bit", 12, 3, 8, 0, 256, 0},
        {"core 24-bit", 12, 3, 24, 0, 0, 0},
        {"info 1-bit", 40, 3, 1, 0, 2, 0},
        {"info 4-bit", 40, 3, 4, 0, 16, 0},
        {"info 8-bit", 40, 3, 8, 0, 256, 0},
        {"info 16-bit", 40, 3, 16, 0, 0, 0},
        {"info 24-bit", 40, 3, 24, 0, 0, 0},
        {"info 32-bit", 40, 3, 32, 0, 0, 0},
        {"top-down 24-bit", 40, -3, 24, 0, 0, 0},
        {"bitfields 16-bit", 40, 3, 16, 3, 0, 12},
        {"alpha bitfields 32-bit", 40, 3, 32, 6, 0, 16},
        {"V4 bitfields", 108, 3, 16, 3, 0, 0},
        {"V5 8-bit top-down", 124, -3, 8, 0, 256, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BmpBuilder b;
        b.headerSize = c.headerSize;
        b.width = 5;
        b.height = c.height;
        b.bitCount = c.bitCount;
        b.compression = c.compression;
        b.table = BmpBuilder::Table(c.tableEntries, c.headerSize == 12 ? 3 : 4);
        b.masks = std::vector<uint8_t>(c.maskBytes, 0x1F);
        b.bits = Bits(b.BitsBytes());
        const std::vector<uint8_t> file = b.Build();
        const auto block = LoadBytes(file);
        ASSERT_TRUE(block);
        ASSERT_EQ(block->size(), file.size());
        EXPECT_TRUE(std::equal(file.begin() + 14, file.end(), block->begin()));
        EXPECT_EQ(std::vector<uint8_t>(block->end() - 14, block->end()), std::vector<uint8_t>(14, 0));
        EXPECT_EQ(DibWidthOf(block->data()), 5);
        EXPECT_EQ(DibHeightOf(block->data()), 3);
        EXPECT_EQ(*DibBitsOf(block->data()), 1);  // the first byte of Bits()
    }
}

TEST(BmpReader, RleBitsLoadWhenBiSizeImageFits) {
    BmpBuilder b;
    b.width = 4;
    b.height = 2;
    b.bitCount = 8;
    b.compression = kBiRle8;
    b.table = BmpBuilder::Table(256, 4);
    b.bits = std::vector<uint8_t>{4, 9, 0, 0, 4, 8, 0, 1};  // two runs of 4, end of line, end of bitmap
    b.sizeImage = 8;
    EXPECT_TRUE(LoadBytes(b.Build()));
    b.sizeImage = 8 + 14;  // the 14 zero bytes at the block's end still belong to it
    EXPECT_TRUE(LoadBytes(b.Build()));
    b.sizeImage = 8 + 15;
    EXPECT_FALSE(LoadBytes(b.Build()));
    b.sizeImage = 0;
    EXPECT_FALSE(LoadBytes(b.Build()));

    b.bitCount = 4;
    b.compression = kBiRle4;
    b.table = BmpBuilder::Table(16, 4);
    b.sizeImage = 8;
    EXPECT_TRUE(LoadBytes(b.Build()));
}

TEST(BmpReader, BitsBehindAPaddedOffsetAreMovedToFollowTheTable) {
    BmpBuilder b;
    b.width = 2;
    b.height = 2;
    b.bitCount = 8;
    b.clrUsed = 2;
    b.table = BmpBuilder::Table(2, 4);
    b.gap = std::vector<uint8_t>(6, 0xAA);
    b.bits = Bits(8);
    const std::vector<uint8_t> file = b.Build();  // bfOffBits = 14 + 40 + 8 + 6
    const auto block = LoadBytes(file);
    ASSERT_TRUE(block);
    ASSERT_EQ(block->size(), file.size());
    const uint8_t* bits = DibBitsOf(block->data());
    EXPECT_EQ(bits - block->data(), 48);
    EXPECT_EQ(std::vector<uint8_t>(bits, bits + 8), Bits(8));
    // Everything after the moved bits is zero: the freed gap and the block's last 14 bytes.
    EXPECT_EQ(std::vector<uint8_t>(bits + 8, block->data() + block->size()), std::vector<uint8_t>(6 + 14, 0));
}

TEST(BmpReader, OffsetThatIsNotPastTheTableOrNotInsideTheFileIsIgnored) {
    BmpBuilder b;
    b.width = 4;
    b.height = 1;
    b.bitCount = 8;
    b.clrUsed = 2;
    b.table = BmpBuilder::Table(2, 4);
    b.bits = Bits(4);
    for (uint32_t offBits : {0u, 14u + 40u, 14u + 44u, 14u + 48u + 4u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(offBits);
        b.offBits = offBits;
        const std::vector<uint8_t> file = b.Build();
        const auto block = LoadBytes(file);
        ASSERT_TRUE(block);
        EXPECT_TRUE(std::equal(file.begin() + 14, file.end(), block->begin()));
    }
}

TEST(BmpReader, BitsMayEndInsideTheBlocksZeroTail) {
    // The block is as long as the file, so its last 14 bytes are zero and belong to the picture.
    BmpBuilder b;
    b.width = 4;
    b.height = 4;  // 48 bytes of bits
    b.bits = Bits(48 - 14);
    EXPECT_TRUE(LoadBytes(b.Build()));
    b.bits = Bits(48 - 15);
    EXPECT_FALSE(LoadBytes(b.Build()));
}

TEST(BmpReader, RefusesFilesThatAreNotSoundBitmaps) {
    // The header checks themselves are tabled in DibRulesTest; these show the reader applies them.
    BmpBuilder notBm, size0, width0, height0;
    notBm.signature[0] = 'M';
    notBm.signature[1] = 'B';
    size0.headerSize = 0;
    width0.width = 0;
    height0.height = 0;
    const std::vector<uint8_t> bmOnly = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    };
    const Case cases[] = {
        {"empty file", {}},
        {"shorter than the file header", {'B', 'M', 1, 2, 3}},
        {"the 14-byte BM file", bmOnly},
        {"not BM", notBm.Build()},
        {"header size 0", size0.Build()},
        {"width 0", width0.Build()},
        {"height 0", height0.Build()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(LoadBytes(c.file));
    }
}

TEST(BmpReader, FileLayerFailuresAreRefusals) {
    BmpBuilder b;
    b.bits = Bits(b.BitsBytes());
    const std::vector<uint8_t> file = b.Build();

    MemoryFileReader noLength(file);
    noLength.failLength = true;
    EXPECT_FALSE(LoadBytes(noLength));

    MemoryFileReader failsInHeader(file);
    failsInHeader.failReadsFrom = 10;
    EXPECT_FALSE(LoadBytes(failsInHeader));

    MemoryFileReader failsPartWay(file);
    failsPartWay.failReadsFrom = file.size() - 5;
    EXPECT_FALSE(LoadBytes(failsPartWay));

    MemoryFileReader shrank(file);  // the length was taken before the file lost its last byte
    shrank.reportedLength = file.size() + 1;
    EXPECT_FALSE(LoadBytes(shrank));

    MemoryFileReader ok(file);
    EXPECT_TRUE(LoadBytes(ok));
}

TEST(BmpReader, FileTooLargeForABlockIsRefused) {
    BmpBuilder b;
    MemoryFileReader huge(b.Build());
    huge.reportedLength = uint64_t(1) << 62;
    EXPECT_FALSE(LoadBytes(huge));
}

TEST(BmpReader, OffsetIsNotConsultedForAHeaderThatIsNotThereInFull) {
    // Three bytes after the file header spell the start of a size field of 40; the rest of the
    // would-be header is the block's zero tail. bfOffBits points far inside the file.
    std::vector<uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 40, 0, 0};
    EXPECT_FALSE(LoadBytes(file));
}
