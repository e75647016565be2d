// Pan and zoom on the CPU back-end: the box's value reaches the show, the picture moves (a pixel
// read twice differs, waited for), the corners of a moving picture's rectangle never show the
// black behind it, a key during motion ends the saver, a display change mid-motion, a palette
// display keeps the still show, and pictures one pixel wide or high.
#include <string>
#include <vector>

#include "Driver.h"  // <windows.h> first

using namespace e2e;

namespace {

// One picture (or several, in name order) stretched over the screen, pan and zoom on, fades off,
// no captions, no timer in the way.
void WriteMovingShow(const std::vector<std::vector<uint8_t>>& pictures, DWORD panAndZoom = 1) {
    const std::string folder = MakeFolder("pics");
    for (size_t i = 0; i < pictures.size(); ++i)
        WriteFileBytes(folder + "\\" + std::string(1, char('a' + i)) + ".bmp", pictures[i]);
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 1;
    s.caption = 0;
    s.fade = 0;
    s.panAndZoom = panAndZoom;
    s.folder = folder;
    s.Write();
}

// Points spread over the screen, away from its edges.
std::vector<POINT> Probes() {
    const int w = ScreenWidth(), h = ScreenHeight();
    return {{w / 8, h / 8}, {w * 7 / 8, h / 8}, {w / 2, h / 2}, {w / 8, h * 7 / 8}, {w * 7 / 8, h * 7 / 8}};
}

std::vector<COLORREF> Read(const std::vector<POINT>& points) {
    std::vector<COLORREF> values;
    for (const POINT& p : points)
        values.push_back(ScreenPixel(p.x, p.y));
    return values;
}

// Waits until any pixel of the area differs from a first capture of it. One probe will not do:
// under a long delay the drift is slow, and the point a probe shows may travel less than a colour
// step in seconds (about one draw in ten near the zoom's fixed point), while some part of the
// picture always moves, its zoom changing by a tenth over the slide.
bool WaitAreaMoves(const RECT& area, DWORD timeoutMs = 8000) {
    const Shot first = Capture(area);
    return WaitUntil([&] { return Capture(area).pixels != first.pixels; }, timeoutMs);
}

// Waits for the picture (no probe black), then for the screen to change: the picture moves.
bool WaitMotion(DWORD timeoutMs = 8000) {
    const std::vector<POINT> probes = Probes();
    if (!WaitUntil(
            [&] {
                for (COLORREF c : Read(probes))
                    if (c == RGB(0, 0, 0)) return false;
                return true;
            },
            timeoutMs))
        return false;
    return WaitAreaMoves(RECT{0, 0, ScreenWidth(), ScreenHeight()}, timeoutMs);
}

}  // namespace

E2E_CASE(motion_picture_moves) {
    WriteMovingShow({GradientBmp(400, 300)});
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_EXPECT(WaitMotion(), "with pan and zoom on the picture did not move");
    E2E_EXPECT(saver.Running() && saver.TopWindows().size() == 1,
               "the saver ended or opened a second window");
}

E2E_CASE(motion_corners_never_black) {
    // The picture's rectangle is the whole 4:3 screen: its corners are picture at every zoom.
    WriteMovingShow({GradientBmp(400, 300)});
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_REQUIRE(WaitMotion(), "the picture did not move");
    const int w = ScreenWidth(), h = ScreenHeight();
    const POINT corners[] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    // Read for two seconds of motion: the corners change, none is ever black.
    const double end = NowMs() + 2000;
    int reads = 0;
    while (NowMs() < end) {
        for (const POINT& p : corners) {
            const COLORREF c = ScreenPixel(p.x, p.y);
            E2E_REQUIRE(c != RGB(0, 0, 0), "corner (%ld, %ld) black after %d reads", p.x, p.y, reads);
        }
        ++reads;
    }
    Note("%d reads of the four corners", reads);
}

E2E_CASE(motion_key_ends_saver) {
    WriteMovingShow({GradientBmp(400, 300)});
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_REQUIRE(WaitMotion(), "the picture did not move");
    const double pressed = NowMs();
    saver.Post(WM_KEYDOWN, VK_SPACE, 1);
    ExpectEndsOnce(saver, "a key during motion");
    Note("a key during motion ended the saver after %.0f ms", NowMs() - pressed);
}

E2E_CASE(motion_display_change_goes_on) {
    WriteMovingShow({GradientBmp(400, 300)});
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_REQUIRE(WaitMotion(), "the picture did not move");
    saver.Post(WM_DISPLAYCHANGE, 24, MAKELPARAM(ScreenWidth(), ScreenHeight()));
    E2E_REQUIRE(RoundTrip(saver.WaitFullScreen()), "the saver did not answer after the display change");
    E2E_EXPECT(WaitMotion(), "after the display change the picture stopped moving");
    saver.Tick();
    E2E_EXPECT(WaitMotion(), "the next slide after the change does not move");
    E2E_EXPECT(saver.Running() && saver.TopWindows().size() == 1,
               "the saver ended or opened a second window");
}

E2E_CASE_WITH(motion_palette_display_stays_still, "depth=8") {
    // 256 colours: the still show, pan and zoom on or not. The screen holds still once drawn.
    WriteMovingShow({SolidBmp24(400, 300, RGB(255, 255, 255))});
    Saver saver("/s");
    saver.WaitFullScreen();
    const POINT centre{ScreenWidth() / 2, ScreenHeight() / 2};
    E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(centre.x, centre.y) != RGB(0, 0, 0); }, 5000),
                "the picture did not show");
    const Shot still = WaitStillScreen();
    const Shot again = WaitStillScreen();
    E2E_EXPECT(still.pixels == again.pixels, "the palette display's screen changed: it moves");
    E2E_EXPECT(saver.Running(), "the saver ended");
}

E2E_CASE(motion_one_pixel_pictures) {
    // 1 x 10000 and 10000 x 1: laid out thinner than a pixel, so nothing may show of them; the
    // window goes on answering through their motion, and the show goes on to the next.
    WriteMovingShow({GradientBmp(1, 10000), GradientBmp(10000, 1), GradientBmp(400, 300)});
    Saver saver("/s");
    const HWND hwnd = saver.WaitFullScreen();
    for (int i = 0; i < 2; ++i) {
        E2E_EXPECT(RoundTrip(hwnd), "the window did not answer on picture %d", i + 1);
        saver.Tick();
    }
    E2E_EXPECT(WaitMotion(), "the picture after them does not move");
    E2E_EXPECT(saver.Running() && saver.TopWindows().size() == 1,
               "the saver ended or opened a second window");
}

E2E_CASE(motion_dialog_box_starts_the_preview_moving) {
    // The preview lives inside the dialog's modal loop: its frames come all the same.
    WriteMovingShow({GradientBmp(400, 300)}, 0);
    Saver saver("/c");
    HWND dlg = saver.WaitWindow("#32770");
    E2E_REQUIRE(dlg, "the settings dialog did not show");
    const HWND preview = FindPreview(dlg);
    E2E_REQUIRE(preview, "the dialog has no preview window");
    const RECT r = ClientOnScreen(preview);
    const POINT probes[] = {{r.left + 4, r.top + 4},
                            {(r.left + r.right) / 2, (r.top + r.bottom) / 2},
                            {r.right - 5, r.bottom - 5}};
    auto read = [&] {
        std::vector<COLORREF> v;
        for (const POINT& p : probes)
            v.push_back(ScreenPixel(p.x, p.y));
        return v;
    };
    // The gradient's middle, mid red and mid green: not black, nor the light face the preview's
    // frame shows before the picture is drawn.
    const auto picture = [](COLORREF c) {
        return GetRValue(c) > 0x30 && GetRValue(c) < 0xD0 && GetGValue(c) > 0x30 && GetGValue(c) < 0xD0;
    };
    E2E_REQUIRE(WaitUntil([&] { return picture(ScreenPixel(probes[1].x, probes[1].y)); }, 8000),
                "the preview shows no picture: %s", Describe(ScreenPixel(probes[1].x, probes[1].y)).c_str());
    // Pan and zoom off: the preview stands still.
    const Shot still = WaitStill(r);
    E2E_REQUIRE(!still.pixels.empty(), "the preview does not hold still with pan and zoom off");
    PostMessageA(GetDlgItem(dlg, 1020), BM_CLICK, 0, 0);
    const std::vector<COLORREF> before = read();
    E2E_EXPECT(WaitUntil([&] { return read() != before; }, 8000), "the preview does not move after the box");
    const std::vector<COLORREF> later = read();
    E2E_EXPECT(WaitUntil([&] { return read() != later; }, 8000), "the preview's motion stopped");
    // Off again: the preview stands still, as it was before the box.
    PostMessageA(GetDlgItem(dlg, 1020), BM_CLICK, 0, 0);
    E2E_EXPECT(WaitUntil([&] { return Capture(r).pixels == still.pixels; }, 8000),
               "with pan and zoom off again the preview does not show its still picture");
    PostMessageA(GetDlgItem(dlg, 1020), BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    auto code = saver.WaitExit(10000);
    E2E_EXPECT(code && *code == 0, "the dialog did not end with 0 after OK");
    E2E_EXPECT(ReadDword("PanAndZoom") == 1u, "PanAndZoom is not the DWORD 1 after the box");
}

E2E_CASE(motion_crossfade_blends_two_moving_pictures) {
    // Solid red then solid blue, moving and fading: the centre passes through blends of the two.
    WriteMovingShow({SolidBmp24(400, 300, RGB(255, 0, 0)), SolidBmp24(400, 300, RGB(0, 0, 255))});
    Settings s;
    s.fade = 1;
    s.Write();
    Saver saver("/s");
    saver.WaitFullScreen();
    const int x = ScreenWidth() / 2, y = ScreenHeight() / 2;
    E2E_REQUIRE(WaitPixel(x, y, RGB(255, 0, 0)), "the red picture did not show: %s",
                Describe(ScreenPixel(x, y)).c_str());
    saver.Tick();
    auto blend = [](COLORREF c) {
        return GetGValue(c) == 0 && GetRValue(c) > 0 && GetBValue(c) > 0 && GetRValue(c) < 255 &&
               GetBValue(c) < 255;
    };
    E2E_EXPECT(WaitUntil([&] { return blend(ScreenPixel(x, y)); }, 5000),
               "no blend of red and blue showed: %s", Describe(ScreenPixel(x, y)).c_str());
    E2E_EXPECT(WaitPixel(x, y, RGB(0, 0, 255)), "the fade did not end on blue: %s",
               Describe(ScreenPixel(x, y)).c_str());
}

E2E_CASE_WITH(motion_two_monitors_each_move, "monitors=2") {
    WriteMovingShow({GradientBmp(400, 300), GradientBmp(400, 300)});
    Saver saver("/s");
    saver.WaitFullScreen();
    const std::vector<RECT> monitors = ShowingOrderMonitors();
    E2E_REQUIRE(monitors.size() == 2, "%zu monitors, want 2", monitors.size());
    for (const RECT& m : monitors) {
        const POINT p{m.left + (m.right - m.left) / 8, m.top + (m.bottom - m.top) / 8};
        E2E_EXPECT(WaitUntil([&] { return ScreenPixel(p.x, p.y) != RGB(0, 0, 0); }, 8000),
                   "the monitor at %ld,%ld shows no picture", m.left, m.top);
        E2E_EXPECT(WaitAreaMoves(m), "the picture on the monitor at %ld,%ld does not move", m.left, m.top);
    }
}

E2E_CASE(motion_small_picture_drifts_inside_its_own_rectangle) {
    // Stretch off: a picture smaller than the screen keeps its own rectangle, and its drift stays
    // inside it: the rectangle's corners are picture throughout, the black around it stays black.
    WriteMovingShow({GradientBmp(200, 150)});
    Settings s;
    s.stretch = 0;
    s.Write();
    Saver saver("/s");
    saver.WaitFullScreen();
    const int x = ScreenWidth() / 2, y = ScreenHeight() / 2;
    E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(x, y) != RGB(0, 0, 0); }, 8000),
                "the picture did not show");
    E2E_REQUIRE(WaitAreaMoves(RECT{0, 0, ScreenWidth(), ScreenHeight()}), "the picture did not move");
    RECT r = CaptureScreen().BoundsNot(RGB(0, 0, 0));
    E2E_REQUIRE(r.right - r.left == 200 && r.bottom - r.top == 150, "the picture covers %s, want 200 x 150",
                Describe(r).c_str());
    const POINT inside[] = {
        {r.left, r.top}, {r.right - 1, r.top}, {r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}};
    const POINT outside[] = {
        {r.left - 1, r.top - 1}, {r.right, r.top - 1}, {r.left - 1, r.bottom}, {r.right, r.bottom}};
    const double end = NowMs() + 2000;
    while (NowMs() < end) {
        for (const POINT& p : inside)
            E2E_REQUIRE(ScreenPixel(p.x, p.y) != RGB(0, 0, 0), "the picture's corner (%ld, %ld) went black",
                        p.x, p.y);
        for (const POINT& p : outside)
            E2E_REQUIRE(ScreenPixel(p.x, p.y) == RGB(0, 0, 0), "the drift left its rectangle at (%ld, %ld)",
                        p.x, p.y);
    }
}
