#include "core/picture/JpegLoader.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "BmpBuilder.h"
#include "JpegBuilder.h"
#include "PictureFiles.h"
#include "core/picture/DibRules.h"

using namespace orv;

namespace {

struct Loaded {
    std::vector<uint8_t> bytes;
    const uint8_t* header() const { return bytes.data(); }
    uint16_t BitCount() const { return ReadLe16(bytes.data() + 14); }
    const uint8_t* Rows() const { return DibBitsOf(bytes.data()); }
};

std::optional<Loaded> Load(const std::string& path, int paletteDisplay) {
    GlobalBlock block(LoadJpegBlock(path.c_str(), paletteDisplay));
    if (!block) return std::nullopt;
    GlobalLockGuard lock(block.get());
    return Loaded{std::vector<uint8_t>(lock.data(), lock.data() + GlobalBlockSize(block.get()))};
}

// Top half one colour, bottom half another, so orientation and channel order both show.
std::vector<uint8_t> TwoBands(const JpegParams& params, std::vector<uint8_t> top,
                              std::vector<uint8_t> bottom) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < params.height; ++y) {
        for (int x = 0; x < params.width; ++x) {
            const std::vector<uint8_t>& c = y < params.height / 2 ? top : bottom;
            pixels.insert(pixels.end(), c.begin(), c.end());
        }
    }
    return pixels;
}

void ExpectNear(const uint8_t* got, std::vector<int> want, int tolerance = 4) {
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(got[i], want[i], tolerance) << "byte " << i;
}

class JpegLoader : public ::testing::Test {
protected:
    PictureFolder folder;
};

}  // namespace

TEST_F(JpegLoader, HeaderFieldsOfAColourPictureOnATrueColourDisplay) {
    JpegParams params;
    params.width = 5;
    params.height = 3;
    const auto loaded = Load(folder.Write("c.jpg", EncodeJpeg(params, SolidPixels(params, {10, 20, 30}))), 0);
    ASSERT_TRUE(loaded);
    const uint8_t* h = loaded->header();
    EXPECT_EQ(ReadLe32(h + 0), 40u);
    EXPECT_EQ(ReadLe32(h + 4), 5u);
    EXPECT_EQ(static_cast<int32_t>(ReadLe32(h + 8)), -3);
    EXPECT_EQ(ReadLe16(h + 12), 1);
    EXPECT_EQ(ReadLe16(h + 14), 24);
    EXPECT_EQ(ReadLe32(h + 16), 0u);
    EXPECT_EQ(ReadLe32(h + 20), 0u);
    EXPECT_EQ(ReadLe32(h + 24), 2834u);
    EXPECT_EQ(ReadLe32(h + 28), 2834u);
    EXPECT_EQ(ReadLe32(h + 32), 0u);
    EXPECT_EQ(ReadLe32(h + 36), 0u);
    EXPECT_EQ(loaded->bytes.size(), 40u + 16u * 3u);
    EXPECT_EQ(DibHeightOf(h), 3);
    EXPECT_TRUE(DibPaletteEntries(h).empty());
}

TEST_F(JpegLoader, ColourPixelsAreStoredBlueGreenRedTopRowFirst) {
    JpegParams params;
    params.width = 16;
    params.height = 16;
    params.quality = 100;
    const auto pixels = TwoBands(params, {200, 100, 50}, {20, 60, 240});
    const auto loaded = Load(folder.Write("bands.jpg", EncodeJpeg(params, pixels)), 0);
    ASSERT_TRUE(loaded);
    const uint8_t* rows = loaded->Rows();
    ExpectNear(rows, {50, 100, 200});                    // row 0 is the top row
    ExpectNear(rows + 15 * 48 + 15 * 3, {240, 60, 20});  // last row, last pixel
}

TEST_F(JpegLoader, GreyscaleIsEightBitWithAGreyTableOnEitherDisplay) {
    JpegParams params;
    params.width = 6;
    params.height = 4;
    params.inSpace = JCS_GRAYSCALE;
    params.components = 1;
    params.quality = 100;
    const std::string path = folder.Write("grey.jpg", EncodeJpeg(params, TwoBands(params, {30}, {220})));
    for (int paletteDisplay : {0, 1}) {
        SCOPED_TRACE(paletteDisplay);
        const auto loaded = Load(path, paletteDisplay);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->BitCount(), 8);
        EXPECT_EQ(loaded->bytes.size(), 40u + 1024u + 8u * 4u);
        const std::vector<PaletteEntry> palette = DibPaletteEntries(loaded->header());
        ASSERT_EQ(palette.size(), 256u);
        EXPECT_EQ(palette[0], (PaletteEntry{0, 0, 0, 0}));
        EXPECT_EQ(palette[77], (PaletteEntry{77, 77, 77, 0}));
        EXPECT_EQ(palette[255], (PaletteEntry{255, 255, 255, 0}));
        EXPECT_EQ(loaded->bytes[40 + 77 * 4 + 3], 0);
        EXPECT_NEAR(loaded->Rows()[0], 30, 3);
        EXPECT_NEAR(loaded->Rows()[3 * 8 + 5], 220, 3);
    }
}

TEST_F(JpegLoader, ColourOnAPaletteDisplayIsQuantizedWithBlackSpareEntries) {
    JpegParams params;
    params.width = 16;
    params.height = 16;
    params.quality = 100;
    const auto loaded =
        Load(folder.Write("q.jpg", EncodeJpeg(params, TwoBands(params, {200, 100, 50}, {20, 60, 240}))), 1);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->BitCount(), 8);
    EXPECT_EQ(loaded->bytes.size(), 40u + 1024u + 16u * 16u);
    const std::vector<PaletteEntry> palette = DibPaletteEntries(loaded->header());
    ASSERT_EQ(palette.size(), 256u);
    // A two-colour picture needs far fewer than 256 entries; the rest stay black.
    EXPECT_EQ(palette[255], (PaletteEntry{0, 0, 0, 0}));
    const uint8_t* rows = loaded->Rows();
    const PaletteEntry top = palette[rows[0]];
    const PaletteEntry bottom = palette[rows[15 * 16 + 15]];
    EXPECT_NEAR(top.red, 200, 8);
    EXPECT_NEAR(top.green, 100, 8);
    EXPECT_NEAR(top.blue, 50, 8);
    EXPECT_NEAR(bottom.red, 20, 8);
    EXPECT_NEAR(bottom.green, 60, 8);
    EXPECT_NEAR(bottom.blue, 240, 8);
}

TEST_F(JpegLoader, RowsArePaddedToFourBytesWithZeros) {
    struct Case {
        int width;
        int paletteDisplay;
        uint32_t rowBytes;
    };
    const Case cases[] = {
        {1, 0, 4}, {2, 0, 8}, {3, 0, 12}, {4, 0, 12}, {1, 1, 4}, {2, 1, 4}, {3, 1, 4}, {4, 1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.width << " palette " << c.paletteDisplay);
        JpegParams params;
        params.width = c.width;
        params.height = 3;
        const auto loaded =
            Load(folder.Write("w.jpg", EncodeJpeg(params, SolidPixels(params, {255, 255, 255}))),
                 c.paletteDisplay);
        ASSERT_TRUE(loaded);
        const uint32_t table = c.paletteDisplay ? 1024 : 0;
        ASSERT_EQ(loaded->bytes.size(), 40 + table + c.rowBytes * 3);
        const uint32_t used = static_cast<uint32_t>(c.width) * (c.paletteDisplay ? 1 : 3);
        for (int y = 0; y < 3; ++y) {
            const uint8_t* row = loaded->Rows() + y * c.rowBytes;
            for (uint32_t i = used; i < c.rowBytes; ++i)
                EXPECT_EQ(row[i], 0) << "row " << y << " byte " << i;
        }
    }
}

TEST_F(JpegLoader, ProgressiveLoadsLikeBaseline) {
    JpegParams params;
    params.width = 24;
    params.height = 10;
    params.quality = 100;
    const auto pixels = TwoBands(params, {200, 100, 50}, {20, 60, 240});
    const auto baseline = Load(folder.Write("b.jpg", EncodeJpeg(params, pixels)), 0);
    params.progressive = true;
    const auto progressive = Load(folder.Write("p.jpg", EncodeJpeg(params, pixels)), 0);
    ASSERT_TRUE(baseline);
    ASSERT_TRUE(progressive);
    ASSERT_EQ(progressive->bytes.size(), baseline->bytes.size());
    ExpectNear(progressive->Rows(), {50, 100, 200});
    ExpectNear(progressive->Rows() + 9 * 72, {240, 60, 20});
}

TEST_F(JpegLoader, FileCutOffInTheImageDataStillLoads) {
    JpegParams params;
    params.width = 64;
    params.height = 64;
    std::vector<uint8_t> pixels(64 * 64 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i * 31 % 251);
    std::vector<uint8_t> bytes = EncodeJpeg(params, pixels);
    bytes.resize(bytes.size() * 2 / 3);
    for (int paletteDisplay : {0, 1}) {
        const auto loaded = Load(folder.Write("cut.jpg", bytes), paletteDisplay);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(DibWidthOf(loaded->header()), 64);
        EXPECT_EQ(DibHeightOf(loaded->header()), 64);
    }
}

TEST_F(JpegLoader, UndecodableFilesFailAndCloseTheirFile) {
    JpegParams cmyk;
    cmyk.inSpace = JCS_CMYK;
    cmyk.components = 4;
    BmpBuilder bmp;
    const std::string text = "Sunset over the bay\r\n";
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty file", {}},
        {"text", std::vector<uint8_t>(text.begin(), text.end())},
        {"a BMP named .jpg", bmp.Build()},
        {"CMYK", EncodeJpeg(cmyk, SolidPixels(cmyk, {0, 50, 100, 0}))},
        {"tables only, no image", EncodeTablesOnly()},
        {"start of image only", {0xFF, 0xD8}},
    };
    const int before = OpenDescriptorCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = folder.Write("bad.jpg", c.bytes);
        EXPECT_FALSE(Load(path, 0));
        EXPECT_FALSE(Load(path, 1));
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(JpegLoader, MissingFileFails) {
    EXPECT_FALSE(Load(folder.Path("none.jpg"), 0));
    EXPECT_EQ(LoadJpegBlock(nullptr, 0), nullptr);
}

TEST_F(JpegLoader, BlockThatCannotBeAllocatedFailsAndClosesTheFile) {
    JpegParams params;
    params.width = 64;
    params.height = 64;
    const std::string path = folder.Write("big.jpg", EncodeJpeg(params, SolidPixels(params, {1, 2, 3})));
    const int before = OpenDescriptorCount();
    const uint64_t limit = GlobalBlockLimit();
    SetGlobalBlockLimit(40 + 64 * 64 * 3 - 1);
    EXPECT_FALSE(Load(path, 0));
    SetGlobalBlockLimit(40 + 64 * 64 * 3);
    EXPECT_TRUE(Load(path, 0));
    SetGlobalBlockLimit(limit);
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(JpegLoader, LargestDimensionsAreAnAllocationFailureNotAWrappedSize) {
    // 65500 x 65500 x 3 bytes is about 12 GiB: beyond 32 bits, and beyond what the host hands out.
    JpegParams params;
    params.width = 16;
    params.height = 16;
    std::vector<uint8_t> bytes = EncodeJpeg(params, SolidPixels(params, {1, 2, 3}));
    // Patch the frame header (SOF0: FF C0, length, precision, height, width).
    size_t sof = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    }
    ASSERT_NE(sof, 0u);
    bytes[sof + 5] = 0xFF;
    bytes[sof + 6] = 0xDC;
    bytes[sof + 7] = 0xFF;
    bytes[sof + 8] = 0xDC;
    EXPECT_FALSE(Load(folder.Write("huge.jpg", bytes), 0));
}
