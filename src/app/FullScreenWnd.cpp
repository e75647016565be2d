#include "app/FullScreenWnd.h"

#include "core/app/InputRules.h"
#include "show/DisplayMonitors.h"

// The rules carry their own copies of the message values; they must be Win32's.
static_assert(orv::wm::kActivate == WM_ACTIVATE && orv::wm::kActivateApp == WM_ACTIVATEAPP &&
              orv::wm::kNcActivate == WM_NCACTIVATE && orv::wm::kSysCommand == WM_SYSCOMMAND);
static_assert(orv::wm::kKeyDown == WM_KEYDOWN && orv::wm::kKeyUp == WM_KEYUP &&
              orv::wm::kSysKeyDown == WM_SYSKEYDOWN && orv::wm::kSysKeyUp == WM_SYSKEYUP);
static_assert(orv::wm::kMouseMove == WM_MOUSEMOVE && orv::wm::kLButtonDown == WM_LBUTTONDOWN &&
              orv::wm::kLButtonUp == WM_LBUTTONUP && orv::wm::kRButtonDown == WM_RBUTTONDOWN &&
              orv::wm::kRButtonUp == WM_RBUTTONUP && orv::wm::kMButtonDown == WM_MBUTTONDOWN &&
              orv::wm::kMButtonUp == WM_MBUTTONUP);
static_assert(orv::wm::kScClose == SC_CLOSE && orv::wm::kScScreenSave == SC_SCREENSAVE &&
              orv::wm::kWaInactive == WA_INACTIVE);

BEGIN_MESSAGE_MAP(CFullScreenWnd, CPictureWnd)
    ON_WM_SYSCOMMAND()
    ON_WM_DESTROY()
    ON_WM_SETCURSOR()
    ON_WM_NCACTIVATE()
    ON_WM_ACTIVATE()
    ON_WM_ACTIVATEAPP()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_MBUTTONDOWN()
    ON_WM_RBUTTONDOWN()
    ON_WM_KEYDOWN()
    ON_WM_SYSKEYDOWN()
    ON_WM_DISPLAYCHANGE()
END_MESSAGE_MAP()

CFullScreenWnd::CFullScreenWnd() : CPictureWnd(TRUE, FALSE), m_ptMouseStart(orv::kNoMousePosition) {}

CFullScreenWnd::~CFullScreenWnd() = default;

BOOL CFullScreenWnd::CreateFullScreen() {
    const orv::Rect screen = VirtualScreen();
    const RECT rect{screen.left, screen.top, screen.right, screen.bottom};
    return Create(WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, rect, nullptr);
}

LRESULT CFullScreenWnd::ApplyInputRules() {
    const MSG* pMsg = GetCurrentMessage();
    if (pMsg->message == WM_MOUSEMOVE) KeepMouseStartInPlace();
    const orv::InputDecision decision =
        orv::DecideInput(pMsg->message, pMsg->wParam, pMsg->lParam, m_ptMouseStart);
    // Posted, not sent: the handler returns before the window goes.
    if (decision.closeRequest) PostMessage(WM_CLOSE, 0, 0);
    LRESULT result = decision.result;
    if (decision.defaultProcessing) {
        const LRESULT defaultResult = Default();
        if (decision.returnDefaultResult) result = defaultResult;
    }
    return result;
}

void CFullScreenWnd::OnSysCommand(UINT, LPARAM) { ApplyInputRules(); }

void CFullScreenWnd::OnDestroy() {
    ::PostQuitMessage(0);
    CPictureWnd::OnDestroy();  // the worker is told to stop before the window goes
}

BOOL CFullScreenWnd::OnSetCursor(CWnd*, UINT, UINT) {
    ::SetCursor(nullptr);
    return TRUE;
}

BOOL CFullScreenWnd::OnNcActivate(BOOL) { return static_cast<BOOL>(ApplyInputRules()); }

void CFullScreenWnd::OnActivate(UINT, CWnd*, BOOL) { ApplyInputRules(); }

void CFullScreenWnd::OnActivateApp(BOOL, DWORD) { ApplyInputRules(); }

void CFullScreenWnd::OnMouseMove(UINT, POINT) { ApplyInputRules(); }

void CFullScreenWnd::OnLButtonDown(UINT, POINT) { ApplyInputRules(); }

void CFullScreenWnd::OnMButtonDown(UINT, POINT) { ApplyInputRules(); }

void CFullScreenWnd::OnRButtonDown(UINT, POINT) { ApplyInputRules(); }

void CFullScreenWnd::OnKeyDown(UINT nChar, UINT, UINT nFlags) {
    // With BrowseKeys on, the browsing keys steer the show (KF_REPEAT: a held key's repeat); every
    // other key closes it as ever.
    if (BrowseKeyDown(nChar, (nFlags & KF_REPEAT) != 0)) return;
    ApplyInputRules();
}

void CFullScreenWnd::OnSysKeyDown(UINT, UINT, UINT) { ApplyInputRules(); }

void CFullScreenWnd::OnDisplayChange(UINT nImageDepth, int cx, int cy) {
    const orv::Rect screen = VirtualScreen();
    // The bits on the screen are not copied along (they would sit off their monitors when the
    // corner moves): the whole window is painted afresh, each slide where it was on the screen.
    if (::SetWindowPos(m_hWnd, nullptr, screen.left, screen.top, screen.Width(), screen.Height(),
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS))
        InvalidateRect(nullptr, TRUE);
    // The next deal was decoded for the old monitors and perhaps another palette mode.
    CPictureWnd::OnDisplayChange(nImageDepth, cx, cy);
}

void CFullScreenWnd::KeepMouseStartInPlace() {
    POINT origin{0, 0};
    if (!::ClientToScreen(m_hWnd, &origin)) return;
    if (m_ptMouseStart != orv::kNoMousePosition) {
        m_ptMouseStart.x += m_ptMouseOrigin.x - origin.x;
        m_ptMouseStart.y += m_ptMouseOrigin.y - origin.y;
    }
    m_ptMouseOrigin = origin;
}
