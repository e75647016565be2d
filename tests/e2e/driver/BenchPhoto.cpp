// Not a test: the driver half of bench/photo_slides.sh, run by name ("bench_photo_slides") and left
// out of the ctest suite (its registration does not start a line with the case macro). It shows
// one photo full screen or in a preview parent, tells the script it is ready, and on the
// script's word shows the photo SLIDES more times, each sent (not posted) as the slide timer's
// tick and followed by a synchronous repaint and a pause (ORVANTA_BENCH_GAP_MS, 1500 by default)
// in which the saver's worker decodes the next slide ahead, so each slide is finished when the
// next begins. The script reads the saver's CPU time and peak memory from the host around that.
//
// Environment: ORVANTA_BENCH_PHOTO (the photo, a Windows path), ORVANTA_BENCH_MODE ("full" or
// "preview"), ORVANTA_BENCH_SLIDES, ORVANTA_BENCH_SYNC (a folder for the hand-shake files
// ready, go, done and end).
#include <cstdio>
#include <cstdlib>

#include "Bench.h"

using namespace e2e;

namespace {

HWND MakeBenchParent(int clientWidth, int clientHeight) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "BenchPreviewParent";
    RegisterClassA(&wc);
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowExA(0, "BenchPreviewParent", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

void BenchPhotoSlides() {
    const std::string photo = Env("ORVANTA_BENCH_PHOTO", "");
    const std::string mode = Env("ORVANTA_BENCH_MODE", "full");
    const int slides = std::atoi(Env("ORVANTA_BENCH_SLIDES", "10").c_str());
    const int gapMs = std::atoi(Env("ORVANTA_BENCH_GAP_MS", "1500").c_str());
    const std::string sync = Env("ORVANTA_BENCH_SYNC", "");
    E2E_REQUIRE(!photo.empty() && !sync.empty(), "ORVANTA_BENCH_PHOTO and ORVANTA_BENCH_SYNC must be set");
    const std::string folder = MakeFolder("pics");
    // The copy keeps the photo's extension, which chooses its loader.
    const size_t dot = photo.find_last_of('.');
    const std::string extension = dot == std::string::npos ? ".jpg" : photo.substr(dot);
    E2E_REQUIRE(CopyFileA(photo.c_str(), (folder + "\\photo" + extension).c_str(), FALSE), "cannot copy %s",
                photo.c_str());
    Settings s;
    s.delay = 120;
    s.stretch = 1;
    s.caption = 0;
    s.folder = folder;
    s.Write();

    HWND target = nullptr;
    HWND parent = nullptr;
    std::optional<Saver> saver;
    if (mode == "preview") {
        parent = MakeBenchParent(152, 112);
        E2E_REQUIRE(parent, "cannot create the preview parent");
        char args[64];
        std::snprintf(args, sizeof args, "/p %llu",
                      static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(parent)));
        saver.emplace(args);
        WaitUntil(
            [&] {
                target = ChildOfProcess(parent, saver->Pid());
                return target && IsWindowVisible(target);
            },
            20000);
    } else {
        saver.emplace("/s");
        target = saver->WaitFullScreen(20000);
        WaitUntil([] { return ScreenPixel(ScreenWidth() / 2, ScreenHeight() / 2) != RGB(0, 0, 0); }, 20000);
    }
    E2E_REQUIRE(target, "no saver window");
    RECT client;
    GetClientRect(target, &client);
    Note("window %ldx%ld, screen %dx%d", client.right, client.bottom, ScreenWidth(), ScreenHeight());

    Touch(sync + "\\ready");
    E2E_REQUIRE(WaitFile(sync + "\\go", 60000), "no go from the script");
    const double start = NowMs();
    for (int i = 0; i < slides; ++i) {
        DWORD_PTR ignored = 0;
        E2E_REQUIRE(SendMessageTimeoutA(target, WM_TIMER, 1, 0, SMTO_BLOCK, 60000, &ignored),
                    "slide %d timed out", i);
        RedrawWindow(target, nullptr, nullptr, RDW_UPDATENOW);
        // The tick hands over the slide decoded ahead and asks the saver's worker for the next:
        // that decode runs after the tick returns, so each tick waits long enough for it.
        Sleep(static_cast<DWORD>(gapMs));
    }
    Note("%d slides in %.0f ms", slides, NowMs() - start);
    Touch(sync + "\\done");
    WaitFile(sync + "\\end", 60000);
    if (parent) DestroyWindow(parent);
    saver->Kill();
}

const Registrar benchRegistrar("bench_photo_slides", BenchPhotoSlides);

}  // namespace
