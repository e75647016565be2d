// The full-screen saver on a desk of two monitors of different sizes side by side: the primary
// A at (0, 0)-(800, 600) and B at (800, 0)-(1440, 480), a virtual screen of 1440 x 600. One window
// covers both; each monitor shows its own slide, laid out for its own size.
#include <algorithm>
#include <cstdio>
#include <tuple>
#include <utility>

#include "Driver.h"

using namespace e2e;

namespace {

constexpr RECT kA{0, 0, 800, 600};
constexpr RECT kB{800, 0, 1440, 480};
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(200, 40, 40);
constexpr COLORREF kGreen = RGB(40, 180, 60);
constexpr COLORREF kBlue = RGB(40, 60, 200);

// Checks that the display is the two-monitor desk above, so that the expected places hold.
void RequireDesk() {
    RequireMonitors(2);
    std::vector<RECT> m = ShowingOrderMonitors();
    E2E_REQUIRE(m.size() == 2 && EqualRect(&m[0], &kA) && EqualRect(&m[1], &kB),
                "the monitors are %s and %s, want A %s (primary) and B %s", Describe(m[0]).c_str(),
                m.size() > 1 ? Describe(m[1]).c_str() : "none", Describe(kA).c_str(), Describe(kB).c_str());
}

void WriteShowSettings(const std::string& folder, bool stretch, bool caption) {
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = stretch ? 1 : 0;
    s.caption = caption ? 1 : 0;
    s.folder = folder;
    s.Write();
}

// Waits until both monitors' centres show the wanted colours; fails the case with what they show.
void WaitCentres(COLORREF onA, COLORREF onB, const char* when) {
    POINT a = Centre(kA), b = Centre(kB);
    bool ok = WaitUntil([&] { return ScreenPixel(a.x, a.y) == onA && ScreenPixel(b.x, b.y) == onB; }, 10000);
    if (!ok) {
        SaveScreen("monitors");
        E2E_REQUIRE(false, "%s: A shows %s (want %s), B shows %s (want %s)", when,
                    Describe(ScreenPixel(a.x, a.y)).c_str(), Describe(onA).c_str(),
                    Describe(ScreenPixel(b.x, b.y)).c_str(), Describe(onB).c_str());
    }
}

}  // namespace

E2E_CASE_WITH(monitors_window_covers_both_and_each_lays_out_for_its_size, "monitors=2 x86") {
    RequireDesk();
    struct Case {
        const char* what;
        int width, height;
        bool stretch;
        RECT onA, onB;
    };
    const Case cases[] = {
        // 1000 x 500 stretched: on A 800 x 400 at (0, 100); on B w = 480 x 1000 / 500 = 960 > 640,
        // so 640 x 320 at (0, 80) of B.
        {"wide, stretch on", 1000, 500, true, {0, 100, 800, 500}, {800, 80, 1440, 400}},
        // 300 x 900 stretched: on A 200 x 600 at (300, 0); on B 160 x 480 at (240, 0) of B.
        {"tall, stretch on", 300, 900, true, {300, 0, 500, 600}, {1040, 0, 1200, 480}},
        // 101 x 51 1:1: at (349, 274) on A, ((640 - 101) / 2, (480 - 51) / 2) = (269, 214) of B.
        {"small, stretch off", 101, 51, false, {349, 274, 450, 325}, {1069, 214, 1170, 265}},
        // 700 x 100 fits A (1:1) but not B: there 640 x (100 x 640 / 700 = 91) at (0, 194) of B.
        {"too wide for B only", 700, 100, false, {50, 250, 750, 350}, {800, 194, 1440, 285}},
    };
    for (const Case& c : cases) {
        // One entry: both monitors show it.
        std::string folder = MakeFolder(std::string("pics") + std::to_string(&c - cases));
        WriteFileBytes(folder + "\\picture.bmp", SolidBmp24(c.width, c.height, kRed));
        WriteShowSettings(folder, c.stretch, false);
        Saver saver("/s");
        HWND hwnd = saver.WaitFullScreen();
        RECT window;
        GetWindowRect(hwnd, &window);
        const RECT desk{0, 0, 1440, 600};
        E2E_EXPECT(EqualRect(&window, &desk), "%s: the window is %s, want %s", c.what,
                   Describe(window).c_str(), Describe(desk).c_str());
        E2E_EXPECT(saver.TopWindows().size() == 1, "%s: %zu top-level windows, want 1", c.what,
                   saver.TopWindows().size());
        WaitCentres(kRed, kRed, c.what);
        for (const auto& [name, monitor, want] : {std::tuple{"A", kA, c.onA}, std::tuple{"B", kB, c.onB}}) {
            // The picture and nothing else on the monitor: black everywhere else.
            bool ok = WaitUntil(
                [&] {
                    Shot shot = Capture(monitor);
                    RECT got = shot.Bounds(kRed), drawn = shot.BoundsNot(kBlack);
                    return EqualRect(&got, &want) && EqualRect(&drawn, &want);
                },
                3000);
            if (!ok) {
                Shot shot = Capture(monitor);
                RECT got = shot.Bounds(kRed), drawn = shot.BoundsNot(kBlack);
                E2E_EXPECT(false, "%s on %s: picture at %s, non-black %s, want %s", c.what, name,
                           Describe(got).c_str(), Describe(drawn).c_str(), Describe(want).c_str());
                SaveScreen("layout");
            }
        }
        saver.Post(WM_KEYDOWN, VK_SPACE, 0x00390001);
        saver.WaitExit(5000);
    }
}

E2E_CASE_WITH(monitors_take_entries_in_turn, "monitors=2 x86") {
    // p1, p2, p3 on A and B: p1 p2 when the window opens, then p3 p1, then p2 p3.
    RequireDesk();
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\p1.bmp", SolidBmp24(200, 150, kRed));
    WriteFileBytes(folder + "\\p2.bmp", SolidBmp24(200, 150, kGreen));
    WriteFileBytes(folder + "\\p3.bmp", SolidBmp24(200, 150, kBlue));
    WriteShowSettings(folder, false, false);
    Saver saver("/s");
    saver.WaitFullScreen();
    WaitCentres(kRed, kGreen, "at the start");
    saver.Tick();
    WaitCentres(kBlue, kRed, "after one tick");
    saver.Tick();
    WaitCentres(kGreen, kBlue, "after two ticks");
}

E2E_CASE_WITH(monitors_captions_stay_on_their_monitor, "monitors=2") {
    RequireDesk();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    {
        // Each picture's caption against an edge of its own monitor: 1000 x 500 stretched leaves
        // the margins above and below, so the bottom edge (y 600 on A, 480 on B).
        std::string folder = MakeFolder("edges");
        WriteFileBytes(folder + "\\p1.bmp", SolidBmp24(1000, 500, kRed));
        WriteText(folder + "\\p1.txt", "On the first monitor");
        WriteFileBytes(folder + "\\p2.bmp", SolidBmp24(1000, 500, kGreen));
        WriteText(folder + "\\p2.txt", "On the second monitor\r\ntwo lines");
        WriteShowSettings(folder, true, true);
        Saver saver("/s");
        saver.WaitFullScreen();
        WaitCentres(kRed, kGreen, "edges");
        for (const auto& [name, monitor] : {std::pair{"A", kA}, std::pair{"B", kB}}) {
            std::optional<RECT> box;
            WaitUntil([&] { return (box = FindCaptionBox(Capture(monitor))).has_value(); }, 3000);
            E2E_EXPECT(box, "no caption box on %s", name);
            if (!box) continue;
            E2E_EXPECT(Contains(monitor, *box) && box->bottom == monitor.bottom,
                       "the caption box of %s is at %s, want it inside %s against its bottom edge", name,
                       Describe(*box).c_str(), Describe(monitor).c_str());
        }
        saver.Post(WM_KEYDOWN, VK_SPACE, 0x00390001);
        saver.WaitExit(5000);
    }
    {
        // A box far wider than B: placed from B's right edge it reaches left past B's left edge,
        // where it would cover A. It is cut at B's edge: A shows its picture and nothing else.
        std::string folder = MakeFolder("wide");
        WriteFileBytes(folder + "\\p1.bmp", SolidBmp24(101, 51, kRed));
        WriteFileBytes(folder + "\\p2.bmp", SolidBmp24(101, 51, kGreen));
        WriteText(folder + "\\p2.txt", std::string(3000, 'W'));
        WriteShowSettings(folder, false, true);
        Saver saver("/s");
        saver.WaitFullScreen();
        WaitCentres(kRed, kGreen, "wide caption");
        E2E_EXPECT(WaitUntil([&] { return Capture(kB).Count(face) > 0; }, 3000), "no caption box on B");
        Shot a = Capture(kA);
        RECT drawn = a.BoundsNot(kBlack);
        const RECT picture{349, 274, 450, 325};
        E2E_EXPECT(EqualRect(&drawn, &picture) && a.Count(face) == 0,
                   "B's caption reached A: non-black on A %s, button-face pixels %d", Describe(drawn).c_str(),
                   a.Count(face));
        if (FailureCount()) SaveScreen("wide");
        saver.Post(WM_KEYDOWN, VK_SPACE, 0x00390001);
        saver.WaitExit(5000);
    }
    {
        // A picture that fails to load shows its failure box on its own monitor (captions off).
        std::string folder = MakeFolder("failure");
        WriteFileBytes(folder + "\\p1.bmp", SolidBmp24(101, 51, kRed));
        WriteText(folder + "\\p2.bmp", "not a picture");
        WriteShowSettings(folder, false, false);
        Saver saver("/s");
        saver.WaitFullScreen();
        std::optional<RECT> box;
        WaitUntil([&] { return (box = FindCaptionBox(Capture(kB))).has_value(); }, 5000);
        E2E_EXPECT(box && Contains(kB, *box), "the failure box of B's picture is %s, want it inside %s",
                   box ? Describe(*box).c_str() : "missing", Describe(kB).c_str());
        Shot a = Capture(kA);
        RECT drawn = a.BoundsNot(kBlack);
        const RECT picture{349, 274, 450, 325};
        E2E_EXPECT(EqualRect(&drawn, &picture), "A shows more than its picture: non-black %s",
                   Describe(drawn).c_str());
        if (FailureCount()) SaveScreen("failure");
    }
}

E2E_CASE_WITH(monitors_input_over_the_second_monitor_ends_once, "monitors=2") {
    RequireDesk();
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\p1.bmp", SolidBmp24(200, 150, kRed));
    WriteFileBytes(folder + "\\p2.bmp", SolidBmp24(200, 150, kGreen));
    WriteShowSettings(folder, false, false);
    // The pointer rests on B, away from B's picture's centre.
    const POINT rest{1200, 100};
    enum class How { PostedKey, RealKey, PostedClick, RealClick, RealMove };
    const std::pair<How, const char*> inputs[] = {
        {How::PostedKey, "a posted key"},
        {How::RealKey, "a key through SendInput"},
        {How::PostedClick, "a posted click over B"},
        {How::RealClick, "a click over B through SendInput"},
        {How::RealMove, "the pointer moved over B"},
    };
    for (const auto& [how, what] : inputs) {
        E2E_REQUIRE(ResetPointer(rest.x, rest.y), "%s: the pointer does not rest at (%ld, %ld)", what, rest.x,
                    rest.y);
        Saver saver("/s");
        saver.WaitFullScreen();
        WaitCentres(kRed, kGreen, what);
        E2E_EXPECT(saver.Running(), "%s: the saver ended before any input", what);
        INPUT in[2] = {};
        switch (how) {
        case How::PostedKey:
            saver.Post(WM_KEYDOWN, VK_SPACE, 0x00390001);
            break;
        case How::RealKey:
            SetForegroundWindow(saver.Window());
            in[0].type = in[1].type = INPUT_KEYBOARD;
            in[0].ki.wVk = in[1].ki.wVk = 'A';
            in[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, in, sizeof(INPUT));
            break;
        case How::PostedClick:
            saver.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rest.x, rest.y));
            break;
        case How::RealClick:
            in[0].type = in[1].type = INPUT_MOUSE;
            in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            SendInput(2, in, sizeof(INPUT));
            break;
        case How::RealMove: {
            // The first mouse move only records where the pointer is, and Wine's server merges
            // a move into the previous one while that is still unread: were Wine's move at
            // creation still queued, it and this real move would reach the saver as one first
            // move, at the new place, and end nothing. A move at the rest point, sent (so it is
            // handled before SendMessageTimeout returns), is recorded first whatever the order.
            POINT client = rest;
            ScreenToClient(saver.Window(), &client);
            DWORD_PTR ignored = 0;
            E2E_REQUIRE(SendMessageTimeoutA(saver.Window(), WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y),
                                            SMTO_NORMAL, 5000, &ignored),
                        "%s: the saver did not take a mouse move at the rest point", what);
            // Wine's move at creation may be the one the saver takes right after that answer: a
            // single SetCursorPos merged into it while it is being handled would be lost with it.
            // Two steps, the second after a round trip, as a hand moves a mouse.
            MovePointerInSteps(saver.Window(),
                               {POINT{rest.x + 10, rest.y + 5}, POINT{rest.x + 20, rest.y + 10}});
            break;
        }
        }
        ExpectEndsOnce(saver, what);
    }
}

namespace {

// Shrinks and moves the saver's window behind its back, then tells it the display changed: the
// window covers the virtual screen again, each slide where it was on the screen, and the pointer
// that has not moved on the screen does not end the saver.
void CheckDisplayChange(const RECT& desk, const RECT& primary, COLORREF afterTick) {
    std::string folder = MakeFolder("pics");
    // 400 x 300 1:1, centred on the primary monitor.
    WriteFileBytes(folder + "\\p1.bmp", SolidBmp24(400, 300, kRed));
    WriteFileBytes(folder + "\\p2.bmp", SolidBmp24(400, 300, kGreen));
    WriteFileBytes(folder + "\\p3.bmp", SolidBmp24(400, 300, kBlue));
    WriteShowSettings(folder, false, false);
    const POINT c = Centre(primary);
    const RECT picture{c.x - 200, c.y - 150, c.x + 200, c.y + 150};
    ResetPointer(c.x, c.y);
    Saver saver("/s");
    HWND hwnd = saver.WaitFullScreen();
    E2E_REQUIRE(WaitPixel(c.x, c.y, kRed), "the first picture did not show");

    // A smaller window whose corner sits 100, 50 into the picture: the pointer (the centre) is
    // still over it, and the picture stays where it is on the screen.
    const RECT moved{picture.left + 100, picture.top + 50, picture.right + 100, picture.bottom + 50};
    SetWindowPos(hwnd, nullptr, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    E2E_REQUIRE(WaitWindowRect(hwnd, moved), "the window was not moved to %s", Describe(moved).c_str());
    // Inside the moved window: the picture's own part red, the part past its right edge black.
    E2E_EXPECT(WaitPixel(picture.right - 10, picture.bottom - 10, kRed) &&
                   WaitPixel(picture.right + 50, picture.bottom + 20, kBlack),
               "in the moved window the picture is off its place: %s inside it, %s beside it",
               Describe(ScreenPixel(picture.right - 10, picture.bottom - 10)).c_str(),
               Describe(ScreenPixel(picture.right + 50, picture.bottom + 20)).c_str());

    // The pointer, resting where it was on the screen, as the moved window sees it: not a move.
    saver.Post(WM_MOUSEMOVE, 0, MAKELPARAM(c.x - moved.left, c.y - moved.top));
    saver.Post(WM_DISPLAYCHANGE, 24, MAKELPARAM(desk.right - desk.left, desk.bottom - desk.top));
    E2E_REQUIRE(WaitWindowRect(hwnd, desk), "after WM_DISPLAYCHANGE the window does not cover %s",
                Describe(desk).c_str());
    bool ok = WaitUntil(
        [&] {
            Shot shot = Capture(primary);
            RECT got = shot.Bounds(kRed);
            return EqualRect(&got, &picture);
        },
        3000);
    E2E_EXPECT(ok, "after the display change the picture is at %s, want %s",
               Describe(Capture(primary).Bounds(kRed)).c_str(), Describe(picture).c_str());
    saver.Post(WM_MOUSEMOVE, 0, MAKELPARAM(c.x - desk.left, c.y - desk.top));
    // The tick is handled after the mouse moves and after any close request they made: its
    // picture shows only if the saver is still there.
    saver.Tick();
    E2E_EXPECT(WaitPixel(c.x, c.y, afterTick), "the next tick did not show the next picture: %s",
               Describe(ScreenPixel(c.x, c.y)).c_str());
    E2E_EXPECT(saver.Running(), "the saver ended after the display change");
    if (FailureCount()) SaveScreen("display_change");
    SetCursorPos(c.x + 5, c.y);
    ExpectEndsOnce(saver, "the pointer moved after the display change");
}

}  // namespace

E2E_CASE(display_change_covers_the_screen_again) {
    // One monitor: p1, then p2.
    CheckDisplayChange(RECT{0, 0, ScreenWidth(), ScreenHeight()}, RECT{0, 0, ScreenWidth(), ScreenHeight()},
                       kGreen);
}

E2E_CASE_WITH(monitors_display_change_covers_both_again, "monitors=2") {
    RequireDesk();
    // Two monitors: p1 and p2, then p3 on the primary.
    CheckDisplayChange(RECT{0, 0, 1440, 600}, kA, kBlue);
}
