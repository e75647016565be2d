// The CPU back-end's frames under Wine, for bench/render_frames.sh: a popup over the whole screen
// presents pan and zoom (a picture decoded 1.25 times the screen's size, drifting and zooming
// slowly as the presenter moves a slide) or a crossfade of two moving pictures, for a number of
// seconds, through CGdiRenderer as the saver uses it. Prints "measuring" when the timed part
// begins and, at its end, the frames presented a second, the frame-time spread and whether the
// rows were split; then waits a second, so that the script reads the process's CPU time first.
//
//   render_frames motion|fade SECONDS
//
// A console program: runs on its one thread, the window's (the renderer's pool aside).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "show/GdiRenderer.h"

namespace {

double NowMs() {
    LARGE_INTEGER f, t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(f.QuadPart);
}

void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

class CFramesWnd : public CWnd {};

int RunFrames(bool fade, double seconds) {
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    CFramesWnd wnd;
    if (!wnd.CreateEx(WS_EX_TOPMOST, AfxRegisterWndClass(0), "render frames", WS_POPUP | WS_VISIBLE, 0, 0,
                      width, height, nullptr, nullptr))
        return 2;
    std::unique_ptr<IFrameRenderer> renderer = CreateGdiRenderer(wnd);
    if (!renderer || !renderer->Resize(width, height)) return 3;
    const int pw = width * 5 / 4, ph = height * 5 / 4;
    std::vector<uint32_t> picture(size_t(pw) * ph);
    for (int y = 0; y < ph; ++y)
        for (int x = 0; x < pw; ++x)
            picture[size_t(y) * pw + x] =
                uint32_t(((x / 40 + y / 40) & 1) ? 0x00D08040 : 0x00204080) ^ uint32_t(x & 0xFF);
    const auto a = renderer->Upload({picture.data(), pw, ph, pw});
    const auto b = renderer->Upload({picture.data(), pw, ph, pw});
    if (!a || !b) return 4;
    const orv::Rect clip{0, 0, width, height};
    const orv::RectF target{0, 0, double(width), double(height)};
    // A framing that zooms from 1.25 to 1.0 and drifts across what the zoom leaves.
    auto framing = [&](double t, bool reverse) {
        const double z = reverse ? 1.0 + 0.25 * t : 1.25 - 0.25 * t;  // zoom over the screen's size
        const double w = pw / z * 1.0, h = ph / z;                    // source size, picture pixels
        const double left = (pw - w) * (reverse ? 1 - t : t), top = (ph - h) * (reverse ? t : 1 - t);
        return orv::RectF{left, top, left + w, top + h};
    };
    std::vector<double> frames, work;
    const double warm = 1000, length = seconds * 1000;
    const double start = NowMs();
    bool measuring = false, split = false;
    double measureStart = 0, last = 0;
    for (;;) {
        Pump();
        const double now = NowMs() - start;
        if (!measuring && now >= warm) {
            measuring = true;
            measureStart = last = NowMs();
            std::printf("measuring\n");
            std::fflush(stdout);
        }
        if (measuring && now >= warm + length) break;
        const double t = std::fmod(now / 20000.0, 1.0);
        renderer->BeginScreen(IFrameRenderer::Screen::kNew);
        renderer->Draw(a, framing(t, false), target, clip, IFrameRenderer::Filter::kBilinear);
        renderer->EndScreen();
        double weight = 1;
        if (fade) {
            renderer->BeginScreen(IFrameRenderer::Screen::kOld);
            renderer->Draw(b, framing(t, true), target, clip, IFrameRenderer::Filter::kBilinear);
            renderer->EndScreen();
            weight = 0.05 + 0.9 * std::fmod(now / 1000.0, 1.0);
        }
        renderer->Present(weight);
        if (measuring) {
            const double at = NowMs();
            frames.push_back(at - last);
            work.push_back(static_cast<CGdiRenderer*>(renderer.get())->LastFrameWorkMs());
            last = at;
            split = split || static_cast<CGdiRenderer*>(renderer.get())->SplitsRows();
        }
    }
    const double elapsed = NowMs() - measureStart;
    std::vector<double> sorted = frames;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double q) { return sorted.empty() ? 0.0 : sorted[size_t(q * (sorted.size() - 1))]; };
    std::sort(work.begin(), work.end());
    const double workMedian = work.empty() ? 0.0 : work[work.size() / 2];
    std::printf(
        "%s %dx%d: %.1f frames/s, frame ms median %.2f p95 %.2f max %.2f, pixel work median %.2f ms, "
        "rows split: %s\n",
        fade ? "fade" : "motion", width, height, frames.size() * 1000.0 / elapsed, at(0.5), at(0.95), at(1.0),
        workMedian, split ? "yes" : "no");
    std::fflush(stdout);
    ::Sleep(1000);
    renderer.reset();
    wnd.DestroyWindow();
    return 0;
}

class CFramesApp : public CWinApp {
public:
    BOOL InitInstance() override {
        const bool fade = __argc > 1 && std::strcmp(__argv[1], "fade") == 0;
        const double seconds = __argc > 2 ? std::atof(__argv[2]) : 10;
        m_nExitCode = RunFrames(fade, seconds > 0 ? seconds : 10);
        return FALSE;
    }
};

CFramesApp theApp;

}  // namespace

// A console program, so that its lines reach the script: the framework's WinMain does the rest.
int main() { return WinMain(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL); }
