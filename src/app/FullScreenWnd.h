#pragma once
// The full-screen saver: a picture window over the whole desktop (every monitor, each with its own
// slide), topmost, without a visible cursor, that closes itself at the first key, mouse button,
// mouse movement or loss of activation. Its object deletes itself when the window is gone;
// destroying it ends the message loop.
#include "core/framework/Geometry.h"
#include "show/PictureWnd.h"

class CFullScreenWnd : public CPictureWnd {
public:
    CFullScreenWnd();
    ~CFullScreenWnd() override;

    // Covers the virtual screen (every monitor) as the system reports it now. FALSE when the
    // window could not be created; the object is then still the caller's.
    BOOL CreateFullScreen();

protected:
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnDestroy();
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    BOOL OnNcActivate(BOOL bActive);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    void OnActivateApp(BOOL bActive, DWORD dwThreadID);
    void OnMouseMove(UINT nFlags, POINT point);
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnMButtonDown(UINT nFlags, POINT point);
    void OnRButtonDown(UINT nFlags, POINT point);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    // Monitors came or went: the window covers the new virtual screen; the next tick deals to the
    // new set of monitors, and the slides on show stay where they are on the screen.
    void OnDisplayChange(UINT nImageDepth, int cx, int cy);

    // The mouse position of the first mouse-move message; (-1, -1) until then.
    orv::Point m_ptMouseStart;
    // Where the client area's corner was on the screen when m_ptMouseStart was last compared.
    POINT m_ptMouseOrigin{0, 0};

    DECLARE_MESSAGE_MAP()

private:
    // Runs the input rules on the message being handled: posts the close request and runs the
    // default processing as they decide, and returns the answer for the system.
    LRESULT ApplyInputRules();
    // The recorded mouse position is in client coordinates: when the window's corner moves (a
    // display change resizes it), it moves the other way, so that a pointer resting where it was
    // on the screen still counts as unmoved.
    void KeepMouseStartInPlace();
};
