// Not a test: the driver half of bench/tick_to_pixel.sh, run by name ("bench_tick_to_pixel") and
// left out of the ctest suite (its registration does not start a line with the case macro). It
// shows two 24-megapixel photos full screen in turn, stretched, and times each posted slide-timer
// tick to the first changed pixel at the screen's centre, each tick given time enough for the
// next photo to be decoded ahead. Then it tells the script that a slide stands, for the script to
// read the saver's CPU time while nothing happens.
//
// Environment: ORVANTA_BENCH_TICKS (default 8), ORVANTA_BENCH_FADE (1: fades on; default 0, the
// cut), ORVANTA_BENCH_SYNC (a folder for the hand-shake files stand and end).
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "Bench.h"

#include "../../unit/JpegBuilder.h"

using namespace e2e;

namespace {

// A 6000 x 4000 photo-like picture: smooth colour ramps under a fine texture, so the decoder does
// real work; tint tells the two photos apart at the centre.
std::vector<uint8_t> Photo(int tint) {
    JpegParams params;
    params.width = 6000;
    params.height = 4000;
    params.quality = 90;
    std::vector<uint8_t> pixels(static_cast<size_t>(params.width) * params.height * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < params.height; ++y) {
        uint8_t* row = &pixels[static_cast<size_t>(y) * params.width * 3];
        for (int x = 0; x < params.width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 16) & 15);
            row[3 * x] = static_cast<uint8_t>(tint ? 40 + grain : (x * 200 / params.width) + grain);
            row[3 * x + 1] = static_cast<uint8_t>((y * 200 / params.height) + grain);
            row[3 * x + 2] = static_cast<uint8_t>(tint ? 200 + grain : 40 + grain);
        }
    }
    return EncodeJpeg(params, pixels);
}

void BenchTickToPixel() {
    const int ticks = std::atoi(Env("ORVANTA_BENCH_TICKS", "8").c_str());
    const std::string sync = Env("ORVANTA_BENCH_SYNC", "");
    E2E_REQUIRE(!sync.empty(), "ORVANTA_BENCH_SYNC must be set");
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.jpg", Photo(0));
    WriteFileBytes(folder + "\\b.jpg", Photo(1));
    Settings s;
    s.delay = 120;
    s.stretch = 1;
    s.caption = 0;
    s.randomOrder = 0;
    s.fade = static_cast<DWORD>(std::atoi(Env("ORVANTA_BENCH_FADE", "0").c_str()));
    s.folder = folder;
    s.Write();

    Saver saver("/s");
    saver.WaitFullScreen(20000);
    const int cx = ScreenWidth() / 2, cy = ScreenHeight() / 2;
    E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(cx, cy) != RGB(0, 0, 0); }, 20000), "no first photo");
    Note("screen %dx%d", ScreenWidth(), ScreenHeight());

    std::vector<double> times;
    for (int i = 0; i < ticks; ++i) {
        // The next photo is decoded ahead meanwhile; a 24-megapixel decode takes well under this.
        Sleep(3000);
        const COLORREF before = ScreenPixel(cx, cy);
        const double sent = NowMs();
        saver.Tick();
        E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(cx, cy) != before; }, 20000), "tick %d: no change", i);
        times.push_back(NowMs() - sent);
        Note("tick %d: first changed pixel after %.1f ms", i, times.back());
    }
    std::sort(times.begin(), times.end());
    Note("tick to first changed pixel: median %.1f ms, min %.1f, max %.1f over %d ticks",
         times[times.size() / 2], times.front(), times.back(), ticks);

    // A slide stands: the script reads the saver's CPU time around this wait.
    WriteText(sync + "\\stand", "x");
    WaitUntil([&] { return GetFileAttributesA((sync + "\\end").c_str()) != INVALID_FILE_ATTRIBUTES; },
              120000);
    saver.Kill();
}

const Registrar benchRegistrar("bench_tick_to_pixel", BenchTickToPixel);

}  // namespace
