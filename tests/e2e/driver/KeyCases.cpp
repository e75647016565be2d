// The browsing keys of the full-screen show (BrowseKeys on): Right and Page Down step forward,
// Left and Page Up back through what the run has shown, Space pauses with a sign in the corner,
// H hides a picture for good (kept in the library index, brought back by the dialog's button),
// and every other key still closes the saver. With the box off every key closes it, as the input
// cases check.

#include "../../../src/resources/resource.h"
#include "Driver.h"

using namespace e2e;

namespace {

constexpr COLORREF kA = RGB(200, 40, 40);
constexpr COLORREF kB = RGB(40, 160, 60);
constexpr COLORREF kC = RGB(40, 60, 200);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// WM_KEYDOWN's lParam for a fresh press: repeat count 1, the key's scan code, extended for the
// arrows and page keys. A held key's repeats have bit 30 set as well.
constexpr LPARAM kRight = 0x014D0001, kLeft = 0x014B0001, kPageDown = 0x01510001, kPageUp = 0x01490001;
constexpr LPARAM kSpace = 0x00390001, kH = 0x00230001, kEscape = 0x00010001;
constexpr LPARAM kRepeat = 0x40000000;

// a.bmp, b.bmp, c.bmp (or the first `count` of them) in name order, one step a key, no fades.
void WriteKeyShow(int count = 3) {
    const std::string folder = MakeFolder("pics");
    const COLORREF colours[] = {kA, kB, kC};
    const char* names[] = {"\\a.bmp", "\\b.bmp", "\\c.bmp"};
    for (int i = 0; i < count; ++i)
        WriteFileBytes(folder + names[i], SolidBmp24(320, 240, colours[i]));
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 0;  // centred at their own size: the pause sign's corner is black without it
    s.browseKeys = 1;
    s.folder = folder;
    s.Write();
}

void Start(Saver& saver, COLORREF first) {
    saver.WaitFullScreen();
    E2E_REQUIRE(WaitPixel(400, 300, first), "the first picture did not show: %s at the centre",
                Describe(ScreenPixel(400, 300)).c_str());
}

void Press(Saver& saver, WPARAM vk, LPARAM l) { saver.Post(WM_KEYDOWN, vk, l); }

void Expect(COLORREF want, const char* what) {
    E2E_EXPECT(WaitPixel(400, 300, want, 5000), "%s: %s at the centre, want %s", what,
               Describe(ScreenPixel(400, 300)).c_str(), Describe(want).c_str());
}

// Inside the pause sign's left bar: the sign is a square of a twentieth of the screen's height,
// half its side in from the top right corner.
POINT MarkPoint() {
    E2E_REQUIRE(ScreenHeight() == 600, "the sign's place is worked out for a 600-pixel screen");
    return POINT{ScreenWidth() - 36, 30};
}

// How many pictures the index keeps hidden, and whether `name` is one; -1 when it cannot be read.
int HiddenCount(const char* name = nullptr) {
    const std::optional<long long> count =
        IndexValue("SELECT count(*) FROM picture WHERE hidden <> 0 AND (?1 IS NULL OR name = ?1)", name);
    return count ? static_cast<int>(*count) : -1;
}

// Steps with Right `steps` times, each time waiting for the picture to change; whether `colour`
// showed on the way.
bool ShowsOnTheWay(Saver& saver, COLORREF colour, int steps) {
    bool seen = ScreenPixel(400, 300) == colour;
    for (int i = 0; i < steps && !seen; ++i) {
        const COLORREF before = ScreenPixel(400, 300);
        Press(saver, VK_RIGHT, kRight);
        const std::optional<COLORREF> now = WaitPixelChange(400, 300, before, 5000);
        E2E_EXPECT(now, "step %d: the picture did not change", i);
        if (!now) return seen;
        seen = *now == colour;
    }
    return seen;
}

}  // namespace

E2E_CASE(keys_step_back_forward_pause_and_escape) {
    WriteKeyShow();
    ResetPointer();
    Saver saver("/s");
    Start(saver, kA);
    Press(saver, VK_RIGHT, kRight);
    Expect(kB, "Right");
    Press(saver, VK_RIGHT, kRight);
    Expect(kC, "Right again");
    Press(saver, VK_LEFT, kLeft);
    Expect(kB, "Left");
    Press(saver, VK_LEFT, kLeft);
    Expect(kA, "Left again");
    // Past the start of the history nothing happens: the next Right is the history's second deal.
    Press(saver, VK_LEFT, kLeft);
    Press(saver, VK_RIGHT, kRight);
    Expect(kB, "Left at the start, then Right");
    Press(saver, VK_NEXT, kPageDown);
    Expect(kC, "Page Down through the history");
    Press(saver, VK_NEXT, kPageDown);
    Expect(kA, "Page Down past the history: the next new picture");
    Press(saver, VK_PRIOR, kPageUp);
    Expect(kC, "Page Up");

    // Space: the sign shows; a tick on its way is let go; a step still comes.
    const POINT mark = MarkPoint();
    Press(saver, VK_SPACE, kSpace);
    E2E_EXPECT(WaitPixel(mark.x, mark.y, kWhite, 5000), "no pause sign: %s at (%ld, %ld)",
               Describe(ScreenPixel(mark.x, mark.y)).c_str(), mark.x, mark.y);
    saver.Tick();
    Press(saver, VK_RIGHT, kRight);
    Press(saver, VK_SPACE, kSpace);
    E2E_EXPECT(WaitPixel(mark.x, mark.y, kBlack, 5000), "the pause sign stays after the second Space: %s",
               Describe(ScreenPixel(mark.x, mark.y)).c_str());
    Expect(kA, "a tick while paused, then Right");

    // A held key: one fresh press and a burst of repeats make one step. The pause sign then
    // marks the point where every key before it has been taken.
    Press(saver, VK_RIGHT, kRight);
    for (int i = 0; i < 6; ++i)
        Press(saver, VK_RIGHT, kRight | kRepeat);
    Press(saver, VK_SPACE, kSpace);
    E2E_EXPECT(WaitPixel(mark.x, mark.y, kWhite, 5000), "no pause sign after the held key");
    Shot still = WaitStillScreen();
    E2E_EXPECT(still.At(400, 300) == kB, "a held Right went on to %s, want one step to %s",
               Describe(still.At(400, 300)).c_str(), Describe(kB).c_str());

    E2E_EXPECT(saver.Running(), "the browsing keys ended the saver");
    Press(saver, VK_ESCAPE, kEscape);
    ExpectEndsOnce(saver, "Esc with the browsing keys on");
}

E2E_CASE(keys_hide_is_for_good_until_the_dialog_clears_it) {
    ForgetLibraryIndex();
    KeepLibraryIndexAcrossStarts();
    WriteKeyShow();
    ResetPointer();
    {
        Saver saver("/s");
        Start(saver, kA);
        Press(saver, 'H', kH);
        Expect(kB, "H: the next at once");
        E2E_EXPECT(WaitUntil([] { return HiddenCount("a.bmp") == 1; }, 5000),
                   "the index did not keep a.bmp hidden");
        Press(saver, VK_RIGHT, kRight);
        Expect(kC, "Right after H");
        Press(saver, VK_RIGHT, kRight);
        Expect(kB, "the list wraps past the hidden picture");
        Press(saver, VK_ESCAPE, kEscape);
        ExpectEndsOnce(saver, "Esc");
    }
    {
        Saver saver("/s");
        saver.WaitFullScreen();
        E2E_EXPECT(WaitUntil([] { return ScreenPixel(400, 300) != kBlack; }, 10000),
                   "the next run shows nothing");
        E2E_EXPECT(!ShowsOnTheWay(saver, kA, 4), "the hidden picture showed in the next run");
        Press(saver, VK_ESCAPE, kEscape);
        ExpectEndsOnce(saver, "Esc in the next run");
    }
    {
        // The dialog's button brings every hidden picture back, at once and only once.
        Saver dialog("/c");
        HWND dlg = dialog.WaitWindow("#32770");
        E2E_REQUIRE(dlg, "no settings dialog");
        HWND button = GetDlgItem(dlg, IDC_SHOW_HIDDEN);
        E2E_REQUIRE(button && IsWindowEnabled(button), "no enabled button %d", IDC_SHOW_HIDDEN);
        PostMessageA(button, BM_CLICK, 0, 0);
        E2E_EXPECT(WaitUntil([&] { return !IsWindowEnabled(button); }, 5000), "the button stays enabled");
        E2E_EXPECT(HiddenCount() == 0, "%d pictures still hidden after the button", HiddenCount());
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        E2E_EXPECT(dialog.WaitExit(10000), "the dialog did not end");
    }
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_EXPECT(WaitUntil([] { return ScreenPixel(400, 300) != kBlack; }, 10000),
               "the third run shows nothing");
    E2E_EXPECT(ShowsOnTheWay(saver, kA, 3), "the picture shown again did not come back");
    Press(saver, VK_ESCAPE, kEscape);
    ExpectEndsOnce(saver, "Esc in the third run");
}

E2E_CASE(keys_hide_the_last_picture_leaves_the_screen_black) {
    ForgetLibraryIndex();
    WriteKeyShow(1);
    ResetPointer();
    Saver saver("/s");
    Start(saver, kA);
    Press(saver, 'H', kH);
    E2E_EXPECT(WaitPixel(400, 300, kBlack, 5000), "the hidden last picture stays: %s",
               Describe(ScreenPixel(400, 300)).c_str());
    // Nothing is said: a black screen, no box, the saver still there; a tick changes nothing.
    saver.Tick();
    Shot shot = WaitStillScreen();
    E2E_EXPECT(shot.AllOf(kBlack), "the screen is not all black after the last picture went");
    E2E_EXPECT(saver.Running(), "the saver ended");
    Press(saver, VK_ESCAPE, kEscape);
    ExpectEndsOnce(saver, "Esc on the black screen");
}

E2E_CASE(keys_pause_stops_the_motion_where_it_stands) {
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", GradientBmp(400, 300));
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 1;
    s.caption = 0;
    s.panAndZoom = 1;
    s.browseKeys = 1;
    s.folder = folder;
    s.Write();
    ResetPointer();
    Saver saver("/s");
    saver.WaitFullScreen();
    const POINT probe{ScreenWidth() / 3, ScreenHeight() / 3};
    E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(probe.x, probe.y) != kBlack; }, 10000), "no picture");
    E2E_REQUIRE(WaitPixelChange(probe.x, probe.y, ScreenPixel(probe.x, probe.y), 8000),
                "the picture does not move");

    const POINT mark = MarkPoint();
    Press(saver, VK_SPACE, kSpace);
    E2E_EXPECT(WaitPixel(mark.x, mark.y, kWhite, 5000), "no pause sign over the moving picture: %s",
               Describe(ScreenPixel(mark.x, mark.y)).c_str());
    // The last frame stands: for two seconds (a hundred frames' worth of drift) nothing changes.
    const RECT area{probe.x - 50, probe.y - 50, probe.x + 50, probe.y + 50};
    const Shot paused = WaitStill(area);
    const bool moved = WaitUntil([&] { return Capture(area).pixels != paused.pixels; }, 2000);
    E2E_EXPECT(!moved, "the picture went on moving while paused");

    Press(saver, VK_SPACE, kSpace);
    E2E_EXPECT(WaitUntil([&] { return Capture(area).pixels != paused.pixels; }, 8000),
               "the picture did not move again after the second Space");
    E2E_EXPECT(saver.Running(), "the saver ended");
    Press(saver, VK_ESCAPE, kEscape);
    ExpectEndsOnce(saver, "Esc during the motion");
}
