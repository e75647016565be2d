// Long runs: resource use over many ticks, and the time to the first picture of a big folder.
// These print figures; only clear faults fail them (a growing resource count, no picture).
#include <cstdio>

#include "Driver.h"

using namespace e2e;

namespace {

COLORREF SoakColour(int i) { return RGB(60 + (i * 37) % 190, 30 + (i * 71) % 200, 50 + (i * 113) % 180); }

void PrintFigures(const char* when, int tick, const ProcessFigures& f) {
    Note(
        "%-6s tick %5d: GetGuiResources gdi %lu user %lu | GDI table entries %ld | private %.1f MB | "
        "windows %d",
        when, tick, f.guiGdi, f.guiUser, f.gdiTable, double(f.privateBytes) / 1048576.0, f.windows);
}

// The figures must be able to see a leak: checked on the driver's own process first.
void CheckProbes() {
    ProcessFigures before = Measure(GetCurrentProcess(), GetCurrentProcessId());
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 20; ++i)
        brushes.push_back(CreateSolidBrush(RGB(i, 1, 2)));
    std::vector<char> block(16u << 20, 1);
    ProcessFigures after = Measure(GetCurrentProcess(), GetCurrentProcessId());
    for (HBRUSH b : brushes)
        DeleteObject(b);
    // At least 20: the first GDI calls of a process also make a few objects of the system's own.
    E2E_REQUIRE(after.gdiTable - before.gdiTable >= 20 || after.guiGdi - before.guiGdi >= 20,
                "the GDI figures do not see 20 new brushes (table %ld -> %ld, GetGuiResources %lu -> %lu)",
                before.gdiTable, after.gdiTable, before.guiGdi, after.guiGdi);
    E2E_REQUIRE(after.privateBytes >= before.privateBytes + (15u << 20),
                "the memory figure does not see 16 MB more (%.1f MB -> %.1f MB)",
                double(before.privateBytes) / 1048576.0, double(after.privateBytes) / 1048576.0);
}

// The soak's folder: `good` pictures of different sizes, formats and captions, the first `damaged`
// of them each followed by a damaged file, so that every entry changes the centre pixel: a colour,
// then black with the failure box. Settings: sorted, own size, captions on, no timer in the way.
void WriteSoakShow(int good, int damaged) {
    std::string folder = MakeFolder("pics");
    const SIZE sizes[] = {{64, 48}, {1000, 500}, {300, 900}, {101, 51}, {1600, 1200}, {640, 480}};
    for (int i = 0; i < good; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "\\p%02d_good", i);
        SIZE sz = sizes[i % 6];
        WriteFileBytes(folder + name + ".bmp", i % 4 == 3 ? SolidBmp8(sz.cx, sz.cy, SoakColour(i))
                                                          : SolidBmp24(sz.cx, sz.cy, SoakColour(i)));
        if (i % 2 == 0)
            WriteText(folder + name + ".txt", "Picture " + std::to_string(i) + "\r\nsecond line\r\n");
        if (i >= damaged) continue;
        std::snprintf(name, sizeof name, "\\p%02d_poor.bmp", i);
        if (i % 3 == 0)
            WriteFileBytes(folder + name, {});
        else
            WriteText(folder + name, "damaged " + std::to_string(i));
    }
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 0;
    s.caption = 1;
    s.folder = folder;
    s.Write();
}

// Growth between the baseline and the end, with a little slack for caches; then a key ends the
// saver with code 0.
void ExpectFlatAndEnd(Saver& saver, const ProcessFigures& base, const ProcessFigures& last) {
    E2E_EXPECT(saver.Running(), "the saver ended during the soak");
    if (base.guiGdi == 0 && last.guiGdi == 0)
        Note("GetGuiResources reports 0 here (not implemented by this Wine); using the GDI handle table");
    E2E_EXPECT(last.guiGdi <= base.guiGdi + 10, "GDI objects grew from %lu to %lu", base.guiGdi, last.guiGdi);
    E2E_EXPECT(last.guiUser <= base.guiUser + 5, "USER objects grew from %lu to %lu", base.guiUser,
               last.guiUser);
    if (base.gdiTable >= 0 && last.gdiTable >= 0)
        E2E_EXPECT(last.gdiTable <= base.gdiTable + 10, "GDI handle table entries grew from %ld to %ld",
                   base.gdiTable, last.gdiTable);
    else
        Note("the GDI handle table of the saver could not be read");
    const SIZE_T slack = 4u << 20;
    E2E_EXPECT(last.privateBytes <= base.privateBytes + slack, "private memory grew from %.1f MB to %.1f MB",
               double(base.privateBytes) / 1048576.0, double(last.privateBytes) / 1048576.0);
    E2E_EXPECT(last.windows <= base.windows, "windows grew from %d to %d", base.windows, last.windows);

    saver.Post(WM_KEYDOWN, VK_SPACE, 1);
    auto code = saver.WaitExit(5000);
    E2E_EXPECT(code && *code == 0, "a key did not end the saver with code 0 after the soak");
}

}  // namespace

E2E_CASE_WITH(soak_2000_ticks, "timeout=600") {
    // 12 good pictures of different sizes, formats and captions, each followed by a damaged file,
    // so that every tick changes the centre pixel: a colour, then black with the failure box.
    // Figures are taken at whole rounds of the 24 entries (the same picture on show each time, so
    // memory is compared like for like): a baseline after 96 ticks, then every 240 ticks.
    constexpr int kGood = 12, kRound = 2 * kGood, kTicks = 84 * kRound, kBaselineTick = 4 * kRound;
    WriteSoakShow(kGood, kGood);

    CheckProbes();
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_REQUIRE(WaitPixel(400, 300, SoakColour(0)), "the first picture did not show");
    ProcessFigures base{}, last{};
    std::vector<ProcessFigures> samples;
    double started = NowMs();
    for (int tick = 1; tick <= kTicks; ++tick) {
        saver.Tick();
        int entry = tick % kRound;
        COLORREF want = entry % 2 == 0 ? SoakColour(entry / 2) : RGB(0, 0, 0);
        if (!WaitPixel(400, 300, want)) {
            SaveScreen("soak");
            E2E_REQUIRE(false, "tick %d: centre %s, want %s (entry %d)", tick,
                        Describe(ScreenPixel(400, 300)).c_str(), Describe(want).c_str(), entry);
        }
        if (tick == kBaselineTick || tick % (10 * kRound) == 0 || tick == kTicks) {
            ProcessFigures f = Measure(saver.Process(), saver.Pid());
            if (tick == kBaselineTick) base = f;
            samples.push_back(f);
            PrintFigures(tick == kBaselineTick ? "base" : "sample", tick, f);
            last = f;
        }
    }
    double elapsed = NowMs() - started;
    Note("%d ticks in %.1f s (%.1f ms a tick)", kTicks, elapsed / 1000, elapsed / kTicks);
    ExpectFlatAndEnd(saver, base, last);
}

E2E_CASE_WITH(measure_first_picture_10000_files, "timeout=300") {
    // Time from the start of the process to its first picture on the screen, for a folder of
    // 10,000 small pictures (the first in sorted order is red, the rest blue), and for one picture.
    constexpr int kFiles = 10000;
    std::string big = MakeFolder("many");
    std::vector<uint8_t> blue = SolidBmp24(8, 8, RGB(40, 40, 200));
    double t0 = NowMs();
    // p00000 to p00999 in the folder itself, the rest in subfolders s1 to s9 (which sort after
    // them), written from the last name to the first.
    for (int sub = 1; sub < kFiles / 1000; ++sub)
        MakeFolder("many\\s" + std::to_string(sub));
    for (int i = kFiles - 1; i >= 0; --i) {
        char name[64];
        if (i < 1000)
            std::snprintf(name, sizeof name, "\\p%05d.bmp", i);
        else
            std::snprintf(name, sizeof name, "\\s%d\\p%05d.bmp", i / 1000, i);
        WriteFileBytes(big + name, i == 0 ? SolidBmp24(8, 8, RGB(200, 40, 40)) : blue);
    }
    Note("wrote %d files in %.1f s", kFiles, (NowMs() - t0) / 1000);
    std::string one = MakeFolder("one");
    WriteFileBytes(one + "\\p00000.bmp", SolidBmp24(8, 8, RGB(200, 40, 40)));

    for (const std::string& folder : {one, big}) {
        Settings s;
        s.delay = 120;
        s.randomOrder = 0;
        s.stretch = 0;
        s.folder = folder;
        s.Write();
        Saver saver("/s");
        bool shown = WaitPixel(400, 300, RGB(200, 40, 40), 240000);
        double ms = NowMs() - saver.StartedAtMs();
        E2E_REQUIRE(shown, "%s: the first picture did not show within 240 s", folder.c_str());
        saver.WaitFullScreen();
        Note("first picture after %.0f ms (%s, %d file%s)", ms, folder.c_str(), folder == big ? kFiles : 1,
             folder == big ? "s" : "");
        saver.Post(WM_KEYDOWN, VK_SPACE, 1);
        saver.WaitExit(5000);
    }
}

E2E_CASE_WITH(monitors_soak_2000_ticks, "monitors=2 timeout=600") {
    // The soak on two monitors (A 800 x 600 primary, B 640 x 480 beside it): every tick loads two
    // entries. 12 good pictures and 11 damaged files alternate, 23 entries in all: an odd count,
    // so that each monitor sees every entry in turn. A shows entry 2t mod 23 after tick t, B the
    // one after it. Figures at whole rounds of 23 ticks (the same two entries on show each time):
    // a baseline after 92 ticks, then every 230 ticks.
    constexpr int kGood = 12, kEntries = 2 * kGood - 1, kTicks = 87 * kEntries, kBaselineTick = 4 * kEntries;
    RequireMonitors(2);
    const std::vector<RECT> monitors = ShowingOrderMonitors();
    const POINT centreA{(monitors[0].left + monitors[0].right) / 2,
                        (monitors[0].top + monitors[0].bottom) / 2};
    const POINT centreB{(monitors[1].left + monitors[1].right) / 2,
                        (monitors[1].top + monitors[1].bottom) / 2};
    WriteSoakShow(kGood, kGood - 1);

    // Entry e is good picture e / 2 when e is even, a damaged file (black at the centre) when odd.
    auto colourOf = [](int entry) { return entry % 2 == 0 ? SoakColour(entry / 2) : RGB(0, 0, 0); };
    auto waitTick = [&](int tick) {
        const int entryA = (2 * tick) % kEntries, entryB = (2 * tick + 1) % kEntries;
        const COLORREF wantA = colourOf(entryA), wantB = colourOf(entryB);
        bool ok = WaitUntil(
            [&] {
                return ScreenPixel(centreA.x, centreA.y) == wantA &&
                       ScreenPixel(centreB.x, centreB.y) == wantB;
            },
            10000);
        if (!ok) {
            SaveScreen("soak");
            E2E_REQUIRE(false, "tick %d: A %s (want %s, entry %d), B %s (want %s, entry %d)", tick,
                        Describe(ScreenPixel(centreA.x, centreA.y)).c_str(), Describe(wantA).c_str(), entryA,
                        Describe(ScreenPixel(centreB.x, centreB.y)).c_str(), Describe(wantB).c_str(), entryB);
        }
    };

    CheckProbes();
    Saver saver("/s");
    saver.WaitFullScreen();
    waitTick(0);
    ProcessFigures base{}, last{};
    double started = NowMs();
    for (int tick = 1; tick <= kTicks; ++tick) {
        saver.Tick();
        // Consecutive ticks always differ on at least one monitor, so the wait sees this tick.
        waitTick(tick);
        if (tick == kBaselineTick || tick % (10 * kEntries) == 0 || tick == kTicks) {
            ProcessFigures f = Measure(saver.Process(), saver.Pid());
            if (tick == kBaselineTick) base = f;
            PrintFigures(tick == kBaselineTick ? "base" : "sample", tick, f);
            last = f;
        }
    }
    double elapsed = NowMs() - started;
    Note("%d ticks on 2 monitors in %.1f s (%.1f ms a tick)", kTicks, elapsed / 1000, elapsed / kTicks);
    ExpectFlatAndEnd(saver, base, last);
}
