#include "core/picture/JpegLoader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "BmpBuilder.h"
#include "JpegBuilder.h"
#include "MemoryFileReader.h"
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

TEST(JpegScale, CheapestScaleThatCoversTheDrawnSize) {
    struct Case {
        Size picture, drawn;
        int m;
    };
    const Case cases[] = {
        {{6000, 4000}, {1620, 1080}, 3},  // full screen 1920 x 1080, stretched: 2250 x 1500
        {{6000, 4000}, {1152, 768}, 2},   // 1366 x 768: 1500 x 1000
        {{6000, 4000}, {152, 101}, 1},    // 152 x 112 preview: 750 x 500
        {{6000, 4000}, {800, 533}, 2},    // 800 x 600: 750 is one short of 800 at 1/8
        {{6000, 4000}, {600, 400}, 1},    // tagged 6 on 800 x 600, in stored orientation
        {{800, 600}, {100, 75}, 1},       // exactly an eighth
        {{799, 600}, {100, 75}, 1},       // the library rounds each side up: 99.875 gives 100
        {{792, 600}, {100, 75}, 2},       // 99 < 100
        {{793, 600}, {100, 75}, 1},       // 99.125 rounds up to 100; to the nearest, 99 falls short
        {{1000, 1000}, {260, 260}, 3},    // 8 x 260 / 1000 = 2.08: M rounds up to 3, not down to 2
        {{10, 10}, {4, 4}, 3},            // ceil(20 / 8) = 3 < 4, ceil(30 / 8) = 4
        {{1000, 1000}, {600, 600}, 8},    // 4/8 is too small; 5/8 to 7/8 cost more than 8/8
        {{6000, 4000}, {6000, 4000}, 8},  // drawn at its own size
        {{100, 100}, {400, 400}, 8},      // enlarged
        {{6000, 4000}, {3000, 1}, 4},     // both directions must be covered
        {{6000, 4000}, {1, 2001}, 8},    {{6000, 4000}, {0, 0}, 8},  // unknown: whole
        {{6000, 4000}, {-5, 300}, 8},    {{65500, 65500}, {1, 1}, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseJpegScale(c.picture, c.drawn), c.m)
            << c.picture.cx << "x" << c.picture.cy << " drawn " << c.drawn.cx << "x" << c.drawn.cy;
    }
}

TEST(JpegScale, BlockSizeAndItsBound) {
    struct Case {
        uint32_t width, height;
        int components;
        bool table;
        uint64_t bytes;
        bool fits;
    };
    const Case cases[] = {
        {5, 3, 3, false, 40 + 16 * 3, true},
        {1, 1, 1, true, 40 + 1024 + 4, true},
        // Grey, 16384 wide: 16383 rows fit in 256 MiB beside header and table, 16384 do not.
        {16384, 16383, 1, true, 40 + 1024 + 16384ull * 16383, true},
        {16384, 16384, 1, true, 40 + 1024 + 16384ull * 16384, false},
        {9500, 9418, 3, false, 40 + 28500ull * 9418, true},
        {9500, 9419, 3, false, 40 + 28500ull * 9419, false},
        {30000, 30000, 3, false, 40 + 90000ull * 30000, false},
        {65500, 65500, 3, false, 40 + 196500ull * 65500, false},  // beyond 32 bits, no wrap
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << "x" << c.components);
        EXPECT_EQ(JpegBlockBytes(c.width, c.height, c.components, c.table), c.bytes);
        EXPECT_EQ(JpegMemoryFits(c.bytes, 0), c.fits);
    }
    EXPECT_EQ(kMaxJpegBlockBytes, 268435456u);
    EXPECT_TRUE(JpegMemoryFits(268435456u, 0));
    EXPECT_FALSE(JpegMemoryFits(268435457u, 0));
}

TEST(JpegScale, CoefficientBuffersAndTheirBoundOn64And32Bits) {
    const std::vector<JpegSampling> k420 = {{2, 2}, {1, 1}, {1, 1}}, k444 = {{1, 1}, {1, 1}, {1, 1}},
                                    kGrey = {{1, 1}}, kCmyk = {{1, 1}, {1, 1}, {1, 1}, {1, 1}};
    struct Case {
        const char* what;
        uint32_t width, height;
        std::vector<JpegSampling> components;
        bool multiScan;
        uint64_t bytes;
        bool fits64, fits32;
    };
    const Case cases[] = {
        // The panorama: 1500 x 1000 luma blocks and 750 x 500 of each chroma, 128 bytes a block;
        // over the library's old 256 MiB, within both bounds.
        {"12000x8000 4:2:0 progressive", 12000, 8000, k420, true, 2250000ull * 128, true, true},
        {"12000x8000 4:2:0 baseline", 12000, 8000, k420, false, 0, true, true},
        {"12000x8000 4:4:4 progressive", 12000, 8000, k444, true, 4500000ull * 128, true, false},
        // Blocks rounded up to whole MCUs: luma 3 x 3 -> 4 x 4, chroma 2 x 2 each.
        {"17x17 4:2:0", 17, 17, k420, true, 24 * 128, true, true},
        {"1x1 grey", 1, 1, kGrey, true, 128, true, true},
        // 1 GiB is 8,388,608 blocks: 4096 x 2048 fit, one more row of blocks does not.
        {"64-bit bound", 32768, 16384, kGrey, true, 1ull << 30, true, false},
        {"64-bit bound and a row", 32768, 16385, kGrey, true, 4096ull * 2049 * 128, false, false},
        // 384 MiB is 3,145,728 blocks: 2048 x 1536.
        {"32-bit bound", 16384, 12288, kGrey, true, 384ull << 20, true, true},
        {"32-bit bound and a row", 16384, 12289, kGrey, true, 2048ull * 1537 * 128, true, false},
        {"largest CMYK", 65535, 65535, kCmyk, true, 8192ull * 8192 * 4 * 128, false, false},
        {"sampling factor 0", 16, 16, {{0, 1}}, true, UINT64_MAX, false, false},
        {"sampling factor 5", 16, 16, {{1, 5}}, true, UINT64_MAX, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint64_t bytes = JpegCoefficientBytes(c.width, c.height, c.components, c.multiScan);
        EXPECT_EQ(bytes, c.bytes);
        EXPECT_EQ(JpegMemoryFits(0, bytes, MaxJpegCoefficientBytes(8)), c.fits64);
        EXPECT_EQ(JpegMemoryFits(0, bytes, MaxJpegCoefficientBytes(4)), c.fits32);
    }
    EXPECT_EQ(MaxJpegCoefficientBytes(8), 1073741824u);
    EXPECT_EQ(MaxJpegCoefficientBytes(4), 402653184u);
    EXPECT_EQ(kMaxJpegCoefficientBytes, MaxJpegCoefficientBytes(sizeof(void*)));
}

namespace {

struct ScaledLoad {
    Loaded loaded;
    Size picture;
};

std::optional<ScaledLoad> LoadAt(const std::string& path, int paletteDisplay, const DrawSizeFn& drawSize) {
    Size picture;
    GlobalBlock block(LoadJpegBlock(path.c_str(), paletteDisplay, drawSize, &picture));
    if (!block) return std::nullopt;
    GlobalLockGuard lock(block.get());
    return ScaledLoad{Loaded{std::vector<uint8_t>(lock.data(), lock.data() + GlobalBlockSize(block.get()))},
                      picture};
}

// Four flat quadrants, 32 x 16 pixels each (whole chroma blocks at 4:2:0), stored 64 x 32.
const std::vector<uint8_t> kA = {230, 20, 20}, kB = {20, 220, 20}, kC = {20, 20, 230}, kD = {240, 240, 240};

std::vector<uint8_t> QuadrantJpeg() {
    JpegParams params;
    params.width = 64;
    params.height = 32;
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            const std::vector<uint8_t>& c = y < 16 ? (x < 32 ? kA : kB) : (x < 32 ? kC : kD);
            pixels.insert(pixels.end(), c.begin(), c.end());
        }
    }
    return EncodeJpeg(params, pixels);
}

std::vector<uint8_t> Tagged(const std::vector<uint8_t>& jpeg, int orientation, bool bigEndian) {
    ExifFields fields;
    fields.value = static_cast<uint16_t>(orientation);
    fields.bigEndian = bigEndian;
    return WithApp1(jpeg, ExifPayload(fields));
}

// The BGR pixel at (x, y) of a 24-bit top-down block.
std::vector<int> PixelAt(const Loaded& l, int x, int y) {
    const int width = DibWidthOf(l.header());
    const size_t row = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    const uint8_t* p = l.Rows() + static_cast<size_t>(y) * row + static_cast<size_t>(x) * 3;
    return {p[2], p[1], p[0]};
}

}  // namespace

TEST_F(JpegLoader, EachOrientationLoadsUprightAtFullAndReducedScale) {
    // Where the stored quadrants A B / C D stand after the turn, drawn by hand: TL, TR, BL, BR.
    struct Case {
        int orientation;
        std::vector<uint8_t> tl, tr, bl, br;
    };
    const Case cases[] = {
        {1, kA, kB, kC, kD}, {2, kB, kA, kD, kC}, {3, kD, kC, kB, kA}, {4, kC, kD, kA, kB},
        {5, kA, kC, kB, kD}, {6, kC, kA, kD, kB}, {7, kD, kB, kC, kA}, {8, kB, kD, kA, kC},
    };
    const std::vector<uint8_t> stored = QuadrantJpeg();
    for (const Case& c : cases) {
        for (int half : {0, 1}) {
            SCOPED_TRACE(::testing::Message() << "orientation " << c.orientation << (half ? " at 4/8" : ""));
            const bool swaps = c.orientation >= 5;
            const Size upright = swaps ? Size{32, 64} : Size{64, 32};
            // Drawn at half its size, the picture decodes at 4/8.
            DrawSizeFn drawSize;
            if (half) drawSize = [](Size s) { return Size{s.cx / 2, s.cy / 2}; };
            const auto got = LoadAt(
                folder.Write("o.jpg", Tagged(stored, c.orientation, c.orientation % 2 == 0)), 0, drawSize);
            ASSERT_TRUE(got);
            EXPECT_EQ(got->picture, upright);
            const int w = upright.cx >> half, h = upright.cy >> half;
            ASSERT_EQ(DibWidthOf(got->loaded.header()), w);
            ASSERT_EQ(DibHeightOf(got->loaded.header()), h);
            auto near = [](std::vector<int> got, const std::vector<uint8_t>& want) {
                for (size_t i = 0; i < 3; ++i)
                    EXPECT_NEAR(got[i], want[i], 12) << "channel " << i;
            };
            near(PixelAt(got->loaded, w / 4, h / 4), c.tl);
            near(PixelAt(got->loaded, 3 * w / 4, h / 4), c.tr);
            near(PixelAt(got->loaded, w / 4, 3 * h / 4), c.bl);
            near(PixelAt(got->loaded, 3 * w / 4, 3 * h / 4), c.br);
        }
    }
}

TEST_F(JpegLoader, BrokenExifStillShowsThePictureAsStored) {
    ExifFields fields;
    fields.value = 6;
    fields.ifdOffset = 5000;  // past the segment
    fields.offsetLies = true;
    const auto got = LoadAt(folder.Write("b.jpg", WithApp1(QuadrantJpeg(), ExifPayload(fields))), 0, {});
    ASSERT_TRUE(got);
    EXPECT_EQ(got->picture, (Size{64, 32}));
    EXPECT_EQ(DibWidthOf(got->loaded.header()), 64);
}

TEST_F(JpegLoader, ScaledPaletteOutputIsQuantizedAtTheReducedSize) {
    const auto got = LoadAt(folder.Write("q.jpg", Tagged(QuadrantJpeg(), 6, false)), 1, [](Size) {
        return Size{8, 16};
    });
    ASSERT_TRUE(got);
    EXPECT_EQ(got->picture, (Size{32, 64}));
    EXPECT_EQ(got->loaded.BitCount(), 8);
    EXPECT_EQ(DibWidthOf(got->loaded.header()), 8);  // 1/4 is the first scale that covers 8 x 16
    EXPECT_EQ(DibHeightOf(got->loaded.header()), 16);
    EXPECT_EQ(got->loaded.bytes.size(), 40u + 1024u + 8u * 16u);
}

TEST_F(JpegLoader, HugeClaimIsRefusedWholeAndLoadsWhereItIsDrawnSmall) {
    // A grey picture claiming 16384 x 16384: its whole block is 1,064 bytes over 256 MiB, which the
    // host would still hand out, so only the loader's own bound refuses it.
    JpegParams params;
    params.width = 16;
    params.height = 16;
    params.inSpace = JCS_GRAYSCALE;
    params.components = 1;
    const std::string path = folder.Write(
        "claim.jpg", WithClaimedSize(EncodeJpeg(params, SolidPixels(params, {90})), 16384, 16384));
    const int before = OpenDescriptorCount();
    EXPECT_FALSE(LoadAt(path, 0, {}));
    const auto got = LoadAt(path, 0, [](Size) { return Size{800, 600}; });
    ASSERT_TRUE(got);
    EXPECT_EQ(got->picture, (Size{16384, 16384}));
    EXPECT_EQ(DibWidthOf(got->loaded.header()), 2048);
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(JpegLoader, ProgressivePanoramaLoadsAtAReducedScale) {
    // A progressive picture keeps every coefficient of the whole picture, whatever the output
    // scale: 12000 x 8000 at 4:2:0 needs 288,000,000 bytes of them, more than the library's usual
    // 256 MiB, and is granted them because its header says so.
    JpegParams params;
    params.width = 16;
    params.height = 16;
    params.progressive = true;
    const std::string path =
        folder.Write("panorama.jpg",
                     WithClaimedSize(EncodeJpeg(params, SolidPixels(params, {90, 120, 200})), 12000, 8000));
    const auto got = LoadAt(path, 0, [](Size) { return Size{1500, 1000}; });
    ASSERT_TRUE(got);
    EXPECT_EQ(got->picture, (Size{12000, 8000}));
    EXPECT_EQ(DibWidthOf(got->loaded.header()), 1500);
    EXPECT_EQ(DibHeightOf(got->loaded.header()), 1000);
    // A smaller cap from the library's own JPEGMEM variable stays the whole bound.
    setenv("JPEGMEM", "16M", 1);
    EXPECT_FALSE(LoadAt(path, 0, [](Size) { return Size{1500, 1000}; }));
    unsetenv("JPEGMEM");
}

TEST_F(JpegLoader, ProgressiveClaimBeyondTheCoefficientBoundFailsAtAnyScale) {
    // 32768 x 16385 grey needs one row of blocks more than 1 GiB, 65535 x 65535 about 8 GiB:
    // refused before the library decodes or takes anything, however small it is drawn.
    struct Case {
        uint16_t width, height;
    };
    const Case cases[] = {{32768, 16385}, {65535, 65535}};
    JpegParams params;
    params.width = 16;
    params.height = 16;
    params.inSpace = JCS_GRAYSCALE;
    params.components = 1;
    params.progressive = true;
    const std::vector<uint8_t> jpeg = EncodeJpeg(params, SolidPixels(params, {90}));
    const int before = OpenDescriptorCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height);
        const std::string path = folder.Write("claim.jpg", WithClaimedSize(jpeg, c.width, c.height));
        EXPECT_FALSE(LoadAt(path, 0, [](Size) { return Size{100, 100}; }));
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST(JpegCmyk, InkAndBlackLeaveTheirShareOfWhite) {
    struct Case {
        std::vector<uint8_t> cmyk;
        bool inverted;
        std::vector<uint8_t> bgr;
    };
    const Case cases[] = {
        // Plain: 0 is no ink.
        {{0, 0, 0, 0}, false, {255, 255, 255}},
        {{0, 0, 0, 255}, false, {0, 0, 0}},
        {{255, 0, 0, 0}, false, {255, 255, 0}},  // cyan: no red
        {{0, 255, 0, 0}, false, {255, 0, 255}},  // magenta: no green
        {{0, 0, 255, 0}, false, {0, 255, 255}},  // yellow: no blue
        {{0, 50, 100, 0}, false, {155, 205, 255}},
        {{0, 0, 0, 128}, false, {127, 127, 127}},
        {{128, 0, 0, 128}, false, {127, 127, 63}},
        // Adobe's: the bytes are 255 - ink.
        {{255, 255, 255, 255}, true, {255, 255, 255}},
        {{255, 255, 255, 0}, true, {0, 0, 0}},
        {{255, 205, 155, 255}, true, {155, 205, 255}},
        {{127, 255, 255, 127}, true, {127, 127, 63}},
    };
    for (const Case& c : cases) {
        uint8_t bgr[3] = {1, 2, 3};
        CmykToBgr(c.cmyk.data(), 1, c.inverted, bgr);
        EXPECT_EQ(std::vector<uint8_t>(bgr, bgr + 3), c.bgr)
            << int(c.cmyk[0]) << "," << int(c.cmyk[1]) << "," << int(c.cmyk[2]) << "," << int(c.cmyk[3])
            << (c.inverted ? " inverted" : "");
    }
}

TEST_F(JpegLoader, CmykAndYcckPicturesAreConvertedOnBothDisplays) {
    // libjpeg writes an Adobe marker with both, so the bytes given are read as 255 - ink:
    // cyan 0, magenta 50, yellow 100, black 0 is red 255, green 205, blue 155.
    for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
        JpegParams params;
        params.width = 6;
        params.height = 4;
        params.inSpace = JCS_CMYK;
        params.components = 4;
        params.storedSpace = stored;
        const std::string path =
            folder.Write("cmyk.jpg", EncodeJpeg(params, SolidPixels(params, {255, 205, 155, 255})));
        for (int paletteDisplay : {0, 1}) {
            SCOPED_TRACE(testing::Message()
                         << (stored == JCS_CMYK ? "CMYK" : "YCCK") << " palette " << paletteDisplay);
            const auto loaded = Load(path, paletteDisplay);
            ASSERT_TRUE(loaded);
            EXPECT_EQ(DibWidthOf(loaded->header()), 6);
            EXPECT_EQ(DibHeightOf(loaded->header()), 4);
            if (paletteDisplay) {
                // 256 colours of its own: every pixel is the one entry that holds the colour.
                EXPECT_EQ(loaded->BitCount(), 8);
                const uint8_t* entry = loaded->header() + kInfoHeaderSize + 4 * loaded->Rows()[5];
                ExpectNear(entry, {155, 205, 255});
                EXPECT_EQ(loaded->Rows()[0], loaded->Rows()[5]);
            } else {
                EXPECT_EQ(loaded->BitCount(), 24);
                ExpectNear(loaded->Rows(), {155, 205, 255, 155, 205, 255});
                ExpectNear(loaded->Rows() + 3 * 5, {155, 205, 255});
            }
        }
    }
}

TEST_F(JpegLoader, ReadsThroughTheFileLayerAndFailsOnItsReadError) {
    JpegParams params;
    params.width = 64;
    params.height = 48;
    const std::vector<uint8_t> bytes = EncodeJpeg(params, SolidPixels(params, {10, 20, 30}));
    {
        MemoryFileReader file(bytes);
        GlobalBlock block(LoadJpegBlock(file, 0, {}, nullptr));
        ASSERT_TRUE(block);
        GlobalLockGuard lock(block.get());
        EXPECT_EQ(DibWidthOf(lock.data()), 64);
    }
    for (size_t failFrom : {size_t(0), size_t(2), bytes.size() / 2}) {
        SCOPED_TRACE(failFrom);
        MemoryFileReader file(bytes);
        file.failReadsFrom = failFrom;
        EXPECT_EQ(LoadJpegBlock(file, 0, {}, nullptr), nullptr);
    }
    MemoryFileReader empty({});
    EXPECT_EQ(LoadJpegBlock(empty, 0, {}, nullptr), nullptr);
}

// The size pairing reads before anything is decoded: upright, as the decode would give it.
TEST(JpegHeaderSize, IsUprightAndDamageGivesNone) {
    JpegParams params;
    params.width = 32;
    params.height = 16;
    const std::vector<uint8_t> plain = EncodeJpeg(params, SolidPixels(params, {10, 20, 30}));
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::optional<orv::Size> size;
    };
    ExifFields turned;
    turned.value = 6;
    ExifFields mirrored;
    mirrored.value = 2;
    const Case cases[] = {
        {"no orientation", plain, orv::Size{32, 16}},
        {"to be turned a quarter: a portrait", WithApp1(plain, ExifPayload(turned)), orv::Size{16, 32}},
        {"mirrored: as stored", WithApp1(plain, ExifPayload(mirrored)), orv::Size{32, 16}},
        {"cut inside the header", std::vector<uint8_t>(plain.begin(), plain.begin() + 40), std::nullopt},
        {"not a JPEG", std::vector<uint8_t>(64, 0x42), std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        MemoryFileReader file(c.bytes);
        const std::optional<orv::Size> got = orv::ReadJpegSize(file);
        ASSERT_EQ(got.has_value(), c.size.has_value()) << c.what;
        if (got) {
            EXPECT_EQ(*got, *c.size) << c.what;
        }
    }
}
