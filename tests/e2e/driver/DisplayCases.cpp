// What the saver makes of a display whose monitors do not fill their bounding rectangle: the
// two-monitor desk, A at (0, 0)-(800, 600) (primary) and B at (800, 0)-(1440, 480), whose
// virtual screen 1440 x 600 has a strip below B on no monitor.
#include "Driver.h"

using namespace e2e;

E2E_CASE_WITH(display_picture_of_the_whole_desk_is_laid_out_per_monitor, "monitors=2") {
    constexpr RECT kA{0, 0, 800, 600}, kB{800, 0, 1440, 480};
    constexpr COLORREF kRed = RGB(200, 40, 40), kBlack = RGB(0, 0, 0);
    const std::vector<RECT> monitors = ShowingOrderMonitors();
    E2E_REQUIRE(monitors.size() == 2 && EqualRect(&monitors[0], &kA) && EqualRect(&monitors[1], &kB),
                "this case needs the two-monitor desk A %s and B %s", Describe(kA).c_str(),
                Describe(kB).c_str());

    // A 1440 x 600 picture, stretched, is laid out on each monitor for its own size: 800 x 333 at
    // (0, 133) on A, 640 x 266 at (0, 107) of B. Laid out once over the whole window it would
    // fill both monitors from top to bottom. (The strip itself cannot be read: Wine hands back
    // stray bytes for pixels on no monitor.)
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\wide.bmp", SolidBmp24(1440, 600, kRed));
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 1;
    s.caption = 0;
    s.folder = folder;
    s.Write();
    Saver saver("/s");
    HWND hwnd = saver.WaitFullScreen();
    RECT window;
    GetWindowRect(hwnd, &window);
    const RECT desk{0, 0, 1440, 600};
    E2E_EXPECT(EqualRect(&window, &desk), "the window is %s, want %s", Describe(window).c_str(),
               Describe(desk).c_str());

    const RECT wantA{0, 133, 800, 466}, wantB{800, 107, 1440, 373};
    RECT onA{}, onB{};
    const bool ok = WaitUntil(
        [&] {
            const Shot a = Capture(kA), b = Capture(kB);
            onA = a.BoundsNot(kBlack);
            onB = b.BoundsNot(kBlack);
            return EqualRect(&onA, &wantA) && EqualRect(&onB, &wantB) && a.Count(kRed) == 800 * 333 &&
                   b.Count(kRed) == 640 * 266;
        },
        10000);
    if (!ok) SaveScreen("display");
    E2E_EXPECT(ok, "the picture is at %s on A and %s on B, want %s and %s", Describe(onA).c_str(),
               Describe(onB).c_str(), Describe(wantA).c_str(), Describe(wantB).c_str());
}
