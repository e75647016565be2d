// Every picture of the folder: the formats the imaging component decodes (PNG of every colour
// type, bit depth, interlacing and transparency, drawn as ImageMagick draws it over black; the
// first frame of an animated GIF), every JPEG name, CMYK JPEGs, which names "Others" lists, and
// a PNG whose header claims more than may be decoded. The pictures are made by
// tests/e2e/formats/make-format-set.sh into format-set/ beside the driver.
#include <algorithm>
#include <cstdio>

#include "Driver.h"

using namespace e2e;

namespace {

// format-set\ beside the driver's own executable.
std::string FormatSet() {
    char path[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, DWORD(sizeof path));
    std::string dir(path, n);
    dir.resize(dir.find_last_of('\\'));
    return dir + "\\format-set";
}

void CopyIn(const std::string& from, const std::string& to) {
    E2E_REQUIRE(CopyFileA(from.c_str(), to.c_str(), FALSE), "cannot copy %s (error %lu)", from.c_str(),
                GetLastError());
}

std::vector<std::string> FilesIn(const std::string& folder, const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// A 24-bit bottom-up BMP (ImageMagick's BMP3) as a Shot placed at (left, top).
std::optional<Shot> ReadBmp24(const std::string& path, int left, int top) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<uint8_t> bytes(GetFileSize(file, nullptr));
    DWORD read = 0;
    const BOOL ok = ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok || read != bytes.size() || bytes.size() < 54) return std::nullopt;
    auto le32 = [&](size_t at) {
        return int32_t(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
    };
    const int32_t offset = le32(10), width = le32(18), height = le32(22);
    const int bits = bytes[28] | bytes[29] << 8;
    if (bits != 24 || width <= 0 || height <= 0) return std::nullopt;
    const size_t stride = (size_t(width) * 3 + 3) / 4 * 4;
    if (size_t(offset) + stride * size_t(height) > bytes.size()) return std::nullopt;
    Shot shot;
    shot.width = width;
    shot.height = height;
    shot.left = left;
    shot.top = top;
    shot.pixels.resize(size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &bytes[size_t(offset) + stride * size_t(height - 1 - y)];
        for (int x = 0; x < width; ++x)
            shot.pixels[size_t(y) * width + x] =
                uint32_t(row[3 * x + 2]) << 16 | row[3 * x + 1] << 8 | row[3 * x];
    }
    return shot;
}

// The largest difference of one channel between two shots of one size, and how many pixels
// differ by more than tolerance.
struct Difference {
    int largest = 0;
    int over = 0;
};
Difference Compare(const Shot& a, const Shot& b, int tolerance) {
    Difference d;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
        int worst = 0;
        for (int shift : {0, 8, 16}) {
            const int diff =
                std::abs(int((a.pixels[i] >> shift) & 0xFF) - int((b.pixels[i] >> shift) & 0xFF));
            worst = std::max(worst, diff);
        }
        d.largest = std::max(d.largest, worst);
        if (worst > tolerance) ++d.over;
    }
    return d;
}

std::string WindowText(HWND h) {
    char text[256] = "";
    GetWindowTextA(h, text, sizeof text);
    return text;
}

bool FailureBoxShown() {
    return WaitUntil([] { return FindCaptionBox(CaptureScreen()).has_value(); }, 5000);
}

}  // namespace

E2E_CASE_WITH(formats_png_set_drawn_as_imagemagick_draws_it, "timeout=120") {
    const std::string set = FormatSet() + "\\png";
    const std::vector<std::string> pngs = FilesIn(set, "*.png");
    E2E_REQUIRE(pngs.size() == 36, "%zu PNG files in %s, want 36", pngs.size(), set.c_str());
    const std::string folder = MakeFolder("pics");
    for (const std::string& name : pngs)
        CopyIn(set + "\\" + name, folder + "\\" + name);
    Settings::WritePlainShow(folder);
    Saver saver("/s");
    saver.WaitFullScreen();
    // 64 x 48 at 1:1 in the middle of 800 x 600. Channels may differ by one where 16 bits are
    // cut to 8 or a colour is multiplied by its alpha, rounded one way here and another there.
    const RECT area{368, 276, 432, 324};
    const int tolerance = 2;
    int largest = 0;
    for (size_t i = 0; i < pngs.size(); ++i) {
        const std::string& name = pngs[i];
        if (i > 0) saver.Tick();
        const std::string bmp = set + "\\" + name.substr(0, name.size() - 4) + ".bmp";
        const std::optional<Shot> want = ReadBmp24(bmp, area.left, area.top);
        E2E_REQUIRE(want && want->width == 64 && want->height == 48, "cannot read the rendering %s",
                    bmp.c_str());
        Difference d;
        const bool same = WaitUntil(
            [&] {
                d = Compare(Capture(area), *want, tolerance);
                return d.over == 0;
            },
            5000);
        E2E_EXPECT(same, "%s: %d pixels differ from ImageMagick's rendering by more than %d (largest %d)",
                   name.c_str(), d.over, tolerance, d.largest);
        if (!same) SaveScreen(name.c_str());
        largest = std::max(largest, d.largest);
        const Shot shot = WaitStillScreen();
        const RECT drawn = shot.BoundsNot(RGB(0, 0, 0));
        E2E_EXPECT(drawn.left >= area.left && drawn.top >= area.top && drawn.right <= area.right &&
                       drawn.bottom <= area.bottom,
                   "%s: drawn at %s, outside %s", name.c_str(), Describe(drawn).c_str(),
                   Describe(area).c_str());
    }
    Note("%zu pictures; largest channel difference %d", pngs.size(), largest);
    E2E_EXPECT(saver.Running() && saver.TopWindows().size() == 1, "the saver ended or showed a message box");
}

E2E_CASE_WITH(formats_others_lists_every_decodable_name_in_order, "x86") {
    const std::string set = FormatSet() + "\\kinds";
    const std::string folder = MakeFolder("pics");
    for (const std::string& name : FilesIn(set, "*.*"))
        CopyIn(set + "\\" + name, folder + "\\" + name);
    Settings::WritePlainShow(folder);
    Saver saver("/s");
    saver.WaitFullScreen();
    struct Step {
        const char* name;
        COLORREF colour;
    };
    // The .webp (white) and the .heic (grey) never come: after f.tif the list starts again.
    const Step steps[] = {
        {"a.jpeg", RGB(220, 40, 40)},       {"b.jpe", RGB(40, 200, 40)},  {"c.JFIF", RGB(40, 40, 220)},
        {"d.png", RGB(220, 220, 40)},       {"e.gif", RGB(40, 220, 220)}, {"f.tif", RGB(220, 40, 220)},
        {"a.jpeg again", RGB(220, 40, 40)},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        if (i > 0) saver.Tick();
        const bool shown = WaitPixel(400, 300, steps[i].colour, 5000, 8);
        E2E_EXPECT(shown, "%s: centre %s, want %s", steps[i].name, Describe(ScreenPixel(400, 300)).c_str(),
                   Describe(steps[i].colour).c_str());
        const Shot shot = WaitStillScreen();
        E2E_EXPECT(!FindCaptionBox(shot), "%s: a failure box is on the screen", steps[i].name);
        const RECT drawn = shot.BoundsNot(RGB(0, 0, 0));
        E2E_EXPECT(drawn.left == 360 && drawn.top == 270 && drawn.right == 440 && drawn.bottom == 330,
                   "%s: drawn at %s", steps[i].name, Describe(drawn).c_str());
    }
}

E2E_CASE(formats_animated_gif_shows_its_first_frame) {
    const std::string folder = MakeFolder("pics");
    CopyIn(FormatSet() + "\\anim.gif", folder + "\\anim.gif");
    Settings::WritePlainShow(folder);
    Saver saver("/s");
    saver.WaitFullScreen();
    for (int tick = 0; tick < 3; ++tick) {
        if (tick > 0) saver.Tick();
        E2E_EXPECT(WaitPixel(400, 300, RGB(255, 0, 0), 5000), "tick %d: centre %s, want the red first frame",
                   tick, Describe(ScreenPixel(400, 300)).c_str());
        const Shot shot = WaitStillScreen();
        E2E_EXPECT(shot.Count(RGB(255, 0, 0)) == 80 * 60 && shot.Count(RGB(0, 255, 0)) == 0,
                   "tick %d: %d red and %d green pixels, want 4800 red", tick, shot.Count(RGB(255, 0, 0)),
                   shot.Count(RGB(0, 255, 0)));
    }
}

E2E_CASE_WITH(formats_cmyk_jpeg_is_drawn, "x86") {
    const std::string folder = MakeFolder("pics");
    CopyIn(FormatSet() + "\\cmyk.jpg", folder + "\\cmyk.jpg");
    Settings::WritePlainShow(folder);
    const RECT area{360, 270, 440, 330};
    const std::optional<Shot> want = ReadBmp24(FormatSet() + "\\cmyk.bmp", area.left, area.top);
    E2E_REQUIRE(want && want->width == 80 && want->height == 60, "cannot read cmyk.bmp");
    Saver saver("/s");
    saver.WaitFullScreen();
    Difference d;
    const bool same = WaitUntil(
        [&] {
            d = Compare(Capture(area), *want, 3);
            return d.over == 0;
        },
        5000);
    E2E_EXPECT(same, "%d pixels differ from ImageMagick's rendering by more than 3 (largest %d); centre %s",
               d.over, d.largest, Describe(ScreenPixel(400, 300)).c_str());
    E2E_EXPECT(!FindCaptionBox(WaitStillScreen()), "a failure box is on the screen");
}

E2E_CASE(formats_tiff_turned_upright_by_its_orientation_tag) {
    const std::string folder = MakeFolder("pics");
    CopyIn(FormatSet() + "\\turned6.tif", folder + "\\turned6.tif");
    Settings::WritePlainShow(folder);
    Saver saver("/s");
    saver.WaitFullScreen();
    // Upright 60 x 80 at (370, 260): blue on the left half, red on the right.
    E2E_EXPECT(WaitPixel(385, 300, RGB(0, 0, 255), 5000), "left half %s, want blue",
               Describe(ScreenPixel(385, 300)).c_str());
    const Shot shot = WaitStillScreen();
    const RECT blue = shot.Bounds(RGB(0, 0, 255)), red = shot.Bounds(RGB(255, 0, 0));
    E2E_EXPECT(blue.left == 370 && blue.top == 260 && blue.right == 400 && blue.bottom == 340,
               "blue drawn at %s, want (370, 260)-(400, 340)", Describe(blue).c_str());
    E2E_EXPECT(red.left == 400 && red.top == 260 && red.right == 430 && red.bottom == 340,
               "red drawn at %s, want (400, 260)-(430, 340)", Describe(red).c_str());
}

E2E_CASE(formats_large_pngs_scaled_to_the_screen) {
    const std::string folder = MakeFolder("pics");
    CopyIn(FormatSet() + "\\big-rgb.png", folder + "\\a.png");
    CopyIn(FormatSet() + "\\big-rgba.png", folder + "\\b.png");
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 0;  // larger than the screen: shrunk to fit all the same
    s.caption = 0;
    s.folder = folder;
    s.Write();
    Saver saver("/s");
    saver.WaitFullScreen();
    // Opaque, then half-transparent rgb(200, 100, 50) over black.
    const COLORREF colours[] = {RGB(30, 160, 90), RGB(100, 50, 25)};
    for (int i = 0; i < 2; ++i) {
        if (i > 0) saver.Tick();
        E2E_EXPECT(WaitPixel(400, 300, colours[i], 5000, 2), "picture %d: centre %s, want %s", i,
                   Describe(ScreenPixel(400, 300)).c_str(), Describe(colours[i]).c_str());
        const Shot shot = WaitStillScreen();
        const int same = shot.Count(ScreenPixel(400, 300));
        E2E_EXPECT(same == 800 * 600, "picture %d: %d of 480000 pixels are the centre's colour", i, same);
    }
}

E2E_CASE(formats_png_claiming_30000_square_fails_at_once) {
    const std::string folder = MakeFolder("pics");
    CopyIn(FormatSet() + "\\huge.png", folder + "\\huge.png");
    Settings::WritePlainShow(folder);
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_EXPECT(FailureBoxShown(), "no failure box");
    const ProcessFigures figures = Measure(saver.Process(), saver.Pid());
    Note("private bytes with the failure box up: %.1f MB", figures.privateBytes / 1048576.0);
    E2E_EXPECT(figures.privateBytes < SIZE_T(200) << 20, "the saver holds %.1f MB",
               figures.privateBytes / 1048576.0);
    saver.Post(WM_KEYDOWN, VK_SPACE, 1);
    const auto code = saver.WaitExit(5000);
    E2E_EXPECT(code && *code == 0, "a key did not end the saver with code 0");
}

E2E_CASE_WITH(formats_others_box_on_by_default_and_stored_off, "x86") {
    const std::string folder = MakeFolder("pics");
    Settings s;
    s.folder = folder;
    s.Write();
    Saver saver("/c");
    HWND dlg = saver.WaitWindow("#32770");
    E2E_REQUIRE(dlg, "no settings dialog");
    HWND others = GetDlgItem(dlg, 1018);
    E2E_REQUIRE(others, "the dialog has no control 1018");
    E2E_EXPECT(WindowText(others) == "&Others", "box 1018 reads '%s'", WindowText(others).c_str());
    E2E_EXPECT(SendMessageA(others, BM_GETCHECK, 0, 0) == BST_CHECKED, "box 1018 is not checked by default");
    E2E_EXPECT(GetWindow(others, GW_HWNDPREV) == GetDlgItem(dlg, 1017),
               "box 1018 does not follow 1017 in tab order");
    PostMessageA(others, BM_CLICK, 0, 0);
    E2E_EXPECT(WaitUntil([&] { return SendMessageA(others, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }, 5000),
               "box 1018 did not untick");
    PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    const auto code = saver.WaitExit(10000);
    E2E_EXPECT(code.has_value(), "the dialog did not end on OK");
    const std::optional<DWORD> stored = ReadDword("DisplayOtherFiles");
    E2E_EXPECT(stored == 0u, "DisplayOtherFiles is %s, want the DWORD 0",
               stored ? std::to_string(*stored).c_str() : "missing");
}

E2E_CASE(formats_others_off_lists_only_bmp_and_jpeg_names) {
    const std::string set = FormatSet() + "\\kinds";
    const std::string folder = MakeFolder("pics");
    for (const std::string& name : FilesIn(set, "*.*"))
        CopyIn(set + "\\" + name, folder + "\\" + name);
    Settings::WritePlainShow(folder);
    const DWORD off = 0;
    E2E_REQUIRE(RegSetKeyValueA(HKEY_CURRENT_USER, kConfigKey, "DisplayOtherFiles", REG_DWORD, &off, 4) ==
                    ERROR_SUCCESS,
                "cannot write DisplayOtherFiles");
    Saver saver("/s");
    saver.WaitFullScreen();
    // a.jpeg, b.jpe, c.JFIF, then a.jpeg again: the PNG, GIF and TIFF are not listed.
    const COLORREF steps[] = {RGB(220, 40, 40), RGB(40, 200, 40), RGB(40, 40, 220), RGB(220, 40, 40)};
    for (size_t i = 0; i < std::size(steps); ++i) {
        if (i > 0) saver.Tick();
        E2E_EXPECT(WaitPixel(400, 300, steps[i], 5000, 8), "slide %zu: centre %s, want %s", i,
                   Describe(ScreenPixel(400, 300)).c_str(), Describe(steps[i]).c_str());
        WaitStillScreen();
    }
}

E2E_CASE_WITH(formats_others_and_cmyk_on_a_palette_display, "depth=8") {
    // Colours read back at 8 bits are unreliable under Wine: each picture must be drawn where it
    // belongs, with no failure box, the saver running on.
    const std::string folder = MakeFolder("pics");
    CopyIn(FormatSet() + "\\kinds\\d.png", folder + "\\a.png");
    CopyIn(FormatSet() + "\\anim.gif", folder + "\\b.gif");
    CopyIn(FormatSet() + "\\cmyk.jpg", folder + "\\c.jpg");
    CopyIn(FormatSet() + "\\png\\rgba16-adam7.png", folder + "\\d.png");
    Settings::WritePlainShow(folder);
    Saver saver("/s");
    saver.WaitFullScreen();
    const RECT areas[] = {
        {360, 270, 440, 330}, {360, 270, 440, 330}, {360, 270, 440, 330}, {368, 276, 432, 324}};
    Shot shot;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) saver.Tick();
        const Shot before = shot;
        E2E_REQUIRE(WaitUntil(
                        [&] {
                            const Shot now = CaptureScreen();
                            return i == 0 ? !now.AllOf(RGB(0, 0, 0)) : now.pixels != before.pixels;
                        },
                        10000),
                    "picture %d: the screen did not change", i);
        shot = WaitStillScreen();
        const RECT drawn = shot.BoundsNot(RGB(0, 0, 0));
        E2E_EXPECT(drawn.left >= areas[i].left && drawn.top >= areas[i].top &&
                       drawn.right <= areas[i].right && drawn.bottom <= areas[i].bottom &&
                       drawn.right > drawn.left,
                   "picture %d: drawn at %s, want within %s", i, Describe(drawn).c_str(),
                   Describe(areas[i]).c_str());
        E2E_EXPECT(!FindCaptionBox(shot), "picture %d: a failure box", i);
        E2E_REQUIRE(saver.Running() && saver.TopWindows().size() == 1,
                    "picture %d: the saver ended or showed a box", i);
    }
}
