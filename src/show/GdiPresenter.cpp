#include "show/GdiPresenter.h"

void CGdiPresenter::Where(RECT& client, POINT& origin) const {
    client = RECT{0, 0, 0, 0};
    origin = POINT{0, 0};
    if (!m_wnd.m_hWnd) return;
    m_wnd.GetClientRect(&client);
    ::ClientToScreen(m_wnd.m_hWnd, &origin);
}

bool CGdiPresenter::Fits() const {
    if (!m_pFrames) return false;
    RECT client;
    POINT origin;
    Where(client, origin);
    return client.right == m_pFrames->Width() && client.bottom == m_pFrames->Height() &&
           origin.x == m_ptOrigin.x && origin.y == m_ptOrigin.y;
}

bool CGdiPresenter::BeginChange(bool fade, bool keepScreens, const DrawSlides& drawOld) {
    if (!keepScreens) m_pFrames.reset();  // fades off, or a palette display: no buffers held
    if (!fade || !m_wnd.m_hWnd) return false;
    RECT client;
    POINT origin;
    Where(client, origin);
    const bool fits = Fits();
    if (fits && m_bNewScreenShows) {
        // The window shows the last fade's new screen, as it stands: this fade's old one.
        m_pFrames->NewBecomesOld();
    } else {
        if (fits) {
            m_pFrames->Clear(CFadeFrames::kOld);
            m_pFrames->Clear(CFadeFrames::kNew);
        } else {
            m_pFrames.reset();
            CClientDC dc(&m_wnd);
            m_pFrames = CFadeFrames::Create(dc, client.right, client.bottom);
            if (!m_pFrames) return false;
        }
        // The slides on show become the old screen (black before the first).
        drawOld(m_pFrames->Select(CFadeFrames::kOld), true);
    }
    m_ptOrigin = origin;
    m_bNewScreenShows = false;
    return true;
}

void CGdiPresenter::EndChange(bool fading, const DrawSlides& drawNew) {
    if (!fading || !m_pFrames) {
        // The cut; also when the screens cannot be had. Without a window a null handle would
        // invalidate every window on the desktop.
        m_bNewScreenShows = false;
        if (m_wnd.m_hWnd) m_wnd.InvalidateRect(nullptr, TRUE);
        return;
    }
    drawNew(m_pFrames->Select(CFadeFrames::kNew), false);
}

bool CGdiPresenter::DrawFrame(uint32_t weight) {
    if (!Fits()) return false;
    m_pFrames->Compose(weight);
    CClientDC dc(&m_wnd);
    m_pFrames->Present(dc, CFadeFrames::kFrame);
    // The frame shows at the display's next refresh: the next is drawn after it.
    m_pacer.WaitForDisplay(dc.GetDeviceCaps(VREFRESH));
    return true;
}

void CGdiPresenter::EndFade(const DrawBoxes& drawBoxes) {
    if (!Fits()) {
        // The window changed under the fade: the ordinary paint draws the new slides afresh.
        m_pFrames.reset();
        m_bNewScreenShows = false;
        if (m_wnd.m_hWnd) m_wnd.InvalidateRect(nullptr, TRUE);
        return;
    }
    // The new screen, and now the failure boxes: the ordinary paint would draw the same.
    drawBoxes(m_pFrames->Select(CFadeFrames::kNew));
    CClientDC dc(&m_wnd);
    m_bNewScreenShows = m_pFrames->Present(dc, CFadeFrames::kNew) != FALSE;
}

bool CGdiPresenter::Paint(CDC& dc, bool fading) {
    // During a fade the frame on show, whole; the caller ends a fade the window has outgrown.
    if (fading && Fits()) return m_pFrames->Present(dc, CFadeFrames::kFrame) != FALSE;
    // Between fades the last one's new screen is the slides as they stand, drawn already.
    if (!fading && m_bNewScreenShows && Fits()) return m_pFrames->Present(dc, CFadeFrames::kNew) != FALSE;
    m_bNewScreenShows = false;
    return false;
}

bool CGdiPresenter::CoversClient(bool fading) const {
    // A fade's frame, or the screen it left, covers the whole client area.
    return fading || (m_bNewScreenShows && Fits());
}
