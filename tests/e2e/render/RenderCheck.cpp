// The renderers' own check: a small window, known scenes drawn through a back-end's
// IFrameRenderer, the screen's pixels read back and compared with what each scene must show.
//
//   render_check.exe --list            the cases, one a line
//   render_check.exe <backend>_<scene> one case; exit code 0 is a pass
//   render_check.exe <backend>_resize  a frame, the window made smaller, a frame
//   render_check.exe <backend>_two_monitors  one window over the two-monitor display
//   render_check.exe compare_<scene>   the scene through both back-ends, pixel against pixel
//   render_check.exe bench W H SECONDS frames a second of a blend under a moving bilinear quad
//
// Backends: gpu (CD3DRenderer), and cpu (CGdiRenderer) where this tree has it. Expected pixels are
// written out from the scene's geometry, never from either renderer.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "show/D3DRenderer.h"
#include "show/GdiRenderer.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kLeft = 40;  // where the window sits on the screen
constexpr int kTop = 30;

double NowMs() {
    LARGE_INTEGER now, freq;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&freq);
    return double(now.QuadPart) * 1000.0 / double(freq.QuadPart);
}

void PumpFor(DWORD ms) {
    const double end = NowMs() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const double left = end - NowMs();
        if (left <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(left) + 1, QS_ALLINPUT);
    }
}

// Polls pred every 15 ms, pumping messages meanwhile, until it holds or timeoutMs passes.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    const double end = NowMs() + timeoutMs;
    for (;;) {
        if (pred()) return true;
        if (NowMs() > end) return false;
        PumpFor(15);
    }
}

uint32_t Bgr(int r, int g, int b) { return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16; }
int Red(uint32_t p) { return int(p >> 16 & 255); }
int Green(uint32_t p) { return int(p >> 8 & 255); }
int Blue(uint32_t p) { return int(p & 255); }
int Distance(uint32_t a, uint32_t b) {
    return std::max({std::abs(Red(a) - Red(b)), std::abs(Green(a) - Green(b)), std::abs(Blue(a) - Blue(b))});
}

// The screen's pixels under the window's client area, as 0x00RRGGBB, top row first.
std::vector<uint32_t> CaptureClient(HWND hwnd, int width, int height) {
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    std::vector<uint32_t> pixels(size_t(width) * height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(mem, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && bits) {
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        const uint32_t* from = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = from[i] & 0xFFFFFF;
        SelectObject(mem, old);
        DeleteObject(dib);
    }
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return pixels;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return 1;  // the renderer owns every pixel
    if (message == WM_PAINT) {
        ValidateRect(hwnd, nullptr);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A topmost popup of width x height, shown. Nothing is drawn into it with GDI: under Wine a window
// with a swap chain keeps a GDI surface of its own, and what was painted there can come back over
// the renderer's frames later.
class CheckWindow {
public:
    CheckWindow(int width, int height, int left = kLeft, int top = kTop) : m_width(width), m_height(height) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "OrvantaRenderCheck";
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
        HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "render check", WS_POPUP, left, top,
                                    width, height, nullptr, nullptr, wc.hInstance, nullptr);
        if (!hwnd) return;
        m_wnd.Attach(hwnd);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        m_shown = WaitUntil([&] { return IsWindowVisible(hwnd) != FALSE; }, 10000);
        if (!m_shown) std::printf("render: the window did not show within 10 s\n");
    }
    ~CheckWindow() {
        if (HWND hwnd = m_wnd.Detach()) DestroyWindow(hwnd);
    }
    CWnd& Wnd() { return m_wnd; }
    bool Shown() const { return m_shown; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    std::vector<uint32_t> Capture() const { return CaptureClient(m_wnd.m_hWnd, m_width, m_height); }

private:
    CWnd m_wnd;
    int m_width;
    int m_height;
    bool m_shown = false;
};

std::unique_ptr<IFrameRenderer> MakeRenderer(const std::string& backend, CWnd& wnd) {
    if (backend == "gpu") return CreateD3DRenderer(wnd);
    if (backend == "cpu") return CreateGdiRenderer(wnd);
    return nullptr;
}

// A picture owned by the check, handed to Upload as a view.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    orv::BgraView View() const { return orv::BgraView{pixels.data(), width, height, width}; }
};

Picture Solid(int width, int height, uint32_t colour) {
    return Picture{width, height, std::vector<uint32_t>(size_t(width) * height, colour)};
}

// Every pixel different from its neighbours in each channel, so a copy shifted by one pixel, or
// blended with a neighbour, cannot pass.
uint32_t PatternAt(int x, int y) {
    return Bgr((x * 37 + y * 11) & 255, (x * 5 + y * 71) & 255, (x ^ (y * 3)) & 255);
}
Picture Pattern(int width, int height) {
    Picture p{width, height, std::vector<uint32_t>(size_t(width) * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels[size_t(y) * width + x] = PatternAt(x, y);
    return p;
}

using Expect = std::function<uint32_t(int x, int y)>;

struct Scene {
    const char* name;
    int tolerance;  // per channel
    // Draws the scene and presents it; false when a renderer call that reports failure failed.
    std::function<bool(IFrameRenderer&)> draw;
    Expect expect;
};

constexpr orv::Rect kWholeClient{0, 0, kWidth, kHeight};

std::vector<Scene> Scenes() {
    std::vector<Scene> scenes;

    // Two whole-pixel point copies: the whole texture, and a part of it elsewhere.
    scenes.push_back(Scene{
        "point_copy", 0,
        [](IFrameRenderer& r) {
            const Picture picture = Pattern(64, 48);
            const IFrameRenderer::TextureId id = r.Upload(picture.View());
            if (!id) return false;
            r.BeginScreen(IFrameRenderer::Screen::kOld);
            r.EndScreen();
            r.BeginScreen(IFrameRenderer::Screen::kNew);
            r.Draw(id, {0, 0, 64, 48}, {10, 20, 74, 68}, kWholeClient, IFrameRenderer::Filter::kPoint);
            r.Draw(id, {8, 4, 40, 36}, {200, 150, 232, 182}, kWholeClient, IFrameRenderer::Filter::kPoint);
            r.EndScreen();
            const bool ok = r.Present(1.0);
            r.Release(id);
            return ok;
        },
        [](int x, int y) {
            if (x >= 10 && x < 74 && y >= 20 && y < 68) return PatternAt(x - 10, y - 20);
            if (x >= 200 && x < 232 && y >= 150 && y < 182) return PatternAt(x - 200 + 8, y - 150 + 4);
            return 0u;
        }});

    // A two-texel ramp, black to white, stretched by 50 over a target whose edges fall on quarter
    // pixels. Sampling at pixel centres: u = (x + 0.5 - 50.25) / 50 texels, and the value runs
    // from the first texel's centre (u = 0.5) to the second's (u = 1.5), clamped outside.
    scenes.push_back(
        Scene{"bilinear_quad", 2,
              [](IFrameRenderer& r) {
                  Picture ramp{2, 2, {Bgr(0, 0, 0), Bgr(255, 255, 255), Bgr(0, 0, 0), Bgr(255, 255, 255)}};
                  const IFrameRenderer::TextureId id = r.Upload(ramp.View());
                  if (!id) return false;
                  r.BeginScreen(IFrameRenderer::Screen::kOld);
                  r.EndScreen();
                  r.BeginScreen(IFrameRenderer::Screen::kNew);
                  r.Draw(id, {0, 0, 2, 2}, {50.25, 60.25, 150.25, 160.25}, kWholeClient,
                         IFrameRenderer::Filter::kBilinear);
                  r.EndScreen();
                  const bool ok = r.Present(1.0);
                  r.Release(id);
                  return ok;
              },
              [](int x, int y) {
                  if (x < 50 || x >= 150 || y < 60 || y >= 160) return 0u;
                  const double u = (x + 0.5 - 50.25) / 50.0;
                  const int v = int(std::lround(255.0 * std::clamp(u - 0.5, 0.0, 1.0)));
                  return Bgr(v, v, v);
              }});

    // Red on the old screen, blue and a green square on the new one, shown at a quarter.
    scenes.push_back(Scene{
        "blend_screens", 1,
        [](IFrameRenderer& r) {
            const Picture red = Solid(1, 1, Bgr(255, 0, 0)), blue = Solid(4, 4, Bgr(0, 0, 255)),
                          green = Solid(8, 8, Bgr(0, 255, 0));
            const IFrameRenderer::TextureId a = r.Upload(red.View()), b = r.Upload(blue.View()),
                                            c = r.Upload(green.View());
            if (!a || !b || !c) return false;
            r.BeginScreen(IFrameRenderer::Screen::kOld);
            r.Draw(a, {0, 0, 1, 1}, {0, 0, kWidth, kHeight}, kWholeClient, IFrameRenderer::Filter::kPoint);
            r.EndScreen();
            r.BeginScreen(IFrameRenderer::Screen::kNew);
            r.Draw(b, {0, 0, 4, 4}, {0, 0, kWidth, kHeight}, kWholeClient, IFrameRenderer::Filter::kBilinear);
            r.Draw(c, {0, 0, 8, 8}, {100, 100, 140, 140}, kWholeClient, IFrameRenderer::Filter::kPoint);
            r.EndScreen();
            const bool ok = r.Present(0.25);
            for (auto id : {a, b, c})
                r.Release(id);
            return ok;
        },
        [](int x, int y) {
            if (x >= 100 && x < 140 && y >= 100 && y < 140) return Bgr(191, 64, 0);  // 255 * 0.75, 255 * 0.25
            return Bgr(191, 0, 64);
        }});

    // A quad over the whole client clipped to a rectangle inside it, and one clipped by a
    // rectangle that reaches past the client's corner.
    scenes.push_back(Scene{"clip", 0,
                           [](IFrameRenderer& r) {
                               const Picture green = Solid(16, 16, Bgr(0, 255, 0)),
                                             white = Solid(2, 2, Bgr(255, 255, 255));
                               const IFrameRenderer::TextureId g = r.Upload(green.View()),
                                                               w = r.Upload(white.View());
                               if (!g || !w) return false;
                               r.BeginScreen(IFrameRenderer::Screen::kOld);
                               r.EndScreen();
                               r.BeginScreen(IFrameRenderer::Screen::kNew);
                               r.Draw(g, {0, 0, 16, 16}, {0, 0, kWidth, kHeight}, {30, 40, 130, 90},
                                      IFrameRenderer::Filter::kBilinear);
                               r.Draw(w, {0, 0, 2, 2}, {280, 200, 340, 260}, {300, 220, 400, 300},
                                      IFrameRenderer::Filter::kPoint);
                               r.EndScreen();
                               const bool ok = r.Present(1.0);
                               r.Release(g);
                               r.Release(w);
                               return ok;
                           },
                           [](int x, int y) {
                               if (x >= 30 && x < 130 && y >= 40 && y < 90) return Bgr(0, 255, 0);
                               if (x >= 300 && y >= 220) return Bgr(255, 255, 255);
                               return 0u;
                           }});

    // Draws that must leave no trace: no texture, one let go of, undefined, inverted or empty
    // rectangles, clips that hold nothing. Then a quad a million times the client's size, clipped to
    // a square, which must fill just that square.
    scenes.push_back(Scene{
        "bad_draws", 0,
        [](IFrameRenderer& r) {
            const Picture white = Solid(4, 4, Bgr(255, 255, 255));
            const IFrameRenderer::TextureId id = r.Upload(white.View()), gone = r.Upload(white.View());
            if (!id || !gone) return false;
            r.Release(gone);
            const double nan = std::numeric_limits<double>::quiet_NaN();
            const orv::RectF all{0, 0, kWidth, kHeight}, texels{0, 0, 4, 4};
            const auto point = IFrameRenderer::Filter::kPoint;
            r.BeginScreen(IFrameRenderer::Screen::kOld);
            r.EndScreen();
            r.BeginScreen(IFrameRenderer::Screen::kNew);
            r.Draw(0, texels, all, kWholeClient, point);
            r.Draw(gone, texels, all, kWholeClient, point);
            r.Draw(id, texels, {nan, 0, kWidth, kHeight}, kWholeClient, point);
            r.Draw(id, {0, 0, nan, 4}, all, kWholeClient, point);
            r.Draw(id, texels, {kWidth, 0, 0, kHeight}, kWholeClient, point);
            r.Draw(id, {4, 0, 0, 4}, all, kWholeClient, point);
            r.Draw(id, {0, 0, 0, 0}, all, kWholeClient, point);
            r.Draw(id, texels, all, {50, 50, 40, 60}, point);
            r.Draw(id, texels, all, {kWidth, 0, kWidth + 10, kHeight}, point);
            r.Draw(id, texels, {-1e9, -1e9, 1e9, 1e9}, {10, 10, 20, 20}, IFrameRenderer::Filter::kBilinear);
            r.EndScreen();
            const bool ok = r.Present(1.0);
            r.Release(id);
            return ok;
        },
        [](int x, int y) { return (x >= 10 && x < 20 && y >= 10 && y < 20) ? Bgr(255, 255, 255) : 0u; }});
    return scenes;
}

const Scene* FindScene(const std::string& name) {
    static const std::vector<Scene> scenes = Scenes();
    for (const Scene& scene : scenes)
        if (name == scene.name) return &scene;
    return nullptr;
}

// How far pixels are from the scene's expectation: the count over its tolerance, and the first.
struct Mismatch {
    int count = 0;
    int x = -1, y = -1;
    uint32_t seen = 0, want = 0;
};
Mismatch Compare(const std::vector<uint32_t>& pixels, const Expect& expect, int tolerance) {
    Mismatch m;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t seen = pixels[size_t(y) * kWidth + x], want = expect(x, y);
            if (Distance(seen, want) <= tolerance) continue;
            if (m.count++ == 0) m = Mismatch{1, x, y, seen, want};
        }
    return m;
}

// A frame of one colour no scene draws, waited for on the screen: the window's surface exists and
// the renderer reaches it, so the scene's frame that follows cannot land before the window does.
// Only the pixels for which visible holds are read (all of them when it is empty): on two monitors
// of different sizes, part of the window lies on none.
using Visible = std::function<bool(int x, int y)>;
bool ShowMarker(IFrameRenderer& renderer, const CheckWindow& window, const Visible& visible = {}) {
    const uint32_t marker = Bgr(255, 0, 255);
    const Picture magenta = Solid(1, 1, marker);
    const IFrameRenderer::TextureId id = renderer.Upload(magenta.View());
    if (!id) return false;
    const int width = window.Width(), height = window.Height();
    renderer.BeginScreen(IFrameRenderer::Screen::kOld);
    renderer.Draw(id, {0, 0, 1, 1}, {0, 0, double(width), double(height)}, {0, 0, width, height},
                  IFrameRenderer::Filter::kPoint);
    renderer.EndScreen();
    const bool presented = renderer.Present(0.0);
    renderer.Release(id);
    const bool shown =
        presented && WaitUntil(
                         [&] {
                             const std::vector<uint32_t> seen = window.Capture();
                             for (int y = 0; y < height; ++y)
                                 for (int x = 0; x < width; ++x)
                                     if ((!visible || visible(x, y)) && seen[size_t(y) * width + x] != marker)
                                         return false;
                             return true;
                         },
                         10000);
    if (!shown) std::printf("render: the first frame did not reach the screen within 10 s\n");
    return shown;
}

// Draws the scene through one back-end and waits for the screen to show it. The captured pixels
// go to shot when one is asked for.
bool RunScene(const std::string& backend, const Scene& scene, std::vector<uint32_t>* shot = nullptr) {
    CheckWindow window(kWidth, kHeight);
    if (!window.Shown()) return false;
    std::unique_ptr<IFrameRenderer> renderer = MakeRenderer(backend, window.Wnd());
    if (!renderer) {
        std::printf("render: no %s renderer for the window\n", backend.c_str());
        return false;
    }
    if (!renderer->Resize(kWidth, kHeight)) {
        std::printf("render: %s: Resize(%d, %d) failed\n", backend.c_str(), kWidth, kHeight);
        return false;
    }
    if (!ShowMarker(*renderer, window)) return false;
    if (!scene.draw(*renderer)) {
        std::printf("render: %s: %s: a renderer call failed\n", backend.c_str(), scene.name);
        return false;
    }
    std::vector<uint32_t> pixels;
    const bool matched = WaitUntil(
        [&] {
            pixels = window.Capture();
            return Compare(pixels, scene.expect, scene.tolerance).count == 0;
        },
        10000);
    if (shot) *shot = pixels;
    if (matched) return true;
    const Mismatch m = Compare(pixels, scene.expect, scene.tolerance);
    std::printf("render: %s: %s: %d pixels off by more than %d; first at (%d, %d): %06X, expected %06X\n",
                backend.c_str(), scene.name, m.count, scene.tolerance, m.x, m.y, unsigned(m.seen),
                unsigned(m.want));
    return false;
}

// The client area shrinks after a frame: the renderer follows it (the swap chain's buffers made
// again) and a point copy into the smaller screen is exact, its bottom-right corner included.
bool ResizeCase(const std::string& backend) {
    CheckWindow window(kWidth, kHeight);
    if (!window.Shown()) return false;
    std::unique_ptr<IFrameRenderer> renderer = MakeRenderer(backend, window.Wnd());
    if (!renderer || !renderer->Resize(kWidth, kHeight)) {
        std::printf("render: no %s renderer for the window\n", backend.c_str());
        return false;
    }
    if (!ShowMarker(*renderer, window)) return false;
    constexpr int kSmallWidth = 200, kSmallHeight = 150;
    SetWindowPos(window.Wnd().m_hWnd, nullptr, 0, 0, kSmallWidth, kSmallHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!renderer->Resize(kSmallWidth, kSmallHeight)) {
        std::printf("render: %s: Resize(%d, %d) failed\n", backend.c_str(), kSmallWidth, kSmallHeight);
        return false;
    }
    const Picture picture = Pattern(64, 48);
    const IFrameRenderer::TextureId id = renderer->Upload(picture.View());
    renderer->BeginScreen(IFrameRenderer::Screen::kNew);
    renderer->Draw(id, {0, 0, 64, 48}, {kSmallWidth - 64, kSmallHeight - 48, kSmallWidth, kSmallHeight},
                   {0, 0, kSmallWidth, kSmallHeight}, IFrameRenderer::Filter::kPoint);
    renderer->EndScreen();
    if (!renderer->Present(1.0)) {
        std::printf("render: %s: Present after the resize failed\n", backend.c_str());
        return false;
    }
    const Expect expect = [](int x, int y) {
        if (x >= kSmallWidth - 64 && y >= kSmallHeight - 48)
            return PatternAt(x - (kSmallWidth - 64), y - (kSmallHeight - 48));
        return 0u;
    };
    std::vector<uint32_t> seen;
    auto matches = [&] {
        seen = CaptureClient(window.Wnd().m_hWnd, kSmallWidth, kSmallHeight);
        for (int y = 0; y < kSmallHeight; ++y)
            for (int x = 0; x < kSmallWidth; ++x)
                if (seen[size_t(y) * kSmallWidth + x] != expect(x, y)) return false;
        return true;
    };
    if (WaitUntil(matches, 10000)) return true;
    for (int y = 0; y < kSmallHeight; ++y)
        for (int x = 0; x < kSmallWidth; ++x)
            if (seen[size_t(y) * kSmallWidth + x] != expect(x, y)) {
                std::printf("render: %s: after the resize (%d, %d) is %06X, expected %06X\n", backend.c_str(),
                            x, y, unsigned(seen[size_t(y) * kSmallWidth + x]), unsigned(expect(x, y)));
                return false;
            }
    return false;
}

// One window over two monitors of different sizes (800 x 600, and 640 x 480 to its right): a point
// copy across the boundary between them and a square in the second one's far corner are exact.
bool TwoMonitors(const std::string& backend) {
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (GetSystemMetrics(SM_CMONITORS) != 2 || width != 1440 || height != 600) {
        std::printf("render: needs the two-monitor display, found %d monitors over %d x %d\n",
                    GetSystemMetrics(SM_CMONITORS), width, height);
        return false;
    }
    const Visible visible = [](int x, int y) { return x < 800 || y < 480; };
    CheckWindow window(width, height, 0, 0);
    if (!window.Shown()) return false;
    std::unique_ptr<IFrameRenderer> renderer = MakeRenderer(backend, window.Wnd());
    if (!renderer || !renderer->Resize(width, height)) {
        std::printf("render: no %s renderer for the window\n", backend.c_str());
        return false;
    }
    if (!ShowMarker(*renderer, window, visible)) return false;
    const Picture picture = Pattern(64, 48), white = Solid(8, 8, Bgr(255, 255, 255));
    const IFrameRenderer::TextureId id = renderer->Upload(picture.View()),
                                    corner = renderer->Upload(white.View());
    const orv::Rect all{0, 0, width, height};
    renderer->BeginScreen(IFrameRenderer::Screen::kNew);
    renderer->Draw(id, {0, 0, 64, 48}, {768, 100, 832, 148}, all, IFrameRenderer::Filter::kPoint);
    renderer->Draw(corner, {0, 0, 8, 8}, {1432, 472, 1440, 480}, all, IFrameRenderer::Filter::kPoint);
    renderer->EndScreen();
    if (!renderer->Present(1.0)) {
        std::printf("render: %s: Present failed\n", backend.c_str());
        return false;
    }
    const Expect expect = [](int x, int y) {
        if (x >= 768 && x < 832 && y >= 100 && y < 148) return PatternAt(x - 768, y - 100);
        if (x >= 1432 && y >= 472 && y < 480) return Bgr(255, 255, 255);
        return 0u;
    };
    std::vector<uint32_t> seen;
    int badX = -1, badY = -1;
    auto matches = [&] {
        seen = window.Capture();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (visible(x, y) && seen[size_t(y) * width + x] != expect(x, y)) {
                    badX = x, badY = y;
                    return false;
                }
        return true;
    };
    if (WaitUntil(matches, 10000)) return true;
    std::printf("render: %s: (%d, %d) is %06X, expected %06X\n", backend.c_str(), badX, badY,
                unsigned(seen[size_t(badY) * width + badX]), unsigned(expect(badX, badY)));
    return false;
}

// The removal switch: from the named frame on, Present fails and so does everything after it.
bool RemovedDevice() {
    SetEnvironmentVariableA("ORVANTA_TEST_REMOVE_DEVICE", "3");
    CheckWindow window(kWidth, kHeight);
    if (!window.Shown()) return false;
    std::unique_ptr<IFrameRenderer> renderer = CreateD3DRenderer(window.Wnd());
    SetEnvironmentVariableA("ORVANTA_TEST_REMOVE_DEVICE", nullptr);
    if (!renderer || !renderer->Resize(kWidth, kHeight)) {
        std::printf("render: no gpu renderer for the window\n");
        return false;
    }
    const bool want[] = {true, true, false, false};
    for (int frame = 0; frame < 4; ++frame) {
        renderer->BeginScreen(IFrameRenderer::Screen::kNew);
        renderer->EndScreen();
        const bool presented = renderer->Present(1.0);
        if (presented != want[frame]) {
            std::printf("render: Present of frame %d returned %d\n", frame + 1, int(presented));
            return false;
        }
    }
    if (renderer->Resize(kWidth / 2, kHeight / 2)) {
        std::printf("render: Resize succeeded on a removed device\n");
        return false;
    }
    const Picture p = Solid(2, 2, 0);
    if (renderer->Upload(p.View()) != 0) {
        std::printf("render: Upload succeeded on a removed device\n");
        return false;
    }
    return true;
}

// Textures that must not be had: too large or malformed. The largest that may is had.
bool BadTextures() {
    CheckWindow window(kWidth, kHeight);
    if (!window.Shown()) return false;
    std::unique_ptr<IFrameRenderer> renderer = CreateD3DRenderer(window.Wnd());
    if (!renderer || !renderer->Resize(kWidth, kHeight)) {
        std::printf("render: no gpu renderer for the window\n");
        return false;
    }
    std::vector<uint32_t> row(16385, 0);
    const struct {
        const char* what;
        orv::BgraView view;
    } cases[] = {
        {"16385 x 1", {row.data(), 16385, 1, 16385}},
        {"1 x 16385", {row.data(), 1, 16385, 1}},
        {"no pixels", {nullptr, 4, 4, 4}},
        {"stride shorter than a row", {row.data(), 8, 2, 4}},
        {"0 x 0", {row.data(), 0, 0, 0}},
    };
    bool ok = true;
    for (const auto& c : cases) {
        if (renderer->Upload(c.view) != 0) {
            std::printf("render: Upload of %s gave a texture\n", c.what);
            ok = false;
        }
    }
    const orv::BgraView largest{row.data(), 16384, 1, 16384};
    if (renderer->Upload(largest) == 0) {
        std::printf("render: Upload of 16384 x 1 failed\n");
        ok = false;
    }
    return ok;
}

// The same scene through both back-ends: each against the expectation, then pixel against pixel.
bool CompareBackends(const Scene& scene) {
    std::vector<uint32_t> gpu, cpu;
    const bool gpuOk = RunScene("gpu", scene, &gpu);
    const bool cpuOk = RunScene("cpu", scene, &cpu);
    if (!gpuOk || !cpuOk) return false;
    int worst = 0, count = 0;
    for (size_t i = 0; i < gpu.size(); ++i) {
        const int d = Distance(gpu[i], cpu[i]);
        worst = std::max(worst, d);
        if (d > scene.tolerance) ++count;
    }
    std::printf("render: %s: gpu and cpu differ by at most %d per channel\n", scene.name, worst);
    if (count)
        std::printf("render: %s: %d pixels differ by more than %d\n", scene.name, count, scene.tolerance);
    return count == 0;
}

// Frames a second of a blend of two screens, the new one a bilinear quad that moves by a fraction
// of a pixel each frame; for the record, not a test.
int Bench(int width, int height, double seconds) {
    CheckWindow window(width, height);
    if (!window.Shown()) return 1;
    std::unique_ptr<IFrameRenderer> renderer = CreateD3DRenderer(window.Wnd());
    if (!renderer || !renderer->Resize(width, height)) {
        std::printf("render: no gpu renderer for the window\n");
        return 1;
    }
    const Picture picture = Pattern(2048, 1536);
    const IFrameRenderer::TextureId id = renderer->Upload(picture.View());
    if (!id) return 1;
    const orv::Rect all{0, 0, width, height};
    renderer->BeginScreen(IFrameRenderer::Screen::kOld);
    renderer->Draw(id, {0, 0, 2048, 1536}, {0, 0, double(width), double(height)}, all,
                   IFrameRenderer::Filter::kBilinear);
    renderer->EndScreen();
    const double start = NowMs();
    int frames = 0;
    double longest = 0;  // ms, the longest Present
    while (NowMs() - start < seconds * 1000) {
        const double shift = frames * 0.37;
        renderer->BeginScreen(IFrameRenderer::Screen::kNew);
        renderer->Draw(id, {shift, shift * 0.75, 1600 + shift, 1200 + shift * 0.75},
                       {0, 0, double(width), double(height)}, all, IFrameRenderer::Filter::kBilinear);
        renderer->EndScreen();
        const double before = NowMs();
        const bool presented = renderer->Present(0.5 + 0.4 * std::sin(frames * 0.05));
        longest = std::max(longest, NowMs() - before);
        if (!presented) {
            std::printf("render: Present failed at frame %d\n", frames);
            return 1;
        }
        ++frames;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    const double elapsed = (NowMs() - start) / 1000.0;
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto toSeconds = [](const FILETIME& t) {
        return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    std::printf(
        "render: bench %d x %d: %d frames in %.2f s: %.1f frames a second, longest Present %.1f ms; "
        "process CPU %.2f s\n",
        width, height, frames, elapsed, frames / elapsed, longest, toSeconds(kernel) + toSeconds(user));
    renderer->Release(id);
    return 0;
}

std::vector<std::string> Backends() { return {"gpu", "cpu"}; }

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "--list") {
        for (const std::string& backend : Backends())
            for (const Scene& scene : Scenes())
                std::printf("%s_%s\n", backend.c_str(), scene.name);
        if (Backends().size() > 1)
            for (const Scene& scene : Scenes())
                std::printf("compare_%s\n", scene.name);
        for (const std::string& backend : Backends())
            std::printf("%s_resize\n", backend.c_str());
        std::printf("gpu_removed_device\ngpu_bad_textures\n");
        return 0;
    }
    if (what == "bench" && argc > 4) return Bench(std::atoi(argv[2]), std::atoi(argv[3]), std::atof(argv[4]));
    if (what == "gpu_removed_device") return RemovedDevice() ? 0 : 1;
    if (what == "gpu_bad_textures") return BadTextures() ? 0 : 1;
    for (const std::string& backend : Backends()) {
        if (what == backend + "_resize") return ResizeCase(backend) ? 0 : 1;
        if (what == backend + "_two_monitors") return TwoMonitors(backend) ? 0 : 1;
    }
    const size_t split = what.find('_');
    if (split != std::string::npos) {
        const std::string backend = what.substr(0, split);
        const Scene* scene = FindScene(what.substr(split + 1));
        if (scene && backend == "compare" && Backends().size() > 1) return CompareBackends(*scene) ? 0 : 1;
        for (const std::string& known : Backends())
            if (scene && backend == known) return RunScene(backend, *scene) ? 0 : 1;
    }
    std::printf("render: unknown case '%s' (--list names them)\n", what.c_str());
    return 2;
}
