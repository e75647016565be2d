// The scene check: a window at the screen's corner that draws RenderScene.h's scene through one
// presenter back-end ("scene_check cpu"), for
// the driver's render cases to read back from the screen. WM_APP + 1 presents the next stage,
// WM_APP + 2 makes and drops renderers (for a count of GDI objects); closing the window ends the program with
// 0. Exit codes: 2 no renderer, 3 no texture. Everything here runs on the program's one thread, the window's.
#include <cstring>
#include <memory>
#include <vector>

#include "RenderScene.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "show/GdiRenderer.h"

namespace {

using namespace render_scene;

class CCheckWnd : public CWnd {
public:
    // False when the renderer or a texture cannot be had; the exit code says which.
    bool Start(const char* backEnd, int& exitCode) {
        if (!CreateEx(WS_EX_TOPMOST, AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW)), "render check",
                      WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr))
            return false;
        if (std::strcmp(backEnd, "cpu") == 0) m_renderer = CreateGdiRenderer(*this);
        if (!m_renderer || !m_renderer->Resize(kWidth, kHeight)) {
            exitCode = 2;
            return false;
        }
        std::vector<uint32_t> pattern(kPatternWidth * kPatternHeight);
        for (int y = 0; y < kPatternHeight; ++y)
            for (int x = 0; x < kPatternWidth; ++x)
                pattern[y * kPatternWidth + x] = PatternPixel(x, y);
        const uint32_t ramp[] = {kRampLeft, kRampRight};
        const uint32_t fill[] = {kNewColour};
        const auto patternId =
            m_renderer->Upload({pattern.data(), kPatternWidth, kPatternHeight, kPatternWidth});
        const auto rampId = m_renderer->Upload({ramp, 2, 1, 2});
        const auto fillId = m_renderer->Upload({fill, 1, 1, 1});
        if (!patternId || !rampId || !fillId) {
            exitCode = 3;
            return false;
        }
        const orv::Rect clip{0, 0, kWidth, kHeight};
        m_renderer->BeginScreen(IFrameRenderer::Screen::kOld);
        m_renderer->Draw(patternId, {0, 0, kPatternWidth, kPatternHeight},
                         {kPatternX, kPatternY, kPatternX + kPatternWidth, kPatternY + kPatternHeight}, clip,
                         IFrameRenderer::Filter::kPoint);
        m_renderer->Draw(rampId, {0, 0, 2, 1}, {kRampX, kRampY, kRampX + 4, kRampY + 4}, clip,
                         IFrameRenderer::Filter::kBilinear);
        m_renderer->EndScreen();
        m_renderer->BeginScreen(IFrameRenderer::Screen::kNew);
        m_renderer->Draw(fillId, {0, 0, 1, 1}, {0, 0, kWidth, kHeight}, clip,
                         IFrameRenderer::Filter::kBilinear);
        m_renderer->EndScreen();
        m_renderer->Present(kStageWeights[0]);
        return true;
    }

protected:
    void OnPaint() {
        CPaintDC dc(this);
        if (m_renderer) m_renderer->Repaint(dc);
    }
    BOOL OnEraseBkgnd(HDC) { return TRUE; }
    LRESULT OnNextStage(WPARAM, LPARAM) {
        if (m_stage + 1 < static_cast<int>(sizeof kStageWeights / sizeof kStageWeights[0])) ++m_stage;
        if (m_renderer) m_renderer->Present(kStageWeights[m_stage]);
        return 0;
    }
    LRESULT OnChurn(WPARAM, LPARAM) {
        const uint32_t pixel[] = {kNewColour};
        for (int i = 0; i < kChurnRenderers; ++i) {
            std::unique_ptr<IFrameRenderer> renderer = CreateGdiRenderer(*this);
            if (!renderer) return 1;
            const int width = kWidth - 8 * i, height = kHeight - 4 * i;
            renderer->Resize(kWidth, kHeight);
            renderer->Resize(width, height);
            const auto id = renderer->Upload({pixel, 1, 1, 1});
            for (IFrameRenderer::Screen screen :
                 {IFrameRenderer::Screen::kOld, IFrameRenderer::Screen::kNew}) {
                renderer->BeginScreen(screen);
                renderer->Draw(id, {0, 0, 1, 1}, {0, 0, double(width), double(height) / 2},
                               {0, 0, width, height}, IFrameRenderer::Filter::kBilinear);
                renderer->EndScreen();
            }
            renderer->Present(0.5);
            CClientDC dc(this);
            renderer->Repaint(dc);
            renderer->Release(id);
        }
        CClientDC dc(this);
        if (m_renderer) m_renderer->Repaint(dc);
        return 0;
    }
    void OnDestroy() {
        m_renderer.reset();  // its DIB sections and context go while the window still exists
        ::PostQuitMessage(0);
    }
    void PostNcDestroy() override { delete this; }

    DECLARE_MESSAGE_MAP()

private:
    std::unique_ptr<IFrameRenderer> m_renderer;
    int m_stage = 0;
};

BEGIN_MESSAGE_MAP(CCheckWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_DESTROY()
    ON_MESSAGE(kNextStageMessage, &CCheckWnd::OnNextStage)
    ON_MESSAGE(kChurnMessage, &CCheckWnd::OnChurn)
END_MESSAGE_MAP()

class CCheckApp : public CWinApp {
public:
    BOOL InitInstance() override {
        const char* backEnd = __argc > 1 ? __argv[1] : "cpu";
        auto* wnd = new CCheckWnd;
        int exitCode = 1;
        if (!wnd->Start(backEnd, exitCode)) {
            m_nExitCode = exitCode;
            if (wnd->m_hWnd)
                wnd->DestroyWindow();  // deletes it
            else
                delete wnd;
            return FALSE;
        }
        m_pMainWnd = wnd;
        return TRUE;
    }
};

CCheckApp theApp;

}  // namespace
