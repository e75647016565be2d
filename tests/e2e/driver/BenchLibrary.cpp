// Not a test: the driver half of bench/walk_library.sh, run by name ("bench_library") and left out
// of the ctest suite (its registration does not start a line with the case macro). It points the
// settings at a picture library, starts the saver full screen or as its settings dialog, and
// prints how long after the start the window, the first picture (the screen's centre no longer
// black) and the dialog came, then ends the saver.
//
// Environment: ORVANTA_BENCH_FOLDER (the library, a Windows path), ORVANTA_BENCH_MODE ("full" or
// "dialog"), ORVANTA_BENCH_RANDOM ("1" for random order), ORVANTA_BENCH_PICTURE ("0": the folder
// is empty, wait for no picture), ORVANTA_BENCH_LIMIT_MS (how long to wait for each event, 180000
// unless given). The saver is ORVANTA_SCR, as for every case.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Bench.h"

using namespace e2e;

namespace {

void BenchLibrary() {
    const std::string folder = Env("ORVANTA_BENCH_FOLDER", "");
    const std::string mode = Env("ORVANTA_BENCH_MODE", "full");
    const DWORD limit = static_cast<DWORD>(std::atol(Env("ORVANTA_BENCH_LIMIT_MS", "180000").c_str()));
    E2E_REQUIRE(!folder.empty(), "ORVANTA_BENCH_FOLDER must be set");
    Settings s;
    s.delay = 120;  // no tick of its own while it is timed
    s.caption = 0;
    s.randomOrder = Env("ORVANTA_BENCH_RANDOM", "0") == "1" ? 1 : 0;
    s.folder = folder;
    s.Write();

    if (mode == "dialog") {
        Saver saver("/c");
        const HWND dialog = saver.WaitWindow("#32770", limit);
        E2E_REQUIRE(dialog, "no dialog within %lu ms", limit);
        Note("dialog %.0f ms", NowMs() - saver.StartedAtMs());
        saver.Kill();
        return;
    }
    Saver saver("/s");
    const HWND window = saver.WaitFullScreen(limit);
    E2E_REQUIRE(window, "no window within %lu ms", limit);
    Note("window %.0f ms", NowMs() - saver.StartedAtMs());
    if (Env("ORVANTA_BENCH_PICTURE", "1") == "0") {
        saver.Kill();
        return;
    }
    const int x = ScreenWidth() / 2;
    const int y = ScreenHeight() / 2;
    E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(x, y) != RGB(0, 0, 0); }, limit),
                "no picture within %lu ms", limit);
    Note("first picture %.0f ms", NowMs() - saver.StartedAtMs());
    saver.Kill();
}

const Registrar benchRegistrar("bench_library", BenchLibrary);

}  // namespace
