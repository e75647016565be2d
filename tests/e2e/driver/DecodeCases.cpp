// Pictures through the whole show, by file content and name: which decoder a name picks, BMP
// header and colour-table forms drawn the right way up, and damaged or degenerate files that
// must leave the show running.
#include <cstdio>
#include <utility>

#include "Driver.h"

using namespace e2e;

namespace {

constexpr COLORREF kRed = RGB(200, 40, 40), kGreen = RGB(40, 200, 40), kYellow = RGB(200, 200, 40),
                   kPurple = RGB(150, 60, 220), kOrange = RGB(250, 130, 20);

void Put16(std::vector<uint8_t>& v, size_t at, uint16_t x) {
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v[at + i] = uint8_t(x >> (8 * i));
}

// A two-colour BMP: the top half of the picture in `top`, the bottom half in `bottom`.
//   bits 1, 4, 8: a colour table of `tableSize` entries (0: the full table, biClrUsed 0), the
//   two colours at its last two entries; bits 24: no table.
//   core: a 12-byte BITMAPCOREHEADER with 3-byte table entries instead of the 40-byte header.
//   topDown: a negative height, rows stored from the top.
std::vector<uint8_t> TwoColourBmp(int width, int height, int bits, COLORREF top, COLORREF bottom,
                                  int tableSize = 0, bool core = false, bool topDown = false) {
    int entries = bits == 24 ? 0 : (tableSize ? tableSize : 1 << bits);
    size_t headerSize = core ? 12 : 40, entrySize = core ? 3 : 4;
    size_t offset = 14 + headerSize + entries * entrySize;
    size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    std::vector<uint8_t> v(offset + stride * height, 0);
    v[0] = 'B';
    v[1] = 'M';
    Put32(v, 2, uint32_t(v.size()));
    Put32(v, 10, uint32_t(offset));
    Put32(v, 14, uint32_t(headerSize));
    if (core) {
        Put16(v, 18, uint16_t(width));
        Put16(v, 20, uint16_t(height));
        Put16(v, 22, 1);
        Put16(v, 24, uint16_t(bits));
    } else {
        Put32(v, 18, uint32_t(width));
        Put32(v, 22, uint32_t(topDown ? -height : height));
        Put16(v, 26, 1);
        Put16(v, 28, uint16_t(bits));
        Put32(v, 46, uint32_t(tableSize));
    }
    int topIndex = entries - 2, bottomIndex = entries - 1;
    for (int i = 0; i < entries; ++i) {
        COLORREF c = i == topIndex ? top : i == bottomIndex ? bottom : RGB(i * 7 % 256, 0, 0);
        uint8_t* q = &v[14 + headerSize + i * entrySize];
        q[0] = GetBValue(c);
        q[1] = GetGValue(c);
        q[2] = GetRValue(c);
    }
    for (int y = 0; y < height; ++y) {  // y counts from the top of the picture
        bool upper = y < height / 2;
        int stored = topDown ? y : height - 1 - y;
        uint8_t* row = &v[offset + stride * stored];
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                COLORREF c = upper ? top : bottom;
                row[3 * x] = GetBValue(c);
                row[3 * x + 1] = GetGValue(c);
                row[3 * x + 2] = GetRValue(c);
                continue;
            }
            unsigned index = unsigned(upper ? topIndex : bottomIndex);
            int bitPos = x * bits;
            int shift = 8 - bits - bitPos % 8;
            row[bitPos / 8] |= uint8_t(index << shift);
        }
    }
    return v;
}

bool FailureShown(Saver& saver) {
    if (!WaitPixel(400, 300, RGB(0, 0, 0))) return false;
    return WaitUntil([&] { return FindCaptionBox(CaptureScreen()).has_value(); }, 3000) && saver.Running();
}

// The slide on show: `colour` at the centre within tolerance, or with CLR_INVALID the failure box
// on a black screen; the saver runs on either way.
void ExpectShows(Saver& saver, const char* name, COLORREF colour, int tolerance) {
    if (colour == CLR_INVALID) {
        E2E_EXPECT(FailureShown(saver), "%s: no failure box on a black screen", name);
    } else {
        bool ok = WaitPixel(400, 300, colour, 10000, tolerance);
        E2E_EXPECT(ok, "%s: centre %s, want %s", name, Describe(ScreenPixel(400, 300)).c_str(),
                   Describe(colour).c_str());
    }
    E2E_REQUIRE(saver.Running(), "%s: the saver ended", name);
}

}  // namespace

E2E_CASE_WITH(decode_decoder_chosen_by_name, "x86") {
    std::string folder = MakeFolder("pics");
    std::vector<uint8_t> bmpYellow = SolidBmp24(160, 120, kYellow);
    WriteFileBytes(folder + "\\a1.bmp", SolidBmp24(160, 120, kRed));
    WriteFileBytes(folder + "\\a2_SUNSET.JPG", BlueJpeg());
    WriteFileBytes(folder + "\\a3.bmp", SolidBmp24(160, 120, kGreen));
    WriteFileBytes(folder + "\\a4_photo.bmp.jpg", BlueJpeg());
    WriteFileBytes(folder + "\\a5_photo.jpg.bmp", bmpYellow);
    WriteFileBytes(folder + "\\a6_jpeg_inside.bmp", BlueJpeg());
    WriteFileBytes(folder + "\\a7.bmp", SolidBmp24(160, 120, kRed));
    WriteFileBytes(folder + "\\a8_bmp_inside.jpg", bmpYellow);
    WriteFileBytes(folder + "\\a9.bmp", SolidBmp24(160, 120, kGreen));
    Settings::WritePlainShow(folder);
    Saver saver("/s");
    saver.WaitFullScreen();
    struct Step {
        const char* name;
        COLORREF colour;  // CLR_INVALID: the failure box
        int tolerance;
    };
    const Step steps[] = {
        {"a1.bmp", kRed, 0},
        {"a2_SUNSET.JPG", kBlueJpegColour, 6},
        {"a3.bmp", kGreen, 0},
        {"a4_photo.bmp.jpg", kBlueJpegColour, 6},
        {"a5_photo.jpg.bmp", kYellow, 0},
        {"a6_jpeg_inside.bmp (fails)", CLR_INVALID, 0},
        {"a7.bmp", kRed, 0},
        {"a8_bmp_inside.jpg (fails)", CLR_INVALID, 0},
        {"a9.bmp", kGreen, 0},
    };
    bool first = true;
    for (const Step& step : steps) {
        if (!first) saver.Tick();
        first = false;
        ExpectShows(saver, step.name, step.colour, step.tolerance);
    }
}

E2E_CASE(decode_pictures_another_program_holds_open) {
    // Another program reading a picture (a viewer, an indexer) does not keep it off the screen;
    // one writing it does, so a half-written picture is never read. Both loaders open alike. The
    // driver holds the handles from before the saver starts until the case ends.
    std::string folder = MakeFolder("pics");
    struct Step {
        const char* name;
        std::vector<uint8_t> bytes;
        DWORD access;     // the driver's handle: 0 for none
        COLORREF colour;  // CLR_INVALID: the failure box
        int tolerance;
    };
    const Step steps[] = {
        {"a1_read.bmp", SolidBmp24(160, 120, kRed), GENERIC_READ, kRed, 0},
        {"a2_read.jpg", BlueJpeg(), GENERIC_READ, kBlueJpegColour, 6},
        {"a3_written.bmp", SolidBmp24(160, 120, kGreen), GENERIC_WRITE, CLR_INVALID, 0},
        {"a4_written.jpg", BlueJpeg(), GENERIC_WRITE, CLR_INVALID, 0},
        {"a5_free.bmp", SolidBmp24(160, 120, kYellow), 0, kYellow, 0},
    };
    std::vector<HANDLE> held;
    for (const Step& step : steps) {
        const std::string path = folder + "\\" + step.name;
        WriteFileBytes(path, step.bytes);
        if (!step.access) continue;
        // Whatever else the holder lets others do, it lets them read.
        HANDLE h =
            CreateFileA(path.c_str(), step.access, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        E2E_REQUIRE(h != INVALID_HANDLE_VALUE, "cannot hold %s open (error %lu)", step.name, GetLastError());
        held.push_back(h);
    }
    Settings::WritePlainShow(folder);
    Saver saver("/s");
    saver.WaitFullScreen();
    bool first = true;
    for (const Step& step : steps) {
        if (!first) saver.Tick();
        first = false;
        ExpectShows(saver, step.name, step.colour, step.tolerance);
    }
    for (HANDLE h : held)
        CloseHandle(h);
}

E2E_CASE_WITH(decode_bmp_forms_right_way_up, "x86") {
    // Each picture 64 x 48, drawn 1:1 at (368, 276): its top half at y 276..299, bottom half at
    // 300..323. Consecutive pictures differ in their top colour.
    struct Form {
        const char* name;
        std::vector<uint8_t> bytes;
        COLORREF top, bottom;
    };
    const std::vector<Form> forms = {
        {"f1 24-bit bottom-up", TwoColourBmp(64, 48, 24, kRed, kGreen), kRed, kGreen},
        {"f2 24-bit top-down", TwoColourBmp(64, 48, 24, kYellow, kPurple, 0, false, true), kYellow, kPurple},
        {"f3 8-bit, full table", TwoColourBmp(64, 48, 8, kGreen, kRed), kGreen, kRed},
        {"f4 8-bit, 20 entries", TwoColourBmp(64, 48, 8, kOrange, kGreen, 20), kOrange, kGreen},
        {"f5 8-bit, core header", TwoColourBmp(64, 48, 8, kPurple, kYellow, 0, true), kPurple, kYellow},
        {"f6 4-bit", TwoColourBmp(64, 48, 4, kRed, kOrange), kRed, kOrange},
        {"f7 1-bit", TwoColourBmp(64, 48, 1, kGreen, kPurple), kGreen, kPurple},
        {"f8 8-bit top-down", TwoColourBmp(64, 48, 8, kYellow, kRed, 0, false, true), kYellow, kRed},
    };
    std::string folder = MakeFolder("pics");
    for (const Form& f : forms)
        WriteFileBytes(folder + "\\" + std::string(f.name, 2) + ".bmp", f.bytes);
    Settings::WritePlainShow(folder);
    Saver saver("/s");
    saver.WaitFullScreen();
    bool first = true;
    for (const Form& f : forms) {
        if (!first) saver.Tick();
        first = false;
        if (!WaitPixel(400, 280, f.top)) {
            E2E_EXPECT(false, "%s: top half %s, want %s (bottom half %s)", f.name,
                       Describe(ScreenPixel(400, 280)).c_str(), Describe(f.top).c_str(),
                       Describe(ScreenPixel(400, 320)).c_str());
            continue;
        }
        Shot shot = WaitStillScreen();
        RECT top = shot.Bounds(f.top), bottom = shot.Bounds(f.bottom);
        const RECT wantTop = {368, 276, 432, 300}, wantBottom = {368, 300, 432, 324};
        E2E_EXPECT(EqualRect(&top, &wantTop), "%s: top half at %s, want %s", f.name, Describe(top).c_str(),
                   Describe(wantTop).c_str());
        E2E_EXPECT(EqualRect(&bottom, &wantBottom), "%s: bottom half at %s, want %s", f.name,
                   Describe(bottom).c_str(), Describe(wantBottom).c_str());
    }
}

E2E_CASE(decode_degenerate_files_keep_show_running) {
    // Files whose headers promise more than they hold, or nothing at all. Whatever each shows,
    // the saver must stay up with its one window, and the next good picture must come.
    std::string folder = MakeFolder("pics");
    std::vector<uint8_t> bm14(14, 0);
    bm14[0] = 'B';
    bm14[1] = 'M';
    std::vector<uint8_t> huge = SolidBmp24(8, 8, kRed);  // claims 30000 x 30000, holds 8 x 8
    Put32(huge, 18, 30000);
    Put32(huge, 22, 30000);
    std::vector<uint8_t> manyColours = SolidBmp8(8, 8, kRed);  // claims a table of 1,000,000 entries
    Put32(manyColours, 46, 1000000);
    std::vector<uint8_t> bigHeader = SolidBmp24(8, 8, kRed);  // claims a 2 GB header
    Put32(bigHeader, 14, 0x7FFFFFF0);
    std::vector<uint8_t> zeroWidth = SolidBmp24(8, 8, kRed);
    Put32(zeroWidth, 18, 0);
    std::vector<uint8_t> zeroHeight = SolidBmp24(8, 8, kRed);
    Put32(zeroHeight, 22, 0);
    std::vector<uint8_t> cutJpeg = BlueJpeg();
    cutJpeg.resize(cutJpeg.size() / 2);
    std::vector<uint8_t> rle = SolidBmp8(8, 8, kRed);  // RLE8 with garbage codes
    Put32(rle, 30, 1);
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> bad = {
        {"bm14.bmp", bm14},
        {"huge.bmp", huge},
        {"manycolours.bmp", manyColours},
        {"bigheader.bmp", bigHeader},
        {"zerowidth.bmp", zeroWidth},
        {"zeroheight.bmp", zeroHeight},
        {"cut.jpg", cutJpeg},
        {"rle.bmp", rle},
    };
    const COLORREF good[] = {kRed, kGreen, kYellow, kPurple};
    for (size_t i = 0; i < bad.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\\%02zu_a_good.bmp", i);
        WriteFileBytes(folder + name, SolidBmp24(100, 80, good[i % 4]));
        std::snprintf(name, sizeof name, "\\%02zu_b_", i);
        WriteFileBytes(folder + name + bad[i].first, bad[i].second);
    }
    Settings::WritePlainShow(folder);
    Saver saver("/s");
    saver.WaitFullScreen();
    // Each damaged file is followed by a good picture: once that shows, the damaged slide before
    // it has been handled.
    for (size_t i = 0; i <= bad.size(); ++i) {
        if (i > 0) saver.Tick();
        E2E_REQUIRE(WaitPixel(400, 300, good[i % 4]), "good picture %zu did not show%s%s", i,
                    i > 0 ? " after " : "", i > 0 ? bad[i - 1].first : "");
        if (i > 0) {
            size_t windows = saver.TopWindows().size();
            E2E_EXPECT(windows == 1, "%s: %zu windows (a message box?)", bad[i - 1].first, windows);
            if (windows != 1) SaveScreen(bad[i - 1].first);
        }
        if (i < bad.size()) saver.Tick();
    }
}
