// Not a test: the driver half of bench/fade_frames.sh, run by name ("bench_fade_frames") and left
// out of the ctest suite (its registration does not start a line with the case macro). It shows
// three solid pictures in turn with fades on, tells the script it is ready, and on the script's
// word posts FADES slide-timer ticks, each after the last fade has ended. For each it watches the
// primary monitor's centre every 2 ms and prints when it first changed after the tick, how many
// different values it showed on the way (the frames that reached the screen) and when it reached
// the new colour. The script reads the saver's CPU time around the fades and while a slide stands.
//
// Environment: ORVANTA_BENCH_FADES, ORVANTA_BENCH_SYNC (a folder for the hand-shake files ready,
// go, done and end).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Bench.h"

using namespace e2e;

namespace {

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BenchFadeFrames() {
    const int fades = std::atoi(Env("ORVANTA_BENCH_FADES", "10").c_str());
    const std::string sync = Env("ORVANTA_BENCH_SYNC", "");
    E2E_REQUIRE(!sync.empty(), "ORVANTA_BENCH_SYNC must be set");
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    const std::string folder = MakeFolder("pics");
    for (int i = 0; i < 3; ++i)
        WriteFileBytes(folder + "\\" + char('a' + i) + ".bmp", SolidBmp24(160, 120, colours[i]));
    Settings s;
    s.delay = 120;
    s.stretch = 1;
    s.caption = 0;
    s.randomOrder = 0;
    s.fade = 1;
    s.folder = folder;
    s.Write();

    const std::vector<RECT> monitors = ShowingOrderMonitors();
    E2E_REQUIRE(!monitors.empty(), "no monitor");
    const int count = static_cast<int>(monitors.size());
    const POINT centre = Centre(monitors[0]);
    Saver saver("/s");
    saver.WaitFullScreen(20000);
    E2E_REQUIRE(WaitPixel(centre.x, centre.y, colours[0], 20000), "the first picture did not show");
    const RECT virtualScreen = VirtualScreenRect();
    Note("screen %ldx%ld, %d monitor%s", virtualScreen.right - virtualScreen.left,
         virtualScreen.bottom - virtualScreen.top, count, count == 1 ? "" : "s");

    Touch(sync + "\\ready");
    E2E_REQUIRE(WaitFile(sync + "\\go", 60000), "no go from the script");
    std::vector<double> firstChange, lengths, rates;
    for (int i = 1; i <= fades; ++i) {
        const COLORREF from = ScreenPixel(centre.x, centre.y);
        const COLORREF to = colours[(i * count) % 3];
        const double ticked = NowMs();
        saver.Tick();
        double changed = 0, ended = 0;
        int values = 0;
        COLORREF last = from;
        while (NowMs() - ticked < 10000) {
            const COLORREF c = ScreenPixel(centre.x, centre.y);
            if (c != last) {
                if (!changed) changed = NowMs();
                ++values;
                last = c;
            }
            if (c == to) {
                ended = NowMs();
                break;
            }
            Sleep(2);
        }
        E2E_REQUIRE(ended > 0, "fade %d did not reach %s: %s", i, Describe(to).c_str(),
                    Describe(last).c_str());
        const double length = ended - changed;
        firstChange.push_back(changed - ticked);
        lengths.push_back(length);
        // Values seen from the first change to the last: one frame each, over the fade's length.
        if (length > 0) rates.push_back((values - 1) * 1000.0 / length);
        Note("fade %2d: first change %.1f ms after the tick, %d frames seen over %.0f ms", i,
             changed - ticked, values, length);
    }
    Note("%d fades: median first change %.1f ms, length %.0f ms, %.1f frames a second seen", fades,
         Median(firstChange), Median(lengths), Median(rates));
    Touch(sync + "\\done");
    WaitFile(sync + "\\end", 120000);
    saver.Kill();
}

const Registrar benchRegistrar("bench_fade_frames", BenchFadeFrames);

}  // namespace
