// Not a test: the driver half of bench/motion_frames.sh, run by name ("bench_motion_frames") and
// left out of the ctest suite (its registration does not start a line with the case macro). It
// shows one picture with pan and zoom on, waits until it moves, tells the script it is ready, and
// on the script's word ends the saver with a key, so that the saver writes its frame log
// (ORVANTA_FRAME_LOG, set by the script) as its window goes.
//
// Environment: ORVANTA_BENCH_SYNC (a folder for the hand-shake files ready, go and done).
#include <string>
#include <vector>

#include "Bench.h"

using namespace e2e;

namespace {

void BenchMotionFrames() {
    const std::string sync = Env("ORVANTA_BENCH_SYNC", "");
    E2E_REQUIRE(!sync.empty(), "ORVANTA_BENCH_SYNC must be set");
    // A photo-sized picture with detail everywhere, so every frame resamples all of it.
    const int width = 2400, height = 1600;
    std::vector<uint8_t> bmp = SolidBmp24(width, height, RGB(0, 0, 0));
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &bmp[54 + stride * y + 3 * size_t(x)];
            p[0] = uint8_t((x ^ y) & 0xFF);
            p[1] = uint8_t(y * 255 / (height - 1));
            p[2] = uint8_t(x * 255 / (width - 1));
        }
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", bmp);
    Settings s;
    s.delay = 120;
    s.stretch = 1;
    s.caption = 0;
    s.randomOrder = 0;
    s.fade = 0;
    s.panAndZoom = 1;
    s.folder = folder;
    s.Write();

    Saver saver("/s");
    saver.WaitFullScreen(20000);
    const int x = ScreenWidth() / 4, y = ScreenHeight() / 4;
    E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(x, y) != RGB(0, 0, 0); }, 20000),
                "the picture did not show");
    const COLORREF first = ScreenPixel(x, y);
    E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(x, y) != first; }, 20000), "the picture does not move");
    Note("screen %dx%d, moving", ScreenWidth(), ScreenHeight());
    Touch(sync + "\\ready");
    E2E_REQUIRE(WaitFile(sync + "\\go", 120000), "no go from the script");
    saver.Post(WM_KEYDOWN, VK_SPACE, 1);
    saver.WaitExit(20000);
    Touch(sync + "\\done");
}

const Registrar benchRegistrar("bench_motion_frames", BenchMotionFrames);

}  // namespace
