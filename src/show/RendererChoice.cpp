#include "show/RendererChoice.h"

#include <cstdlib>
#include <cstring>

#include "show/D3DRenderer.h"
#include "show/GdiRenderer.h"

PresenterSwitch PresenterFromEnvironment() {
    const char* value = std::getenv("ORVANTA_PRESENTER");
    if (!value) return PresenterSwitch::kAuto;
    if (std::strcmp(value, "cpu") == 0) return PresenterSwitch::kCpu;
    if (std::strcmp(value, "gpu") == 0) return PresenterSwitch::kGpu;
    return PresenterSwitch::kAuto;
}

bool CRendererChoice::WantsGpu(bool paletteDisplay) const {
    // A child window (the settings dialog's live preview) among GDI controls always draws on the
    // CPU: a flip-model swap chain in a child window under a GDI parent is unreliable on Windows,
    // and under Wine its frames never reach the screen; the preview is small enough for GDI.
    const bool child = m_wnd.m_hWnd && (::GetWindowLongA(m_wnd.m_hWnd, GWL_STYLE) & WS_CHILD) != 0;
    // A device that could not be had, was lost or fell behind is not tried again: each try costs
    // the window's thread up to a second.
    return !child && !m_gpuGivenUp &&
           (m_switch == PresenterSwitch::kGpu || (m_switch == PresenterSwitch::kAuto && !paletteDisplay));
}

IFrameRenderer* CRendererChoice::Get(bool paletteDisplay) {
    if (m_renderer) return m_renderer.get();
    if (WantsGpu(paletteDisplay)) {
        m_renderer = CreateD3DRenderer(m_wnd);
        if (!m_renderer) m_gpuGivenUp = true;
    }
    if (!m_renderer) m_renderer = CreateGdiRenderer(m_wnd);
    m_pace = orv::FramePaceWatch();
    return m_renderer.get();
}

bool CRendererChoice::FallBack() {
    if (m_renderer && std::strcmp(m_renderer->Name(), "cpu") == 0) return false;
    m_gpuGivenUp = true;
    // The GPU renderer stays until the CPU one has drawn its first frame: under Wine the window
    // shows its old GDI contents (black) from the moment the swap chain goes until then.
    m_retired = std::move(m_renderer);
    m_renderer = CreateGdiRenderer(m_wnd);
    return m_renderer != nullptr;
}

bool CRendererChoice::Timed(double nowMs, int refreshHz) {
    if (m_switch != PresenterSwitch::kAuto || !m_renderer || std::strcmp(m_renderer->Name(), "gpu") != 0)
        return false;
    if (m_pace.Presented(nowMs, refreshHz) != orv::FramePaceWatch::Verdict::kFallsBehind) return false;
    return FallBack();
}
