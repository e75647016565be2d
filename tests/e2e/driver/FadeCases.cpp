// Crossfades between slides: the centre passing through blends of the old and new pictures, the
// first picture fading in from black, a key or a tick during a fade, the failure box at the end of
// its fade, the hard cut with fades off and on a palette display, two monitors, the settings
// dialog's box and preview, and GDI objects over many fades.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "Driver.h"  // <windows.h> first

#include "../../../src/resources/resource.h"

using namespace e2e;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A folder of solid pictures in sorted order (a.bmp, b.bmp, ...), each stretched over the screen,
// and settings with fades on or off, sorted, no captions, no timer in the way.
std::string WriteShow(const std::vector<COLORREF>& colours, DWORD fade) {
    const std::string folder = MakeFolder("pics");
    for (size_t i = 0; i < colours.size(); ++i)
        WriteFileBytes(folder + "\\" + std::string(1, char('a' + i)) + ".bmp",
                       SolidBmp24(160, 120, colours[i]));
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 1;
    s.caption = 0;
    s.fade = fade;
    s.folder = folder;
    s.Write();
    return folder;
}

// Whether c is a blend of `from` and `to` by GDI's rounding: every channel between the two, and
// all of them at about the same weight.
bool IsBlend(COLORREF c, COLORREF from, COLORREF to) {
    int weight = -1;
    const int shifts[] = {0, 8, 16};
    for (int shift : shifts) {
        const int f = (from >> shift) & 0xFF, t = (to >> shift) & 0xFF, v = (c >> shift) & 0xFF;
        if (v < std::min(f, t) || v > std::max(f, t)) return false;
        if (f == t) continue;
        const int w = (v - f) * 255 / (t - f);
        if (weight >= 0 && std::abs(w - weight) > 3) return false;
        weight = w;
    }
    return true;
}
bool IsStrictBlend(COLORREF c, COLORREF from, COLORREF to) {
    return c != from && c != to && IsBlend(c, from, to);
}

// The values a screen pixel takes, in order, each once when it holds for several reads, until
// `done` holds for the last value or timeoutMs passes.
template <class Done>
std::vector<COLORREF> Watch(POINT p, Done done, DWORD timeoutMs = 5000) {
    std::vector<COLORREF> seen;
    const double end = NowMs() + timeoutMs;
    while (NowMs() < end) {
        const COLORREF c = ScreenPixel(p.x, p.y);
        if (seen.empty() || seen.back() != c) seen.push_back(c);
        if (done(c)) break;
    }
    return seen;
}

std::string DescribeAll(const std::vector<COLORREF>& seen) {
    std::string text;
    for (size_t i = 0; i < seen.size() && i < 40; ++i)
        text += (i ? " " : "") + Describe(seen[i]);
    if (seen.size() > 40) text += " ...";
    return text;
}

// Every value is a blend of `from` and `to`, moving only towards `to`, with `least` of them strictly
// between the two.
void ExpectFade(const std::vector<COLORREF>& seen, COLORREF from, COLORREF to, size_t least,
                const char* what) {
    size_t between = 0;
    int lastDistance = 256 * 3;
    for (COLORREF c : seen) {
        E2E_EXPECT(IsBlend(c, from, to), "%s: %s is no blend of %s and %s; seen %s", what,
                   Describe(c).c_str(), Describe(from).c_str(), Describe(to).c_str(),
                   DescribeAll(seen).c_str());
        const int distance = std::abs(GetRValue(c) - GetRValue(to)) + std::abs(GetGValue(c) - GetGValue(to)) +
                             std::abs(GetBValue(c) - GetBValue(to));
        E2E_EXPECT(distance <= lastDistance, "%s: %s goes back towards %s; seen %s", what,
                   Describe(c).c_str(), Describe(from).c_str(), DescribeAll(seen).c_str());
        lastDistance = distance;
        if (IsStrictBlend(c, from, to)) ++between;
    }
    E2E_EXPECT(between >= least, "%s: %zu values between %s and %s, want at least %zu; seen %s", what,
               between, Describe(from).c_str(), Describe(to).c_str(), least, DescribeAll(seen).c_str());
    E2E_EXPECT(!seen.empty() && seen.back() == to, "%s: ends on %s, want %s; seen %s", what,
               seen.empty() ? "nothing" : Describe(seen.back()).c_str(), Describe(to).c_str(),
               DescribeAll(seen).c_str());
}

POINT ScreenCentre() { return {ScreenWidth() / 2, ScreenHeight() / 2}; }

// Waits for the full-screen window and for `first` at the screen's centre, which it returns.
POINT WaitFirstAtCentre(Saver& saver, COLORREF first) {
    saver.WaitFullScreen();
    const POINT centre = ScreenCentre();
    E2E_REQUIRE(WaitPixel(centre.x, centre.y, first), "the first picture did not show: %s",
                Describe(ScreenPixel(centre.x, centre.y)).c_str());
    return centre;
}

}  // namespace

E2E_CASE_WITH(fade_centre_passes_through_blends, "x86") {
    WriteShow({kRed, kBlue}, 1);
    Saver saver("/s");
    const POINT centre = ScreenCentre();
    // The first picture fades in from black: the window's first frames may pass unseen while it
    // comes up, so only the end and the way there are checked.
    std::vector<COLORREF> seen = Watch(centre, [](COLORREF c) { return c == kRed; });
    saver.WaitFullScreen();
    ExpectFade(seen, kBlack, kRed, 0, "fade-in");
    E2E_REQUIRE(ScreenPixel(centre.x, centre.y) == kRed, "the first picture did not show");

    const double ticked = NowMs();
    saver.Tick();
    seen = Watch(centre, [](COLORREF c) { return c == kBlue; });
    Note("red to blue: %zu values in %.0f ms from the tick", seen.size(), NowMs() - ticked);
    // Red, then at 60 frames a second dozens of blends; a handful is plenty to tell from a cut.
    ExpectFade(seen, kRed, kBlue, 5, "red to blue");
    const Shot still = WaitStillScreen();
    E2E_EXPECT(still.AllOf(kBlue), "after the fade the screen is not all blue: other pixels at %s",
               Describe(still.BoundsNot(kBlue)).c_str());
}

E2E_CASE(fade_off_cuts_straight) {
    WriteShow({kRed, kBlue}, 0);
    Saver saver("/s");
    saver.WaitFullScreen();
    const POINT centre = ScreenCentre();
    std::vector<COLORREF> seen = Watch(centre, [](COLORREF c) { return c == kRed; });
    E2E_REQUIRE(!seen.empty() && seen.back() == kRed, "the first picture did not show: %s",
                DescribeAll(seen).c_str());
    saver.Tick();
    seen = Watch(centre, [](COLORREF c) { return c == kBlue; });
    // The cut erases to black and draws: red, perhaps black, blue; never a blend.
    for (COLORREF c : seen)
        E2E_EXPECT(c == kRed || c == kBlack || c == kBlue, "with fades off the centre showed %s; seen %s",
                   Describe(c).c_str(), DescribeAll(seen).c_str());
    E2E_EXPECT(seen.back() == kBlue, "the second picture did not show: %s", DescribeAll(seen).c_str());
}

E2E_CASE_WITH(fade_key_ends_saver, "x86") {
    WriteShow({kRed, kBlue}, 1);
    Saver saver("/s");
    const POINT centre = WaitFirstAtCentre(saver, kRed);
    saver.Tick();
    E2E_REQUIRE(WaitUntil([&] { return IsStrictBlend(ScreenPixel(centre.x, centre.y), kRed, kBlue); }, 5000),
                "no blend of red and blue showed after the tick: %s",
                Describe(ScreenPixel(centre.x, centre.y)).c_str());
    const double pressed = NowMs();
    saver.Post(WM_KEYDOWN, VK_SPACE, 1);
    ExpectEndsOnce(saver, "a key during a fade");
    Note("a key during a fade ended the saver after %.0f ms", NowMs() - pressed);
}

E2E_CASE(fade_tick_during_fade_finishes_it_first) {
    // Red, green, blue: a fade from red to green has no blue in it, and one from green to blue no
    // red. A second tick during the first fade shows green whole and fades from there to blue, so
    // once blue has begun no red comes back.
    WriteShow({kRed, kGreen, kBlue}, 1);
    Saver saver("/s");
    const POINT centre = WaitFirstAtCentre(saver, kRed);
    saver.Tick();
    E2E_REQUIRE(WaitUntil([&] { return IsStrictBlend(ScreenPixel(centre.x, centre.y), kRed, kGreen); }, 5000),
                "no blend of red and green showed after the tick: %s",
                Describe(ScreenPixel(centre.x, centre.y)).c_str());
    saver.Tick();
    std::vector<COLORREF> seen = Watch(centre, [](COLORREF c) { return c == kBlue; });
    auto firstBlue = std::find_if(seen.begin(), seen.end(), [](COLORREF c) { return GetBValue(c) != 0; });
    E2E_REQUIRE(firstBlue != seen.end(), "blue never began: %s", DescribeAll(seen).c_str());
    for (auto it = seen.begin(); it != firstBlue; ++it)
        E2E_EXPECT(IsBlend(*it, kRed, kGreen), "before blue: %s is no blend of red and green; seen %s",
                   Describe(*it).c_str(), DescribeAll(seen).c_str());
    ExpectFade(std::vector<COLORREF>(firstBlue, seen.end()), kGreen, kBlue, 0, "green to blue");
}

E2E_CASE(fade_next_starts_from_the_screen_on_show) {
    // The window keeps the last fade's new screen as the next fade's old one, and paints from it
    // between fades. After red to green and a repaint, the screen is still all green, and the
    // fade to blue starts from green: a red in it would be a stale screen.
    WriteShow({kRed, kGreen, kBlue}, 1);
    Saver saver("/s");
    const POINT centre = WaitFirstAtCentre(saver, kRed);
    saver.Tick();
    E2E_REQUIRE(WaitPixel(centre.x, centre.y, kGreen), "the second picture did not show: %s",
                Describe(ScreenPixel(centre.x, centre.y)).c_str());
    RedrawWindow(saver.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const Shot still = WaitStillScreen();
    E2E_EXPECT(still.AllOf(kGreen), "after a repaint the screen is not all green: other pixels at %s",
               Describe(still.BoundsNot(kGreen)).c_str());
    saver.Tick();
    ExpectFade(Watch(centre, [](COLORREF c) { return c == kBlue; }), kGreen, kBlue, 5, "green to blue");
}

E2E_CASE(fade_failure_box_at_end_of_fade) {
    const std::string folder = WriteShow({kRed}, 1);
    WriteText(folder + "\\b.bmp", "damaged");
    Saver saver("/s");
    saver.WaitFullScreen();
    // Away from the edges, where the box goes.
    const POINT probe{ScreenWidth() / 4, ScreenHeight() / 4};
    E2E_REQUIRE(WaitPixel(probe.x, probe.y, kRed), "the first picture did not show: %s",
                Describe(ScreenPixel(probe.x, probe.y)).c_str());
    saver.Tick();
    // Half way the picture is fading to black and no box is on the screen yet.
    bool sawHalf = WaitUntil(
        [&] {
            const COLORREF c = ScreenPixel(probe.x, probe.y);
            return IsStrictBlend(c, kRed, kBlack) && GetRValue(c) < 200 && GetRValue(c) > 40;
        },
        5000);
    E2E_REQUIRE(sawHalf, "no half-way blend of red and black: %s",
                Describe(ScreenPixel(probe.x, probe.y)).c_str());
    const Shot during = CaptureScreen();
    const COLORREF stillFading = ScreenPixel(probe.x, probe.y);
    if (IsStrictBlend(stillFading, kRed, kBlack))
        E2E_EXPECT(!FindCaptionBox(during), "the failure box showed during the fade, at %s",
                   Describe(*FindCaptionBox(during)).c_str());
    E2E_REQUIRE(WaitPixel(probe.x, probe.y, kBlack), "the fade to black did not end: %s",
                Describe(ScreenPixel(probe.x, probe.y)).c_str());
    std::optional<RECT> box;
    WaitUntil([&] { return (box = FindCaptionBox(CaptureScreen())).has_value(); }, 5000);
    E2E_EXPECT(box.has_value(), "no failure box after the fade");
}

E2E_CASE_WITH(fade_two_monitors, "monitors=2") {
    RequireMonitors(2);
    WriteShow({kRed, kGreen, kBlue, kRed}, 1);
    const std::vector<RECT> monitors = ShowingOrderMonitors();
    const POINT a = Centre(monitors[0]), b = Centre(monitors[1]);
    Saver saver("/s");
    saver.WaitFullScreen();
    // A shows red and B green; after the tick A blue and B red.
    E2E_REQUIRE(
        WaitUntil([&] { return ScreenPixel(a.x, a.y) == kRed && ScreenPixel(b.x, b.y) == kGreen; }, 5000),
        "the first deal did not show: A %s, B %s", Describe(ScreenPixel(a.x, a.y)).c_str(),
        Describe(ScreenPixel(b.x, b.y)).c_str());
    saver.Tick();
    std::vector<COLORREF> seenA, seenB;
    const double end = NowMs() + 5000;
    while (NowMs() < end) {
        const COLORREF ca = ScreenPixel(a.x, a.y), cb = ScreenPixel(b.x, b.y);
        if (seenA.empty() || seenA.back() != ca) seenA.push_back(ca);
        if (seenB.empty() || seenB.back() != cb) seenB.push_back(cb);
        if (ca == kBlue && cb == kRed) break;
    }
    ExpectFade(seenA, kRed, kBlue, 3, "monitor A");
    ExpectFade(seenB, kGreen, kRed, 3, "monitor B");
}

E2E_CASE_WITH(fade_palette_display_runs, "depth=8") {
    // On a palette display the cut stays, fades on or not. Wine reads colours back at 8 bits
    // wrong, and the palette maps a fade's greys to its ends, so the pixels cannot tell a cut from a
    // fade here: this checks that with fades on the ticks still show their pictures and nothing
    // fails or ends.
    constexpr COLORREF kWhite = RGB(255, 255, 255);
    WriteShow({kWhite, kBlack, kWhite}, 1);
    Saver saver("/s");
    saver.WaitFullScreen();
    const POINT centre = ScreenCentre();
    E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(centre.x, centre.y) != kBlack; }, 5000),
                "the first picture did not show: the centre stays black");
    const COLORREF white = WaitStillScreen().At(centre.x, centre.y);
    saver.Tick();
    E2E_EXPECT(WaitUntil([&] { return ScreenPixel(centre.x, centre.y) == kBlack; }, 5000),
               "the second picture did not show: %s", Describe(ScreenPixel(centre.x, centre.y)).c_str());
    saver.Tick();
    E2E_EXPECT(WaitUntil([&] { return ScreenPixel(centre.x, centre.y) == white; }, 5000),
               "the third picture did not show: %s", Describe(ScreenPixel(centre.x, centre.y)).c_str());
    E2E_EXPECT(saver.Running() && saver.TopWindows().size() == 1,
               "the saver ended or opened a second window");
}

E2E_CASE(fade_dialog_box_and_preview) {
    WriteShow({kRed, kBlue}, 1);
    {
        // A user who never chose: the value is missing and the box is on.
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kConfigKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "FadeBetweenPictures");
            RegCloseKey(key);
        }
        E2E_REQUIRE(!ReadDword("FadeBetweenPictures"), "cannot remove FadeBetweenPictures");
    }
    Saver saver("/c");
    HWND dlg = saver.WaitWindow("#32770");
    E2E_REQUIRE(dlg, "the settings dialog did not show");
    HWND box = GetDlgItem(dlg, IDC_FADE);
    E2E_REQUIRE(box, "the dialog has no control %d", IDC_FADE);
    DWORD_PTR checked = 0;
    SendMessageTimeoutA(box, BM_GETCHECK, 0, 0, SMTO_NORMAL, 3000, &checked);
    E2E_EXPECT(checked == BST_CHECKED, "the fade box is not checked by default (%lu)",
               static_cast<unsigned long>(checked));

    // The preview fades too: its centre passes through blends of red and blue after a tick.
    const HWND preview = FindPreview(dlg);
    E2E_REQUIRE(preview, "the dialog has no preview window");
    const RECT r = ClientOnScreen(preview);
    const POINT centre = Centre(r);
    E2E_REQUIRE(WaitPixel(centre.x, centre.y, kRed), "the preview shows %s, want red",
                Describe(ScreenPixel(centre.x, centre.y)).c_str());
    PostMessageA(preview, WM_TIMER, 1, 0);
    std::vector<COLORREF> seen = Watch(centre, [](COLORREF c) { return c == kBlue; });
    ExpectFade(seen, kRed, kBlue, 3, "the preview");

    // Unticked, OK stores 0.
    PostMessageA(box, BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
    auto code = saver.WaitExit(10000);
    E2E_EXPECT(code && *code == 0, "the dialog did not end with 0 after OK");
    const std::optional<DWORD> stored = ReadDword("FadeBetweenPictures");
    E2E_EXPECT(stored == 0u, "FadeBetweenPictures is %s after unticking, want the DWORD 0",
               stored ? std::to_string(*stored).c_str() : "(missing)");
}

E2E_CASE_WITH(fade_soak_gdi_objects, "timeout=300") {
    // Red, green and blue in turn, a tick as soon as each fade has begun: every tick finishes the
    // fade before it and starts the next. A fade towards a colour is the only time that colour's
    // channel rises from 0, which tells this tick's fade from the last one's.
    constexpr int kTicks = 1500, kBaselineTick = 150;
    const COLORREF colours[] = {kRed, kGreen, kBlue};
    WriteShow({kRed, kGreen, kBlue}, 1);
    Saver saver("/s");
    saver.WaitFullScreen();
    const POINT centre = ScreenCentre();
    E2E_REQUIRE(WaitPixel(centre.x, centre.y, kRed), "the first picture did not show");
    auto channel = [](COLORREF c, int which) { return (c >> (8 * which)) & 0xFF; };
    ProcessFigures base{}, last{};
    const double started = NowMs();
    for (int tick = 1; tick <= kTicks; ++tick) {
        saver.Tick();
        const int to = tick % 3;
        if (!WaitUntil([&] { return channel(ScreenPixel(centre.x, centre.y), to) != 0; }, 5000)) {
            SaveScreen("soak");
            E2E_REQUIRE(false, "tick %d: the fade towards %s did not begin: %s", tick,
                        Describe(colours[to]).c_str(), Describe(ScreenPixel(centre.x, centre.y)).c_str());
        }
        if (tick == kBaselineTick || tick == kTicks) {
            // Figures between fades, like for like: the fade ends, its buffers go.
            E2E_REQUIRE(WaitPixel(centre.x, centre.y, colours[to]), "tick %d: the fade did not end", tick);
            WaitStillScreen();
            ProcessFigures f = Measure(saver.Process(), saver.Pid());
            Note("tick %4d: GDI table entries %ld, private %.1f MB", tick, f.gdiTable,
                 double(f.privateBytes) / 1048576.0);
            (tick == kBaselineTick ? base : last) = f;
        }
    }
    Note("%d fades in %.1f s", kTicks, (NowMs() - started) / 1000);
    if (base.gdiTable >= 0 && last.gdiTable >= 0)
        E2E_EXPECT(last.gdiTable <= base.gdiTable + 10, "GDI handle table entries grew from %ld to %ld",
                   base.gdiTable, last.gdiTable);
    else
        Note("the GDI handle table of the saver could not be read");
    E2E_EXPECT(last.privateBytes <= base.privateBytes + (4u << 20),
               "private memory grew from %.1f MB to %.1f MB", double(base.privateBytes) / 1048576.0,
               double(last.privateBytes) / 1048576.0);
    saver.Post(WM_KEYDOWN, VK_SPACE, 1);
    ExpectEndsOnce(saver, "a key after the soak");
}
