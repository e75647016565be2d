// Not a test: the driver half of bench/key_steps.sh, run by name ("bench_key_steps") and left out
// of the ctest suite (its registration does not start a line with the case macro). With the
// browsing keys on it shows two 24-megapixel photos full screen, stretched, and times each key to
// the first changed pixel at the screen's centre: Right, whose picture was decoded ahead, then
// Left, whose picture the history decodes again (it keeps paths, not pictures).
//
// Environment: ORVANTA_BENCH_STEPS (default 6 each way).
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../unit/JpegBuilder.h"
#include "Bench.h"

using namespace e2e;

namespace {

// A 6000 x 4000 photo-like picture (as the tick benchmark's); tint tells the two apart.
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

void Report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    Note("%s: median %.1f ms, min %.1f, max %.1f over %zu keys", what, times[times.size() / 2], times.front(),
         times.back(), times.size());
}

void BenchKeySteps() {
    const int steps = std::max(1, std::atoi(Env("ORVANTA_BENCH_STEPS", "6").c_str()));
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.jpg", Photo(0));
    WriteFileBytes(folder + "\\b.jpg", Photo(1));
    Settings s;
    s.delay = 120;
    s.stretch = 1;
    s.caption = 0;
    s.randomOrder = 0;
    s.browseKeys = 1;
    s.folder = folder;
    s.Write();

    ResetPointer(ScreenWidth() / 2, ScreenHeight() / 2);
    Saver saver("/s");
    saver.WaitFullScreen(20000);
    const int cx = ScreenWidth() / 2, cy = ScreenHeight() / 2;
    E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(cx, cy) != RGB(0, 0, 0); }, 20000), "no first photo");
    Note("screen %dx%d", ScreenWidth(), ScreenHeight());

    auto time = [&](WPARAM vk, LPARAM l, const char* name, int i) {
        // The next photo is decoded ahead meanwhile; a 24-megapixel decode takes well under this.
        Sleep(3000);
        const COLORREF before = ScreenPixel(cx, cy);
        const double sent = NowMs();
        saver.Post(WM_KEYDOWN, vk, l);
        E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(cx, cy) != before; }, 20000), "%s %d: no change", name,
                    i);
        const double ms = NowMs() - sent;
        Note("%s %d: first changed pixel after %.1f ms", name, i, ms);
        return ms;
    };
    std::vector<double> forward, back;
    for (int i = 0; i < steps; ++i)
        forward.push_back(time(VK_RIGHT, 0x014D0001, "Right", i));
    for (int i = 0; i < steps; ++i)
        back.push_back(time(VK_LEFT, 0x014B0001, "Left", i));
    Report("Right (decoded ahead) to first changed pixel", forward);
    Report("Left (decoded again) to first changed pixel", back);
    saver.Kill();
}

const Registrar benchRegistrar("bench_key_steps", BenchKeySteps);

}  // namespace
