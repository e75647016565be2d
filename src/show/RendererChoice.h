#pragma once
// Which back-end draws a picture window's frames (moving slides; still slides and their fades
// where the GPU is chosen), and when to leave it. ORVANTA_PRESENTER=cpu or =gpu forces one (tests,
// and users ruling one out); otherwise the GPU where Direct3D 11 gives a device and a swap chain,
// and the CPU for a palette display, when the GPU cannot be had, when its frames cannot keep the
// display's rate (timed, since under Wine the software GL reports itself as a hardware card), and
// when a Present fails (a lost or removed device). Window's thread only.
#include <memory>

#include "core/show/FramePace.h"
#include "show/FrameRenderer.h"

enum class PresenterSwitch { kAuto, kCpu, kGpu };
// The environment's ORVANTA_PRESENTER; anything but "cpu" or "gpu" is kAuto.
PresenterSwitch PresenterFromEnvironment();

class CRendererChoice {
public:
    explicit CRendererChoice(CWnd& wnd) : m_wnd(wnd), m_switch(PresenterFromEnvironment()) {}

    // The renderer in use, made at first need; null when none can be had.
    IFrameRenderer* Get(bool paletteDisplay);
    // Whether Get, with no renderer in use, would try the GPU: not for a child window, a palette
    // display (unless forced), ORVANTA_PRESENTER=cpu, or once the GPU failed or fell behind.
    bool WantsGpu(bool paletteDisplay) const;
    // The frames stopped a while (a still slide stands between two fades): the pace watch leaves
    // the pause out.
    void FramesResumed() { m_pace.Resumed(); }
    // The renderer failed (Present false) or is too slow: the CPU one takes over. False when
    // there is none to go to (already the CPU, or it cannot be had): the caller stops moving.
    bool FallBack();
    // A frame was presented at nowMs: the first frames of an unforced GPU are timed against the
    // display's period, and one that cannot keep it gives way to the CPU. True when it did.
    bool Timed(double nowMs, int refreshHz);
    void Reset() {
        m_renderer.reset();
        m_retired.reset();
    }
    // The renderer in use has presented: the one it took over from goes.
    void Presented() { m_retired.reset(); }
    // The renderer in use, without making one.
    IFrameRenderer* Current() const { return m_renderer.get(); }

private:
    CWnd& m_wnd;
    PresenterSwitch m_switch;
    std::unique_ptr<IFrameRenderer> m_renderer;
    std::unique_ptr<IFrameRenderer> m_retired;  // left by FallBack until Presented
    bool m_gpuGivenUp = false;
    orv::FramePaceWatch m_pace;
};
