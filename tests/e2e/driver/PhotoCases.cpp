// Photos as cameras and phones store them: large JPEG files decoded at the size they are drawn,
// Exif orientation, a header that claims more than the file holds, and a bitmap GDI will not
// draw. The JPEG files are written here by a small encoder of flat 8 x 8 blocks (DC only, quant
// table of ones, red, green and blue components without a colour transform), so every pixel of
// the decoded picture is known exactly at any decode scale.
#include <cstdio>
#include <functional>

#include "Driver.h"

using namespace e2e;

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kTL = RGB(220, 40, 40), kTR = RGB(40, 200, 40), kBL = RGB(40, 40, 220),
                   kBR = RGB(230, 230, 40);
constexpr COLORREF kSeparator = RGB(128, 0, 128);

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) {
            acc_ = static_cast<uint8_t>((acc_ << 1) | ((code >> i) & 1));
            if (++n_ == 8) Emit();
        }
    }
    void Flush() {
        while (n_ != 0)
            Put(1, 1);  // pad with ones
    }

private:
    void Emit() {
        out_.push_back(acc_);
        if (acc_ == 0xFF) out_.push_back(0);  // byte stuffing
        acc_ = 0;
        n_ = 0;
    }
    std::vector<uint8_t>& out_;
    uint8_t acc_ = 0;
    int n_ = 0;
};

void Put16Be(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}

// How FlatJpeg codes its blocks: baseline with every component at full size, or progressive with
// red at full size and green and blue halved both ways (4:2:0), all in one DC scan. A progressive
// file keeps the coefficients of the whole picture while it decodes, whatever the output scale.
enum class Coding { kBaseline, kProgressive420 };

// colourAt(x, y) of the stored picture, sampled at each 8 x 8 block's top-left pixel (at each
// 16 x 16 MCU's top-left pixel when progressive). orientation: 0 writes no Exif block.
// maxScanBytes: the entropy data stops there (the file claims more than it holds).
std::vector<uint8_t> FlatJpeg(int width, int height, const std::function<COLORREF(int, int)>& colourAt,
                              int orientation = 0, size_t maxScanBytes = SIZE_MAX,
                              Coding coding = Coding::kBaseline) {
    const bool progressive = coding == Coding::kProgressive420;
    std::vector<uint8_t> v = {0xFF, 0xD8};
    if (orientation) {
        // APP1 "Exif", big-endian TIFF, one directory with one entry: orientation, SHORT, 1.
        const uint8_t exif[] = {
            'E', 'x', 'i', 'f',  0,    0, 'M', 'M', 0, 42, 0, 0, 0,
            8,   0,   1,   0x01, 0x12, 0, 3,   0,   0, 0,  1, 0, static_cast<uint8_t>(orientation),
            0,   0,   0,   0,    0,    0};
        v.insert(v.end(), {0xFF, 0xE1});
        Put16Be(v, sizeof exif + 2);
        v.insert(v.end(), exif, exif + sizeof exif);
    }
    v.insert(v.end(), {0xFF, 0xDB, 0x00, 0x43, 0x00});  // DQT: table 0, all ones
    v.insert(v.end(), 64, 1);
    // SOF0 (baseline) or SOF2 (progressive), 8 bits.
    v.insert(v.end(), {0xFF, static_cast<uint8_t>(progressive ? 0xC2 : 0xC0), 0x00, 0x11, 0x08});
    Put16Be(v, static_cast<uint32_t>(height));
    Put16Be(v, static_cast<uint32_t>(width));
    v.insert(v.end(),
             {3, 'R', static_cast<uint8_t>(progressive ? 0x22 : 0x11), 0, 'G', 0x11, 0, 'B', 0x11, 0});
    // DHT: the usual DC table (categories 0 to 11); an AC table holding only end-of-block, code 0.
    v.insert(v.end(), {0xFF, 0xC4, 0x00, 49, 0x00, 0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0});
    for (uint8_t i = 0; i < 12; ++i)
        v.push_back(i);
    v.insert(v.end(), {0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    // SOS over all three components: coefficients 0 to 63, or the DC alone (0 to 0) when progressive.
    v.insert(v.end(), {0xFF, 0xDA, 0x00, 0x0C, 3, 'R', 0x00, 'G', 0x00, 'B', 0x00, 0,
                       static_cast<uint8_t>(progressive ? 0 : 63), 0});

    static const uint32_t kDcCode[12] = {0x0, 0x2, 0x3, 0x4, 0x5, 0x6, 0xE, 0x1E, 0x3E, 0x7E, 0xFE, 0x1FE};
    static const int kDcLength[12] = {2, 3, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9};
    const size_t scanStart = v.size();
    BitWriter bits(v);
    int previous[3] = {0, 0, 0};
    // One block of component k in colour c: its DC difference, then (baseline) end-of-block.
    auto block = [&](int k, COLORREF c) {
        const int channel[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
        const int dc = 8 * (channel[k] - 128);
        const int diff = dc - previous[k];
        previous[k] = dc;
        int magnitude = diff < 0 ? -diff : diff, category = 0;
        while (magnitude) {
            ++category;
            magnitude >>= 1;
        }
        bits.Put(kDcCode[category], kDcLength[category]);
        if (category) {
            const int extra = diff < 0 ? diff + (1 << category) - 1 : diff;
            bits.Put(static_cast<uint32_t>(extra), category);
        }
        if (!progressive) bits.Put(0, 1);  // end of block
    };
    // An MCU is one block of each component, or (4:2:0) four red blocks, then green, then blue.
    const int mcuSide = progressive ? 16 : 8;
    const int mcusX = (width + mcuSide - 1) / mcuSide, mcusY = (height + mcuSide - 1) / mcuSide;
    for (int my = 0; my < mcusY && v.size() - scanStart < maxScanBytes; ++my) {
        for (int mx = 0; mx < mcusX; ++mx) {
            const COLORREF c = colourAt(mx * mcuSide, my * mcuSide);
            for (int i = 0; i < (progressive ? 4 : 1); ++i)
                block(0, c);
            block(1, c);
            block(2, c);
        }
    }
    bits.Flush();
    v.insert(v.end(), {0xFF, 0xD9});
    return v;
}

// The upright test picture: four quadrants.
COLORREF Quadrant(int u, int v, int width, int height) {
    const bool right = u >= width / 2, bottom = v >= height / 2;
    return bottom ? (right ? kBR : kBL) : (right ? kTR : kTL);
}

// Where stored pixel (x, y) of a stored w x h picture stands once the orientation is applied.
POINT Upright(int x, int y, int w, int h, int orientation) {
    switch (orientation) {
    case 2:
        return {w - 1 - x, y};
    case 3:
        return {w - 1 - x, h - 1 - y};
    case 4:
        return {x, h - 1 - y};
    case 5:
        return {y, x};
    case 6:
        return {h - 1 - y, x};
    case 7:
        return {h - 1 - y, w - 1 - x};
    case 8:
        return {y, w - 1 - x};
    default:
        return {x, y};
    }
}

// The quadrant picture of upright size uw x uh, stored as a camera tagging `orientation` would.
std::vector<uint8_t> OrientedQuadrants(int uw, int uh, int orientation) {
    const bool swaps = orientation >= 5;
    const int sw = swaps ? uh : uw, sh = swaps ? uw : uh;
    return FlatJpeg(
        sw, sh,
        [=](int x, int y) {
            // The block's centre, so a block never straddles a quadrant edge in the lookup.
            const POINT p = Upright(x + 4, y + 4, sw, sh, orientation);
            return Quadrant(p.x, p.y, uw, uh);
        },
        orientation);
}

void WritePhotoSettings(const std::string& folder, bool stretch) {
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = stretch ? 1 : 0;
    s.caption = 0;
    s.folder = folder;
    s.Write();
}

// Waits until the non-black area of the screen is `want` and the quadrants inside it show their
// colours; reports what it saw otherwise.
void ExpectQuadrantsAt(const RECT& want, const char* what) {
    Shot shot;
    const int qx = (want.right - want.left) / 4, qy = (want.bottom - want.top) / 4;
    const POINT centres[4] = {{want.left + qx, want.top + qy},
                              {want.right - qx, want.top + qy},
                              {want.left + qx, want.bottom - qy},
                              {want.right - qx, want.bottom - qy}};
    const COLORREF colours[4] = {kTL, kTR, kBL, kBR};
    auto matches = [&] {
        RECT drawn = shot.BoundsNot(kBlack);
        if (!EqualRect(&drawn, &want)) return false;
        for (int i = 0; i < 4; ++i)
            if (!Near(shot.At(centres[i].x, centres[i].y), colours[i], 8)) return false;
        return true;
    };
    const bool ok = WaitUntil(
        [&] {
            shot = CaptureScreen();
            return matches();
        },
        10000);
    if (ok) return;
    RECT drawn = shot.BoundsNot(kBlack);
    E2E_EXPECT(false, "%s: picture at %s, want %s; quadrants %s %s %s %s", what, Describe(drawn).c_str(),
               Describe(want).c_str(), Describe(shot.At(centres[0].x, centres[0].y)).c_str(),
               Describe(shot.At(centres[1].x, centres[1].y)).c_str(),
               Describe(shot.At(centres[2].x, centres[2].y)).c_str(),
               Describe(shot.At(centres[3].x, centres[3].y)).c_str());
    SaveScreen(what);
}

// A folder of one photo, shown full screen: the photo must be drawn upright at want.
void ExpectOnePhotoAt(const std::vector<uint8_t>& jpeg, bool stretch, const RECT& want, const char* what) {
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\photo.jpg", jpeg);
    WritePhotoSettings(folder, stretch);
    Saver saver("/s");
    saver.WaitFullScreen();
    ExpectQuadrantsAt(want, what);
}

// Posts a key and checks that the saver ends with exit code 0; the time it took is a figure, not
// a check.
void ExpectKeyEndsSaver(Saver& saver, const char* what) {
    const double sent = NowMs();
    saver.Post(WM_KEYDOWN, VK_SPACE, 0x00390001);
    const std::optional<DWORD> code = saver.WaitExit(5000);
    const double took = NowMs() - sent;
    E2E_EXPECT(code && *code == 0, "%s: the saver did not end with 0 after a key (%s)", what,
               code ? std::to_string(*code).c_str() : "still running");
    Note("%s: key to exit %.0f ms", what, took);
}

}  // namespace

E2E_CASE(photo_6000x4000_stretched_layout) {
    // The layout works from the picture's own size even though the block holds 1500 x 1000
    // (2/8): 600 x 6000 / 4000 = 900 > 800, so 800 x (4000 x 800 / 6000 = 533) at (0, 33).
    ExpectOnePhotoAt(OrientedQuadrants(6000, 4000, 1), true, RECT{0, 33, 800, 566}, "6000x4000");
}

E2E_CASE_WITH(photo_6000x4000_stretched_layout_at_1920x1080, "screen=1920x1080") {
    // A phone photo on a full-HD screen: decoded at 3/8 (2250 x 1500), laid out from its own size
    // as before, 1080 x 6000 / 4000 = 1620 <= 1920, so 1620 x 1080 at (150, 0).
    E2E_REQUIRE(ScreenWidth() == 1920 && ScreenHeight() == 1080, "the screen is %dx%d, want 1920x1080",
                ScreenWidth(), ScreenHeight());
    ExpectOnePhotoAt(OrientedQuadrants(6000, 4000, 1), true, RECT{150, 0, 1770, 1080},
                     "6000x4000 at 1920x1080");
}

E2E_CASE_WITH(photo_progressive_12000x8000_at_1920x1080, "screen=1920x1080 x86") {
    // A progressive panorama keeps 288,000,000 bytes of coefficients (1500 x 1000 red blocks and
    // 750 x 500 of green and of blue, 128 bytes each) at every decode scale: more than the
    // library's usual 256 MiB, within what its header may ask. Decoded at 2/8 (3000 x 2000) and
    // laid out from its own size: 1080 x 12000 / 8000 = 1620 <= 1920, so 1620 x 1080 at (150, 0).
    E2E_REQUIRE(ScreenWidth() == 1920 && ScreenHeight() == 1080, "the screen is %dx%d, want 1920x1080",
                ScreenWidth(), ScreenHeight());
    const std::vector<uint8_t> jpeg = FlatJpeg(
        12000, 8000, [](int x, int y) { return Quadrant(x, y, 12000, 8000); }, 0, SIZE_MAX,
        Coding::kProgressive420);
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\panorama.jpg", jpeg);
    WritePhotoSettings(folder, true);
    Saver saver("/s");
    saver.WaitFullScreen();
    ExpectQuadrantsAt(RECT{150, 0, 1770, 1080}, "progressive 12000x8000");
    const ProcessFigures figures = Measure(saver.Process(), saver.Pid());
    Note("progressive 12000x8000: file %zu bytes, peak working set %.1f MiB, commit %.1f MiB", jpeg.size(),
         figures.peakWorkingSet / 1048576.0, figures.privateBytes / 1048576.0);
    ExpectKeyEndsSaver(saver, "progressive 12000x8000");
}

E2E_CASE(photo_eight_orientations_drawn_upright) {
    // One 160 x 96 picture stored in each of the eight orientations, drawn 1:1 (stretch off) at
    // ((800 - 160) / 2, (600 - 96) / 2) = (320, 252); a purple bitmap between them tells each
    // slide from the one before.
    const std::string folder = MakeFolder("pics");
    for (int o = 1; o <= 8; ++o) {
        char name[64];
        std::snprintf(name, sizeof name, "\\%d_a_photo.jpg", o);
        WriteFileBytes(folder + name, OrientedQuadrants(160, 96, o));
        std::snprintf(name, sizeof name, "\\%d_b_separator.bmp", o);
        WriteFileBytes(folder + name, SolidBmp24(40, 40, kSeparator));
    }
    WritePhotoSettings(folder, false);
    Saver saver("/s");
    saver.WaitFullScreen();
    for (int o = 1; o <= 8; ++o) {
        if (o > 1) saver.Tick();
        char what[32];
        std::snprintf(what, sizeof what, "orientation %d", o);
        ExpectQuadrantsAt(RECT{320, 252, 480, 348}, what);
        saver.Tick();
        E2E_REQUIRE(WaitPixel(400, 300, kSeparator), "the separator after orientation %d did not show", o);
    }
}

E2E_CASE(photo_tagged_6_lays_out_as_portrait) {
    // Stored 6000 x 4000 and tagged "turn 90 degrees clockwise": the picture is 4000 x 6000, so
    // stretched it is 600 x 4000 / 6000 = 400 x 600 at (200, 0), decoded at 1/8 and turned.
    ExpectOnePhotoAt(OrientedQuadrants(4000, 6000, 6), true, RECT{200, 0, 600, 600}, "tagged 6");
}

E2E_CASE(photo_claiming_30000x30000_then_key) {
    // About 50 KB of data under a header claiming 30000 x 30000: decoded at 1/8 for its 600 x 600
    // place, the rest grey from the library's fill. A picture or the failure box must show, and a
    // key must still end the saver at once.
    const std::string folder = MakeFolder("pics");
    const std::vector<uint8_t> claim = FlatJpeg(
        30000, 30000, [](int x, int) { return x < 15000 ? kTL : kTR; }, 0, 50000);
    Note("claiming file: %zu bytes", claim.size());
    WriteFileBytes(folder + "\\claim.jpg", claim);
    WritePhotoSettings(folder, true);
    Saver saver("/s");
    saver.WaitFullScreen();
    bool picture = false, box = false;
    const bool shown = WaitUntil(
        [&] {
            Shot shot = CaptureScreen();
            picture = shot.At(400, 300) != kBlack;
            box = FindCaptionBox(shot).has_value();
            return picture || box;
        },
        20000);
    if (!shown) SaveScreen("claim");
    E2E_REQUIRE(shown, "neither a picture nor the failure box showed");
    Note("shown: %s", picture ? "a picture" : "the failure box");
    ExpectKeyEndsSaver(saver, "30000x30000");
}

E2E_CASE(photo_top_down_rle_shows_failure_box) {
    // GDI draws no top-down RLE bits; such a file must show the failure box, not a black screen.
    const std::string folder = MakeFolder("pics");
    std::vector<uint8_t> rle = SolidBmp8(8, 8, RGB(200, 40, 40));
    // RLE8 rows: eight of colour 1, end of line, for each row; then end of bitmap.
    std::vector<uint8_t> bits;
    for (int y = 0; y < 8; ++y)
        bits.insert(bits.end(), {8, 1, 0, 0});
    bits.insert(bits.end(), {0, 1});
    const size_t bitsAt = 14 + 40 + 256 * 4;
    rle.resize(bitsAt);
    rle.insert(rle.end(), bits.begin(), bits.end());
    auto put32 = [&](size_t at, uint32_t x) {
        for (int i = 0; i < 4; ++i)
            rle[at + i] = static_cast<uint8_t>(x >> (8 * i));
    };
    put32(2, static_cast<uint32_t>(rle.size()));    // bfSize
    put32(22, static_cast<uint32_t>(-8));           // biHeight: top-down
    put32(30, 1);                                   // BI_RLE8
    put32(34, static_cast<uint32_t>(bits.size()));  // biSizeImage
    WriteFileBytes(folder + "\\topdown_rle.bmp", rle);
    WritePhotoSettings(folder, false);
    Saver saver("/s");
    saver.WaitFullScreen();
    const bool box = WaitUntil([&] { return FindCaptionBox(CaptureScreen()).has_value(); }, 10000);
    if (!box) SaveScreen("rle");
    E2E_EXPECT(box, "no failure box for a top-down RLE8 bitmap");
    ExpectKeyEndsSaver(saver, "top-down RLE");
}

E2E_CASE_WITH(photo_tagged_6_on_a_palette_display, "depth=8") {
    // On a palette display the quantizer works on the 1/8 output, and the turned picture lays
    // out as on a true-colour one. Wine's colours on 8 bits are not checked, only the place.
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\portrait.jpg", OrientedQuadrants(4000, 6000, 6));
    WritePhotoSettings(folder, true);
    Saver saver("/s");
    saver.WaitFullScreen();
    const RECT want{200, 0, 600, 600};
    RECT drawn{};
    const bool placed = WaitUntil(
        [&] {
            drawn = CaptureScreen().BoundsNot(kBlack);
            return EqualRect(&drawn, &want) != 0;
        },
        10000);
    if (!placed) SaveScreen("palette");
    E2E_EXPECT(placed, "picture at %s, want %s", Describe(drawn).c_str(), Describe(want).c_str());
    E2E_EXPECT(saver.Running() && saver.TopWindows().size() == 1, "the saver ended or opened a box");
}
