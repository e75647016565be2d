#include "core/picture/DibRules.h"

#include <gtest/gtest.h>

#include "BmpBuilder.h"

using namespace orv;

namespace {

struct RuleCase {
    const char* what;
    uint32_t headerSize;
    int32_t width;
    int32_t height;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t clrUsed;
    int32_t expectWidth;
    int32_t expectHeight;
    uint16_t expectCount;
    uint16_t expectTableSize;
    uint64_t expectBitsOffset;
};

}  // namespace

TEST(DibRules, HeaderRulesByLayoutBitCountAndClrUsed) {
    const RuleCase cases[] = {
        {"info 8-bit, biClrUsed 0", 40, 3, 2, 8, 0, 0, 3, 2, 256, 1024, 40 + 1024},
        {"info 8-bit, biClrUsed 20", 40, 3, 2, 8, 0, 20, 3, 2, 20, 80, 40 + 80},
        {"info 1-bit", 40, 9, 1, 1, 0, 0, 9, 1, 2, 8, 48},
        {"info 4-bit", 40, 9, 1, 4, 0, 0, 9, 1, 16, 64, 104},
        {"info 16-bit", 40, 9, 1, 16, 0, 0, 9, 1, 0, 0, 40},
        {"info 24-bit", 40, 9, 1, 24, 0, 0, 9, 1, 0, 0, 40},
        {"info 24-bit, biClrUsed 16", 40, 9, 1, 24, 0, 16, 9, 1, 16, 64, 104},
        {"info 32-bit", 40, 9, 1, 32, 0, 0, 9, 1, 0, 0, 40},
        {"info bit count 2 has no table", 40, 9, 1, 2, 0, 0, 9, 1, 0, 0, 40},
        {"negative height reads positive", 40, 5, -7, 24, 0, 0, 5, 7, 0, 0, 40},
        {"negative width as stored", 40, -5, 7, 24, 0, 0, -5, 7, 0, 0, 40},
        {"biClrUsed 65536 wraps to 0", 40, 1, 1, 8, 0, 65536, 1, 1, 0, 0, 40},
        {"biClrUsed 65537 wraps to 1", 40, 1, 1, 8, 0, 65537, 1, 1, 1, 4, 44},
        {"table size 16384 x 4 wraps to 0", 40, 1, 1, 8, 0, 16384, 1, 1, 16384, 0, 40},
        {"table size 20000 x 4 wraps to 14464", 40, 1, 1, 8, 0, 20000, 1, 1, 20000, 14464, 40 + 14464},
        {"bitfields after a 40-byte header", 40, 4, 4, 16, 3, 0, 4, 4, 0, 0, 40 + 12},
        {"alpha bitfields after a 40-byte header", 40, 4, 4, 32, 6, 0, 4, 4, 0, 0, 40 + 16},
        {"bitfields with a table follow the masks", 40, 4, 4, 16, 3, 16, 4, 4, 16, 64, 40 + 12 + 64},
        {"V2 header (52)", 52, 4, -4, 8, 0, 0, 4, 4, 256, 1024, 52 + 1024},
        {"V3 header (56)", 56, 4, 4, 32, 3, 0, 4, 4, 0, 0, 56},
        {"V4 header (108) holds its masks", 108, 4, 4, 16, 3, 0, 4, 4, 0, 0, 108},
        {"V5 header (124)", 124, 6, -3, 4, 0, 3, 6, 3, 3, 12, 124 + 12},
        {"core 8-bit", 12, 3, 2, 8, 0, 0, 3, 2, 256, 768, 12 + 768},
        {"core 1-bit", 12, 3, 2, 1, 0, 0, 3, 2, 2, 6, 18},
        {"core 24-bit", 12, 3, 2, 24, 0, 0, 3, 2, 0, 0, 12},
        {"core width and height are unsigned", 12, 65535, 40000, 24, 0, 0, 65535, 40000, 0, 0, 12},
    };
    for (const RuleCase& c : cases) {
        BmpBuilder b;
        b.headerSize = c.headerSize;
        b.width = c.width;
        b.height = c.height;
        b.bitCount = c.bitCount;
        b.compression = c.compression;
        b.clrUsed = c.clrUsed;
        const std::vector<uint8_t> header = b.Header();
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DibWidthOf(header.data()), c.expectWidth);
        EXPECT_EQ(DibHeightOf(header.data()), c.expectHeight);
        EXPECT_EQ(DibColorCount(header.data()), c.expectCount);
        EXPECT_EQ(DibColorTableSize(header.data()), c.expectTableSize);
        EXPECT_EQ(DibBitsOffset(header.data()), c.expectBitsOffset);
        EXPECT_EQ(DibBitsOf(header.data()), header.data() + c.expectBitsOffset);
    }
}

TEST(DibRules, UnknownHeaderSizeIsReadWithCoreLayout) {
    // Size 64, then bcWidth 0x0201, bcHeight 0x0403, planes 1, bcBitCount 4 at the core offsets.
    std::vector<uint8_t> header = {64, 0, 0, 0, 0x01, 0x02, 0x03, 0x04, 1, 0, 4, 0};
    header.resize(64, 0xFF);
    EXPECT_FALSE(DibHasInfoLayout(header.data()));
    EXPECT_EQ(DibWidthOf(header.data()), 0x0201);
    EXPECT_EQ(DibHeightOf(header.data()), 0x0403);
    EXPECT_EQ(DibColorCount(header.data()), 16);
    EXPECT_EQ(DibColorTableSize(header.data()), 48);
    EXPECT_EQ(DibBitsOffset(header.data()), 64u + 48u);
}

TEST(DibRules, FieldsAreLittleEndianAtAnyAlignment) {
    BmpBuilder b;
    b.width = 0x01020304;
    b.height = -0x00050607;
    std::vector<uint8_t> buffer(1 + 40);
    const std::vector<uint8_t> header = b.Header();
    std::copy(header.begin(), header.end(), buffer.begin() + 1);  // odd address on purpose
    EXPECT_EQ(DibWidthOf(buffer.data() + 1), 0x01020304);
    EXPECT_EQ(DibHeightOf(buffer.data() + 1), 0x00050607);
}

TEST(DibRules, MostNegativeHeightDoesNotOverflow) {
    BmpBuilder b;
    b.height = INT32_MIN;
    const std::vector<uint8_t> header = b.Header();
    EXPECT_EQ(DibHeightOf(header.data()), INT32_MIN);
    EXPECT_FALSE(DibBlockIsSound(header.data(), header.size()));
}

TEST(DibRules, PaletteEntriesFromQuadsAfterInfoHeader) {
    BmpBuilder b;
    b.bitCount = 8;
    b.clrUsed = 20;
    b.table = BmpBuilder::Table(20, 4);
    const std::vector<uint8_t> dib = b.Dib();
    const std::vector<PaletteEntry> entries = DibPaletteEntries(dib.data());
    ASSERT_EQ(entries.size(), 20u);
    EXPECT_EQ(entries[0], (PaletteEntry{200, 100, 0, 0}));
    EXPECT_EQ(entries[19], (PaletteEntry{219, 119, 19, 0}));
}

TEST(DibRules, PaletteEntriesFromTriplesAfterCoreHeader) {
    BmpBuilder b;
    b.headerSize = 12;
    b.bitCount = 8;
    b.table = BmpBuilder::Table(256, 3);
    const std::vector<uint8_t> dib = b.Dib();
    const std::vector<PaletteEntry> entries = DibPaletteEntries(dib.data());
    ASSERT_EQ(entries.size(), 256u);
    EXPECT_EQ(entries[1], (PaletteEntry{201, 101, 1, 0}));
    EXPECT_EQ(entries[255], (PaletteEntry{199, 99, 255, 0}));
}

TEST(DibRules, PaletteEntriesFollowBitfieldMasks) {
    BmpBuilder b;
    b.bitCount = 16;
    b.compression = kBiBitfields;
    b.clrUsed = 2;
    b.masks = std::vector<uint8_t>(12, 0xEE);
    b.table = BmpBuilder::Table(2, 4);
    const std::vector<uint8_t> dib = b.Dib();
    const std::vector<PaletteEntry> entries = DibPaletteEntries(dib.data());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1], (PaletteEntry{201, 101, 1, 0}));
}

TEST(DibRules, NoPaletteWithoutColourTable) {
    BmpBuilder b;  // 24-bit, biClrUsed 0
    EXPECT_TRUE(DibPaletteEntries(b.Dib().data()).empty());
}

TEST(DibRules, SoundBlocksOfEveryLayoutAndDepth) {
    struct Case {
        const char* what;
        uint32_t headerSize;
        uint16_t bitCount;
        uint32_t compression;
        unsigned tableEntries;
        unsigned maskBytes;
    };
    const Case cases[] = {
        {"core 1", 12, 1, 0, 2, 0},   {"core 4", 12, 4, 0, 16, 0},     {"core 8", 12, 8, 0, 256, 0},
        {"core 24", 12, 24, 0, 0, 0}, {"info 1", 40, 1, 0, 2, 0},      {"info 4", 40, 4, 0, 16, 0},
        {"info 8", 40, 8, 0, 256, 0}, {"info 16", 40, 16, 0, 0, 0},    {"info 24", 40, 24, 0, 0, 0},
        {"info 32", 40, 32, 0, 0, 0}, {"bitfields", 40, 16, 3, 0, 12}, {"alpha", 40, 32, 6, 0, 16},
        {"V4 16", 108, 16, 3, 0, 0},  {"V5 8", 124, 8, 0, 256, 0},     {"V2 24", 52, 24, 0, 0, 0},
        {"V3 32", 56, 32, 3, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BmpBuilder b;
        b.headerSize = c.headerSize;
        b.width = 5;
        b.height = 3;
        b.bitCount = c.bitCount;
        b.compression = c.compression;
        b.table = BmpBuilder::Table(c.tableEntries, c.headerSize == 12 ? 3 : 4);
        b.masks = std::vector<uint8_t>(c.maskBytes, 0);
        const std::vector<uint8_t> dib = b.Dib();
        EXPECT_TRUE(DibBlockIsSound(dib.data(), dib.size()));
        // One byte short of the last row is refused.
        EXPECT_FALSE(DibBlockIsSound(dib.data(), dib.size() - 1));
    }
}

TEST(DibRules, RefusedBlocks) {
    struct Case {
        const char* what;
        BmpBuilder b;
        int64_t sizeDelta;  // added to the built DIB's length
    };
    auto with = [](auto edit) {
        BmpBuilder b;
        b.width = 4;
        b.height = 4;
        edit(b);
        return b;
    };
    const Case cases[] = {
        {"header size 0", with([](BmpBuilder& b) { b.headerSize = 0; }), 0},
        {"header size 41", with([](BmpBuilder& b) { b.headerSize = 41; }), 0},
        {"header size 64", with([](BmpBuilder& b) { b.headerSize = 64; }), 0},
        {"width 0", with([](BmpBuilder& b) { b.width = 0; }), 0},
        {"negative width", with([](BmpBuilder& b) {
             b.width = -4;
             b.bits = std::vector<uint8_t>(64);
         }),
         0},
        {"height 0", with([](BmpBuilder& b) { b.height = 0; }), 0},
        {"core width 0", with([](BmpBuilder& b) {
             b.headerSize = 12;
             b.width = 0;
         }),
         0},
        {"core height 0", with([](BmpBuilder& b) {
             b.headerSize = 12;
             b.height = 0;
         }),
         0},
        {"info header cut short", with([](BmpBuilder&) {}), -(48 + 1)},
        {"8-bit table cut short", with([](BmpBuilder& b) {
             b.bitCount = 8;
             b.table = BmpBuilder::Table(255, 4);
             b.bits = std::vector<uint8_t>{};
         }),
         0},
        {"biClrUsed beyond the block", with([](BmpBuilder& b) {
             b.clrUsed = 1000;
             b.table = BmpBuilder::Table(10, 4);
         }),
         0},
        {"wrapped count still needs GDI's 256 entries", with([](BmpBuilder& b) {
             b.bitCount = 8;
             b.clrUsed = 65536;
         }),
         0},
        {"bitfield masks missing", with([](BmpBuilder& b) {
             b.compression = 3;
             b.bitCount = 16;
             b.bits = std::vector<uint8_t>(32);
         }),
         0},
        {"RLE8 with biSizeImage 0", with([](BmpBuilder& b) {
             b.bitCount = 8;
             b.compression = 1;
             b.table = BmpBuilder::Table(256, 4);
             b.bits = std::vector<uint8_t>{0, 1};
         }),
         0},
        {"RLE4 with biSizeImage past the block", with([](BmpBuilder& b) {
             b.bitCount = 4;
             b.compression = 2;
             b.sizeImage = 3;
             b.table = BmpBuilder::Table(16, 4);
             b.bits = std::vector<uint8_t>{0, 1};
         }),
         0},
        {"huge width times height", with([](BmpBuilder& b) {
             b.width = 0x7FFFFFFF;
             b.height = 0x7FFFFFFF;
             b.bitCount = 32;
             b.bits = std::vector<uint8_t>(16);
         }),
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> dib = c.b.Dib();
        EXPECT_FALSE(DibBlockIsSound(dib.data(), static_cast<uint64_t>(int64_t(dib.size()) + c.sizeDelta)));
    }
}

TEST(DibRules, CompressedBitsNeedOnlyBiSizeImage) {
    BmpBuilder b;
    b.width = 100;
    b.height = 100;
    b.bitCount = 8;
    b.compression = kBiRle8;
    b.sizeImage = 4;
    b.table = BmpBuilder::Table(256, 4);
    b.bits = std::vector<uint8_t>{0, 0, 0, 1};  // end of line, end of bitmap
    const std::vector<uint8_t> dib = b.Dib();
    EXPECT_TRUE(DibBlockIsSound(dib.data(), dib.size()));
    EXPECT_FALSE(DibBlockIsSound(dib.data(), dib.size() - 1));
}

TEST(DibRules, DrawPlanUsesSetDIBitsToDeviceForEqualSizes) {
    const DibDrawPlan plan = PlanDibDraw(Rect{10, 20, 110, 70}, Rect{0, 0, 100, 50}, 50);
    EXPECT_FALSE(plan.stretch);
    EXPECT_EQ(plan.destX, 10);
    EXPECT_EQ(plan.destY, 20);
    EXPECT_EQ(plan.destWidth, 100);
    EXPECT_EQ(plan.destHeight, 50);
    EXPECT_EQ(plan.srcX, 0);
    EXPECT_EQ(plan.srcY, 0);  // H - src.bottom
    EXPECT_EQ(plan.startScan, 0u);
    EXPECT_EQ(plan.scanLines, 50u);
}

TEST(DibRules, DrawPlanCountsSourceRowsFromTheBottom) {
    const DibDrawPlan plan = PlanDibDraw(Rect{0, 0, 20, 30}, Rect{5, 10, 25, 40}, 100);
    EXPECT_FALSE(plan.stretch);
    EXPECT_EQ(plan.srcX, 5);
    EXPECT_EQ(plan.srcY, 60);
}

TEST(DibRules, DrawPlanScanLinesAreTheHeightAsUnsigned16Bit) {
    EXPECT_EQ(PlanDibDraw(Rect{0, 0, 1, 70000}, Rect{0, 0, 1, 70000}, 70000).scanLines, 4464u);
}

TEST(DibRules, DrawPlanStretchesWhenOnePixelDiffers) {
    const Rect dests[] = {Rect{0, 0, 101, 50}, Rect{0, 0, 100, 49}};
    for (const Rect& dest : dests) {
        const DibDrawPlan plan = PlanDibDraw(dest, Rect{3, 4, 103, 54}, 60);
        EXPECT_TRUE(plan.stretch);
        EXPECT_EQ(plan.destWidth, dest.right);
        EXPECT_EQ(plan.destHeight, dest.bottom);
        EXPECT_EQ(plan.srcX, 3);
        EXPECT_EQ(plan.srcY, 4);  // src.top, not counted from the bottom
        EXPECT_EQ(plan.srcWidth, 100);
        EXPECT_EQ(plan.srcHeight, 50);
    }
}

TEST(DibRules, RunLengthBitsGdiWillNotDrawAreRefused) {
    struct Case {
        const char* what;
        int32_t height;
        uint16_t bitCount;
        uint32_t compression;
        bool sound;
    };
    const Case cases[] = {
        {"RLE8 bottom-up", 4, 8, kBiRle8, true},
        {"RLE4 bottom-up", 4, 4, kBiRle4, true},
        {"RLE8 top-down", -4, 8, kBiRle8, false},
        {"RLE4 top-down", -4, 4, kBiRle4, false},
        {"RLE8 at 4 bits a pixel", 4, 4, kBiRle8, false},
        {"RLE4 at 8 bits a pixel", 4, 8, kBiRle4, false},
        {"RLE8 at 24 bits a pixel", 4, 24, kBiRle8, false},
        {"uncompressed top-down", -4, 8, kBiRgb, true},
    };
    for (const Case& c : cases) {
        BmpBuilder b;
        b.width = 4;
        b.height = c.height;
        b.bitCount = c.bitCount;
        b.compression = c.compression;
        b.table = BmpBuilder::Table(c.bitCount <= 8 ? 1u << c.bitCount : 0, 4);
        if (c.compression != kBiRgb) {
            b.bits = std::vector<uint8_t>{0, 0, 0, 1};  // end of line, end of bitmap
            b.sizeImage = 4;
        }
        const std::vector<uint8_t> dib = b.Dib();
        EXPECT_EQ(DibBlockIsSound(dib.data(), dib.size()), c.sound) << c.what;
    }
}

TEST(DibRules, SourceRectOfAPictureInASmallerBlock) {
    struct Case {
        Rect src;
        Size picture, block;
        Rect want;
    };
    const Case cases[] = {
        {{0, 0, 6000, 4000}, {6000, 4000}, {2250, 1500}, {0, 0, 2250, 1500}},  // the whole onto the whole
        {{0, 0, 4000, 6000}, {4000, 6000}, {500, 750}, {0, 0, 500, 750}},
        {{0, 0, 799, 600}, {799, 600}, {100, 75}, {0, 0, 100, 75}},  // rounded-up block side
        {{100, 50, 300, 250}, {800, 600}, {400, 300}, {50, 25, 150, 125}},
        {{3, 5, 7, 9}, {10, 10}, {10, 10}, {3, 5, 7, 9}},  // same size: unchanged
        {{3, 5, 7, 9}, {0, 0}, {10, 10}, {3, 5, 7, 9}},    // no picture size: unchanged
    };
    for (const Case& c : cases) {
        const Rect got = BlockSourceRect(c.src, c.picture, c.block);
        EXPECT_EQ(got, c.want) << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
}
