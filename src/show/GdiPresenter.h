#pragma once
// The GDI back-end of the presenter: each fade's old and new screens and the frame between them
// are DIB sections the size of the client area (show/FadeFrames.h); a frame is blended in plain
// memory and reaches the window in one BitBlt, so nothing half-drawn or black ever shows. The
// screens stay from one fade to the next while fades are on: a change then starts its fade from
// the last fade's new screen, as it stands. Window's thread only.
#include <memory>

#include "show/FadeFrames.h"
#include "show/FramePacer.h"
#include "show/ShowPresenter.h"

class CGdiPresenter final : public IShowPresenter {
public:
    explicit CGdiPresenter(CWnd& wnd) : m_wnd(wnd) {}

    bool BeginChange(bool fade, bool keepScreens, const DrawSlides& drawOld) override;
    void EndChange(bool fading, const DrawSlides& drawNew) override;
    bool DrawFrame(uint32_t weight) override;
    void EndFade(const DrawBoxes& drawBoxes) override;
    void Forget() override { m_bNewScreenShows = false; }
    bool Paint(CDC& dc, bool fading) override;
    bool CoversClient(bool fading) const override;

private:
    // Whether the screens still match the client area: a display change resizes and moves the
    // full-screen window.
    bool Fits() const;
    // The window's client size and where its corner is on the screen now.
    void Where(RECT& client, POINT& origin) const;

    CWnd& m_wnd;
    std::unique_ptr<CFadeFrames> m_pFrames;
    POINT m_ptOrigin{0, 0};  // where the client area's corner was when the screens were drawn
    // What the window shows is the screens' new screen, as the last fade left it; any other
    // drawing of the window clears this.
    bool m_bNewScreenShows = false;
    CFramePacer m_pacer;
};
