// Pictures in pairs (PairPortraits): two portraits share a wide screen side by side, two
// landscapes a tall one one above the other, each laid out and captioned in its own half.
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Driver.h"  // <windows.h> first

using namespace e2e;

namespace {

constexpr COLORREF kRed = RGB(220, 30, 30);
constexpr COLORREF kGreen = RGB(30, 200, 60);
constexpr COLORREF kBlue = RGB(40, 60, 220);
constexpr COLORREF kYellow = RGB(230, 210, 40);

// Sorted, 1:1, no fade, one screen a posted tick.
void WritePairShow(const std::string& folder, DWORD caption, DWORD random = 0) {
    Settings s;
    s.delay = 120;
    s.randomOrder = random;
    s.stretch = 0;
    s.caption = caption;
    s.pairPortraits = 1;
    s.folder = folder;
    s.Write();
}

// Where each colour is on the still screen, against where it should be; empty `want`: nowhere.
void ExpectAt(const Shot& shot, COLORREF colour, const RECT& want, const char* what) {
    const RECT got = shot.Bounds(colour);
    E2E_EXPECT(EqualRect(&got, &want), "%s at %s, want %s", what, Describe(got).c_str(),
               Describe(want).c_str());
    const int area = (want.right - want.left) * (want.bottom - want.top);
    E2E_EXPECT(shot.Count(colour) == area, "%s: %d pixels of it, want %d", what, shot.Count(colour), area);
}

// Random order: whatever the cycle, the two portraits always show together (the second brought
// forward to the first), each landscape alone, and every picture once a cycle. withoutIndex: the
// index's file is held open without sharing, so the show deals from its own list.
void CheckRandomPairs(bool withoutIndex) {
    // Closed however the case ends.
    struct Held {
        HANDLE h = INVALID_HANDLE_VALUE;
        ~Held() {
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
    } held;
    if (withoutIndex) {
        ForgetLibraryIndex();
        KeepLibraryIndexAcrossStarts();
        char local[MAX_PATH] = "";
        const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", local, sizeof local);
        E2E_REQUIRE(n > 0 && n < sizeof local, "LOCALAPPDATA is not set");
        const std::string own = std::string(local) + "\\Orvanta";
        CreateDirectoryA(own.c_str(), nullptr);
        held.h = CreateFileA((own + "\\Library.db").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        E2E_REQUIRE(held.h != INVALID_HANDLE_VALUE, "the index could not be held open");
    }
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(200, 400, kRed));
    WriteFileBytes(folder + "\\b.bmp", SolidBmp24(200, 400, kGreen));
    WriteFileBytes(folder + "\\c.bmp", SolidBmp24(300, 200, kBlue));
    WriteFileBytes(folder + "\\d.bmp", SolidBmp24(300, 200, kYellow));
    WritePairShow(folder, 0, 1);

    Saver saver("/s");
    saver.WaitFullScreen();
    const RECT leftPortrait{100, 100, 300, 500}, rightPortrait{500, 100, 700, 500},
        landscape{250, 200, 550, 400};
    // What a still screen shows: "P" the pair (either way round), "c" or "d" a landscape alone,
    // "?" anything else.
    const auto classify = [&](const Shot& shot) -> char {
        const RECT drawn = shot.BoundsNot(RGB(0, 0, 0));
        const RECT red = shot.Bounds(kRed), green = shot.Bounds(kGreen);
        const bool pair = (EqualRect(&red, &leftPortrait) && EqualRect(&green, &rightPortrait)) ||
                          (EqualRect(&red, &rightPortrait) && EqualRect(&green, &leftPortrait));
        if (pair && shot.Count(kRed) == 80000 && shot.Count(kGreen) == 80000 && drawn.left == 100 &&
            drawn.right == 700)
            return 'P';
        for (const auto& [colour, name] : {std::pair{kBlue, 'c'}, std::pair{kYellow, 'd'}}) {
            const RECT at = shot.Bounds(colour);
            if (EqualRect(&at, &landscape) && EqualRect(&drawn, &landscape) && shot.Count(colour) == 60000)
                return name;
        }
        return '?';
    };
    const auto nothing = [](const Shot& shot) { return shot.AllOf(RGB(0, 0, 0)); };
    E2E_REQUIRE(WaitUntil([] { return !CaptureScreen().AllOf(RGB(0, 0, 0)); }, 10000), "nothing showed");
    std::string screens;
    Shot last = WaitStillScreen();
    screens += classify(last);
    // Two cycles: three screens each.
    while (screens.size() < 6) {
        saver.Tick();
        // A new cycle may open with what the last one ended with only when the library is this
        // small; a screen that stays the same is counted once more after the wait.
        WaitUntil([&] { return CaptureScreen().pixels != last.pixels; }, 5000);
        last = WaitStillScreen();
        E2E_REQUIRE(!nothing(last), "a tick left the screen black");
        screens += classify(last);
    }
    E2E_EXPECT(screens.find('?') == std::string::npos, "screens %s: a portrait showed alone or out of place",
               screens.c_str());
    for (size_t cycle = 0; cycle < 2; ++cycle) {
        std::string three = screens.substr(cycle * 3, 3);
        std::sort(three.begin(), three.end());
        E2E_EXPECT(three == "Pcd", "cycle %zu showed %s, want the pair and each landscape once", cycle,
                   screens.substr(cycle * 3, 3).c_str());
    }
    if (FailureCount()) SaveScreen("random");
}

}  // namespace

E2E_CASE(pairs_two_portraits_side_by_side_then_a_landscape_alone) {
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(200, 400, kRed));
    WriteFileBytes(folder + "\\b.bmp", SolidBmp24(200, 400, kGreen));
    WriteFileBytes(folder + "\\c.bmp", SolidBmp24(300, 200, kBlue));
    WriteText(folder + "\\a.txt", "left");
    WriteText(folder + "\\b.txt", "right");
    WritePairShow(folder, 1);

    Saver saver("/s");
    saver.WaitFullScreen();
    // Each portrait centred 1:1 in its half of 800 x 600: (400 - 200) / 2 = 100 in from its
    // half's left, (600 - 400) / 2 = 100 down.
    E2E_REQUIRE(WaitPixel(200, 300, kRed) && WaitPixel(600, 300, kGreen),
                "no pair: %s at the left, %s at the right", Describe(ScreenPixel(200, 300)).c_str(),
                Describe(ScreenPixel(600, 300)).c_str());
    const Shot pair = WaitStillScreen();
    ExpectAt(pair, kRed, RECT{100, 100, 300, 500}, "the first portrait");
    ExpectAt(pair, kGreen, RECT{500, 100, 700, 500}, "the second portrait");
    // Each caption in its own half: the left half's box is a's, the right half's b's, and each
    // lies inside its half (the margins beside and below are equal: against the bottom edge).
    const std::optional<RECT> left = FindCaptionBox(Capture(RECT{0, 0, 400, 600}));
    const std::optional<RECT> right = FindCaptionBox(Capture(RECT{400, 0, 800, 600}));
    E2E_EXPECT(left && left->left >= 0 && left->right <= 400 && left->bottom == 600,
               "the first caption box is at %s", left ? Describe(*left).c_str() : "(none)");
    E2E_EXPECT(right && right->left >= 400 && right->right <= 800 && right->bottom == 600,
               "the second caption box is at %s", right ? Describe(*right).c_str() : "(none)");
    if (FailureCount()) SaveScreen("pair");

    // The landscape after them shows alone, centred on the whole screen, with no caption file.
    saver.Tick();
    E2E_REQUIRE(WaitPixel(400, 300, kBlue), "the landscape did not follow: %s",
                Describe(ScreenPixel(400, 300)).c_str());
    const Shot alone = WaitStillScreen();
    ExpectAt(alone, kBlue, RECT{250, 200, 550, 400}, "the landscape");
    const RECT drawn = alone.BoundsNot(RGB(0, 0, 0));
    const RECT blue = alone.Bounds(kBlue);
    E2E_EXPECT(EqualRect(&drawn, &blue), "besides the landscape something is drawn at %s",
               Describe(drawn).c_str());
    if (FailureCount()) SaveScreen("alone");
}

E2E_CASE_WITH(pairs_tall_screen_pairs_landscapes_one_above_the_other, "screen=600x800") {
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(400, 200, kRed));
    WriteFileBytes(folder + "\\b.bmp", SolidBmp24(400, 200, kGreen));
    WriteFileBytes(folder + "\\c.bmp", SolidBmp24(200, 300, kBlue));
    WritePairShow(folder, 0);
    E2E_REQUIRE(ScreenWidth() == 600 && ScreenHeight() == 800, "the screen is %d x %d, want 600 x 800",
                ScreenWidth(), ScreenHeight());

    Saver saver("/s");
    saver.WaitFullScreen();
    // Each landscape centred in its half of 600 x 800: 100 in, (400 - 200) / 2 = 100 down.
    E2E_REQUIRE(WaitPixel(300, 200, kRed) && WaitPixel(300, 600, kGreen), "no pair: %s above, %s below",
                Describe(ScreenPixel(300, 200)).c_str(), Describe(ScreenPixel(300, 600)).c_str());
    const Shot pair = WaitStillScreen();
    ExpectAt(pair, kRed, RECT{100, 100, 500, 300}, "the first landscape");
    ExpectAt(pair, kGreen, RECT{100, 500, 500, 700}, "the second landscape");
    if (FailureCount()) SaveScreen("pair");

    // A portrait on a tall screen shows alone.
    saver.Tick();
    E2E_REQUIRE(WaitPixel(300, 400, kBlue), "the portrait did not follow: %s",
                Describe(ScreenPixel(300, 400)).c_str());
    const Shot alone = WaitStillScreen();
    ExpectAt(alone, kBlue, RECT{200, 250, 400, 550}, "the portrait");
    E2E_EXPECT(alone.Count(kRed) == 0 && alone.Count(kGreen) == 0, "a landscape is still on show");
    if (FailureCount()) SaveScreen("alone");
}

E2E_CASE(pairs_random_order_brings_the_partner_forward) { CheckRandomPairs(false); }

// The same from the show's own list, as without an index (a read-only profile, say).
E2E_CASE(pairs_random_order_without_an_index_brings_the_partner_forward) { CheckRandomPairs(true); }

// The box stores its value, and the dialog's preview follows it: with it on, the next screen
// shows both portraits, each in its half of the preview.
E2E_CASE(pairs_dialog_box_stores_and_the_preview_follows) {
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(200, 400, kRed));
    WriteFileBytes(folder + "\\b.bmp", SolidBmp24(200, 400, kGreen));
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 0;
    s.folder = folder;
    s.Write();
    Saver saver("/c");
    HWND dlg = saver.WaitWindow("#32770");
    E2E_REQUIRE(dlg, "the settings dialog did not show");
    HWND box = GetDlgItem(dlg, 1023);
    E2E_REQUIRE(box, "the dialog has no box 1023");
    char text[64] = "";
    GetWindowTextA(box, text, sizeof text);
    E2E_EXPECT(std::string(text) == "&Pair Portrait Pictures", "box 1023 reads '%s'", text);
    E2E_EXPECT(SendMessageA(box, BM_GETCHECK, 0, 0) == BST_UNCHECKED,
               "box 1023 shows checked for a fresh user");
    const HWND preview = FindPreview(dlg);
    E2E_REQUIRE(preview, "the dialog has no preview window");
    const RECT r = ClientOnScreen(preview);
    const RECT leftHalf{r.left, r.top, (r.left + r.right) / 2, r.bottom};
    const RECT rightHalf{(r.left + r.right) / 2, r.top, r.right, r.bottom};
    const auto has = [](const Shot& shot, COLORREF c) { return shot.Count(c) > 0; };
    // Off: one portrait alone, in the middle of the preview.
    E2E_REQUIRE(WaitUntil([&] { return has(Capture(r), kRed); }, 8000), "the preview shows no picture");
    const Shot single = WaitStill(r);
    E2E_EXPECT(!has(single, kGreen), "with the box off the preview shows both portraits");

    PostMessageA(box, BM_CLICK, 0, 0);
    E2E_REQUIRE(WaitUntil([&] { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000),
                "box 1023 did not take the click");
    // The screen on show stays; the next one comes in pairs. (The dialog's preview runs its own
    // timer 1; a posted one is the next tick.) The first tick may still show what was prepared
    // before the click.
    bool paired = false;
    for (int tick = 0; tick < 3 && !paired; ++tick) {
        PostMessageA(preview, WM_TIMER, 1, 0);
        paired = WaitUntil(
            [&] {
                const Shot left = Capture(leftHalf), right = Capture(rightHalf);
                return has(left, kRed) && !has(left, kGreen) && has(right, kGreen) && !has(right, kRed);
            },
            3000);
    }
    E2E_EXPECT(paired, "the preview does not show the two portraits side by side");
    if (!paired) SaveScreen("preview");

    PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    auto code = saver.WaitExit(10000);
    E2E_EXPECT(code && *code == 0, "the dialog did not end with 0 after OK");
    E2E_EXPECT(ReadDword("PairPortraits") == 1u, "PairPortraits is not the DWORD 1 after the box");
}

// Every monitor pairs on its own: the primary takes the first two portraits, the second monitor
// the next two, each pair in the halves of its own monitor.
E2E_CASE_WITH(pairs_each_monitor_its_own_pair, "monitors=2") {
    RequireMonitors(2);
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(200, 400, kRed));
    WriteFileBytes(folder + "\\b.bmp", SolidBmp24(200, 400, kGreen));
    WriteFileBytes(folder + "\\c.bmp", SolidBmp24(200, 400, kBlue));
    WriteFileBytes(folder + "\\d.bmp", SolidBmp24(200, 400, kYellow));
    WritePairShow(folder, 0);
    const std::vector<RECT> monitors = ShowingOrderMonitors();
    const RECT& first = monitors[0];
    const RECT& second = monitors[1];
    E2E_REQUIRE(first.right - first.left == 800 && second.right - second.left == 640,
                "monitors %s and %s, want 800 x 600 first and 640 x 480", Describe(first).c_str(),
                Describe(second).c_str());

    Saver saver("/s");
    saver.WaitFullScreen();
    // 640 x 480 in halves of 320: each portrait 60 in from its half's left, 40 down.
    const RECT c{second.left + 60, second.top + 40, second.left + 260, second.top + 440};
    const RECT d{second.left + 380, second.top + 40, second.left + 580, second.top + 440};
    E2E_REQUIRE(WaitPixel(first.left + 200, 300, kRed) && WaitPixel(first.left + 600, 300, kGreen) &&
                    WaitPixel((c.left + c.right) / 2, 240, kBlue) &&
                    WaitPixel((d.left + d.right) / 2, 240, kYellow),
                "the monitors do not show a pair each");
    // Each monitor read on its own: what lies outside both is no screen's.
    WaitStill(VirtualScreenRect());
    const Shot one = Capture(first), two = Capture(second);
    ExpectAt(one, kRed, RECT{first.left + 100, 100, first.left + 300, 500}, "a");
    ExpectAt(one, kGreen, RECT{first.left + 500, 100, first.left + 700, 500}, "b");
    ExpectAt(two, kBlue, c, "c");
    ExpectAt(two, kYellow, d, "d");
    if (FailureCount()) SaveScreen("monitors");
}

// Pan and zoom: each picture of a pair drifts inside its own half; nothing of it reaches the
// other half.
E2E_CASE(pairs_pan_and_zoom_each_half_moves_within_itself) {
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", GradientBmp(200, 400));
    WriteFileBytes(folder + "\\b.bmp", SolidBmp24(200, 400, kGreen));
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 0;
    s.caption = 0;
    s.pairPortraits = 1;
    s.panAndZoom = 1;
    s.folder = folder;
    s.Write();

    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_REQUIRE(WaitPixel(600, 300, kGreen), "the second portrait did not show: %s",
                Describe(ScreenPixel(600, 300)).c_str());
    const RECT leftHalf{0, 0, 400, 600}, rightHalf{400, 0, 800, 600};
    E2E_REQUIRE(WaitUntil([&] { return !Capture(leftHalf).AllOf(RGB(0, 0, 0)); }, 10000),
                "the first portrait did not show");
    const Shot before = Capture(leftHalf);
    E2E_EXPECT(WaitUntil([&] { return Capture(leftHalf).pixels != before.pixels; }, 8000),
               "the first portrait does not move");
    // Several frames apart: the gradient (never black) stays inside the left picture's place, and
    // the right half holds the green picture alone, where it stands.
    for (int frame = 0; frame < 5; ++frame) {
        const Shot left = Capture(leftHalf), right = Capture(rightHalf);
        const RECT drawn = left.BoundsNot(RGB(0, 0, 0));
        E2E_EXPECT(drawn.left >= 100 && drawn.top >= 100 && drawn.right <= 300 && drawn.bottom <= 500,
                   "frame %d: the first portrait reaches %s", frame, Describe(drawn).c_str());
        const RECT other = right.BoundsNot(RGB(0, 0, 0));
        const RECT green = right.Bounds(kGreen);
        E2E_EXPECT(EqualRect(&other, &green) && green.left >= 500 && green.right <= 700,
                   "frame %d: the right half shows %s besides green at %s", frame, Describe(other).c_str(),
                   Describe(green).c_str());
        const Shot last = left;
        WaitUntil([&] { return Capture(leftHalf).pixels != last.pixels; }, 2000);
    }
    if (FailureCount()) SaveScreen("moving");
}
