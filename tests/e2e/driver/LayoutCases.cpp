// Where the full-screen window draws a picture on the 800 x 600 screen, read from the pixels.
#include "Driver.h"

using namespace e2e;

namespace {

constexpr COLORREF kPicture = RGB(200, 40, 40);

// Shows one solid picture full screen and checks the rectangle that it covers. `slack` allows
// each edge to be off by that many pixels (for scaling done by the graphics layer).
void CheckLayout(int width, int height, bool stretch, RECT want, int slack = 0) {
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\picture.bmp", SolidBmp24(width, height, kPicture));
    Settings s;
    s.delay = 120;
    s.stretch = stretch ? 1 : 0;
    s.caption = 0;
    s.folder = folder;
    s.Write();

    Saver saver("/s");
    saver.WaitFullScreen();
    int cx = (want.left + want.right) / 2, cy = (want.top + want.bottom) / 2;
    if (!WaitPixel(cx, cy, kPicture)) {
        SaveScreen("layout");
        E2E_REQUIRE(false, "%dx%d: the picture did not show at (%d, %d); pixel there is %s", width, height,
                    cx, cy, Describe(ScreenPixel(cx, cy)).c_str());
    }
    Shot shot = WaitStillScreen();
    RECT got = shot.Bounds(kPicture);
    RECT drawn = shot.BoundsNot(RGB(0, 0, 0));
    bool ok = std::abs(got.left - want.left) <= slack && std::abs(got.top - want.top) <= slack &&
              std::abs(got.right - want.right) <= slack && std::abs(got.bottom - want.bottom) <= slack;
    E2E_EXPECT(ok, "%dx%d stretch %s: picture at %s, want %s", width, height, stretch ? "on" : "off",
               Describe(got).c_str(), Describe(want).c_str());
    E2E_EXPECT(EqualRect(&got, &drawn), "%dx%d: something besides the picture was drawn: non-black area %s",
               width, height, Describe(drawn).c_str());
    int area = (got.right - got.left) * (got.bottom - got.top);
    E2E_EXPECT(shot.Count(kPicture) == area, "%dx%d: the picture rectangle is not solid: %d of %d pixels",
               width, height, shot.Count(kPicture), area);
    if (FailureCount()) SaveScreen("layout");
}

}  // namespace

E2E_CASE_WITH(layout_stretch_wide_picture, "x86") {
    // 600 x 1000 / 500 = 1200 > 800, so the width binds: 800 x 400 at (0, 100).
    CheckLayout(1000, 500, true, RECT{0, 100, 800, 500});
}

E2E_CASE(layout_stretch_enlarges) {
    // 640 x 480 has the screen's proportions: enlarged to 800 x 600.
    CheckLayout(640, 480, true, RECT{0, 0, 800, 600});
}

E2E_CASE(layout_too_wide_is_stretched_anyway) {
    // Stretch off, but 1024 > 800: 800 x 156 (200 x 800 / 1024 = 156.25) at (0, 222).
    CheckLayout(1024, 200, false, RECT{0, 222, 800, 378});
}

E2E_CASE(layout_small_picture_one_to_one) {
    // Stretch off: 1:1 at ((800 - 101) / 2, (600 - 51) / 2) = (349, 274).
    CheckLayout(101, 51, false, RECT{349, 274, 450, 325});
}

E2E_CASE(layout_small_picture_stretched) {
    // Stretch on, 101 x 51: w = 600 x 101 / 51 = 1188 > 800, so 800 x (51 x 800 / 101 = 403)
    // at (0, (600 - 403) / 2 = 98).
    CheckLayout(101, 51, true, RECT{0, 98, 800, 501});
}

E2E_CASE(layout_tall_picture_stretched) {
    // 300 x 900, stretch on: w = 600 x 300 / 900 = 200, h = 600, at (300, 0).
    CheckLayout(300, 900, true, RECT{300, 0, 500, 600});
}
