#include "framework/Dialog.h"

#include <algorithm>
#include <string>
#include <vector>

#include "framework/TextConvert.h"
#include "framework/Unique.h"
#include "framework/WinApp.h"
#include "core/framework/Placement.h"

namespace {

// The dialog's controls as the core exchange sees them.
class DialogControls final : public orv::IDialogControls {
public:
    explicit DialogControls(HWND hDlg) : m_hDlg(hDlg) {}

    std::string GetText(int id) override {
        HWND hCtrl = ::GetDlgItem(m_hDlg, id);
        if (!hCtrl) return std::string();
        // Counted and read in UTF-16, then converted: the ANSI length of a text in a multi-byte
        // code page is only an estimate, and a buffer sized by it could cut the text short.
        const int length = ::GetWindowTextLengthW(hCtrl);
        if (length <= 0) return std::string();
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const int copied = ::GetWindowTextW(hCtrl, &text[0], length + 1);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        return AnsiFromWide(text);
    }
    void SetText(int id, const std::string& text) override {
        ::SetDlgItemTextW(m_hDlg, id, WideFromAnsi(text).c_str());
    }
    int GetCheck(int id) override {
        return static_cast<int>(::SendDlgItemMessageA(m_hDlg, id, BM_GETCHECK, 0, 0));
    }
    void SetCheck(int id, int state) override {
        ::SendDlgItemMessageA(m_hDlg, id, BM_SETCHECK, static_cast<WPARAM>(state), 0);
    }
    std::vector<std::string> GetItems(int id) override {
        std::vector<std::string> items;
        HWND hList = ::GetDlgItem(m_hDlg, id);
        if (!hList) return items;
        const LRESULT count = ::SendMessageW(hList, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            const LRESULT length = ::SendMessageW(hList, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
            if (length == LB_ERR) continue;
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            const LRESULT copied =
                ::SendMessageW(hList, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
            text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
            items.push_back(AnsiFromWide(text));
        }
        return items;
    }
    void SetItems(int id, const std::vector<std::string>& items) override {
        HWND hList = ::GetDlgItem(m_hDlg, id);
        if (!hList) return;
        ::SendMessageW(hList, LB_RESETCONTENT, 0, 0);
        // A list box scrolls sideways only as far as it is told: the widest path, in its font.
        int widest = 0;
        HDC hdc = ::GetDC(hList);
        {
            const SelectGuard font(
                hdc, hdc ? reinterpret_cast<HGDIOBJ>(::SendMessageW(hList, WM_GETFONT, 0, 0)) : nullptr);
            for (const std::string& item : items) {
                const std::wstring text = WideFromAnsi(item);
                ::SendMessageW(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
                SIZE extent{};
                if (hdc && ::GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &extent))
                    widest = std::max(widest, static_cast<int>(extent.cx));
            }
        }
        if (hdc) ::ReleaseDC(hList, hdc);
        ::SendMessageW(hList, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 4), 0);
    }
    std::string ResourceString(uint32_t id) override { return AfxLoadString(id); }
    void ShowMessage(const std::string& text) override {
        AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
    void FocusControl(int id, bool selectAll) override {
        HWND hCtrl = ::GetDlgItem(m_hDlg, id);
        if (!hCtrl) return;
        ::SetFocus(hCtrl);
        if (selectAll) ::SendMessageA(hCtrl, EM_SETSEL, 0, -1);
    }

private:
    HWND m_hDlg;
};

// Sets a flag for its lifetime and puts the previous value back.
class FlagScope {
public:
    explicit FlagScope(BOOL& flag) : m_flag(flag), m_old(flag) { m_flag = TRUE; }
    ~FlagScope() { m_flag = m_old; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    BOOL& m_flag;
    BOOL m_old;
};

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    // No parent given: the application's main window owns the dialog (none while the main window
    // is this very dialog, which has no window yet).
    HWND hWndOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!hWndOwner) {
        CWinApp* pApp = AfxGetApp();
        if (pApp && pApp->m_pMainWnd) hWndOwner = pApp->m_pMainWnd->m_hWnd;
    }
    // A popup cannot be owned by a child window: its top-level ancestor owns it instead.
    while (hWndOwner && (::GetWindowLongA(hWndOwner, GWL_STYLE) & WS_CHILD))
        hWndOwner = ::GetParent(hWndOwner);

    const INT_PTR result = ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate),
                                             hWndOwner, &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    // The window is gone; WM_NCDESTROY detached it unless creation failed half-way.
    if (m_hWnd) Detach();
    m_pfnSuper = nullptr;
    return result;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hDlg, UINT message, WPARAM, LPARAM lParam) {
    // Once subclassed, every message reaches the map chain through CWnd::WndProc first, and the
    // dialog manager calls this procedure only from the default processing: nothing to add there.
    if (message != WM_INITDIALOG) return FALSE;
    auto* pDlg = reinterpret_cast<CDialog*>(lParam);
    if (!pDlg || !pDlg->Attach(hDlg)) return TRUE;
    pDlg->m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hDlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WndProc)));
    try {
        return pDlg->OnInitDialog();
    } catch (...) {
        // Nothing may unwind through the dialog manager's frames.
        ::EndDialog(hDlg, -1);
        return FALSE;
    }
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return CWnd::DefWindowProc(message, wParam, lParam);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    // A control's notification (lParam is the control) while an exchange fills or reads the
    // controls is swallowed, so the handlers never see the exchange's own changes.
    if (lParam != 0 && m_bLockoutNotify) return TRUE;
    return CWnd::OnCommand(wParam, lParam);
}

void CDialog::EndDialog(int nResult) {
    if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    FlagScope lockout(m_bLockoutNotify);
    DialogControls controls(m_hWnd);
    CDataExchange dx(controls, bSaveAndValidate != FALSE);
    DoDataExchange(&dx);
    return dx.Failed() ? FALSE : TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (pDX->Failed() || rControl.m_hWnd) return;
    rControl.Attach(::GetDlgItem(m_hWnd, nIDC));
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;  // the message has been shown; the dialog stays
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::CenterWindow(CWnd* pAlternateOwner) {
    HWND hWndCenter = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    if (hWndCenter && (!::IsWindowVisible(hWndCenter) || ::IsIconic(hWndCenter))) hWndCenter = nullptr;

    // The work area of the monitor the owner (or, without one, the dialog) is on.
    RECT rcArea{};
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (::GetMonitorInfoA(::MonitorFromWindow(hWndCenter ? hWndCenter : m_hWnd, MONITOR_DEFAULTTONEAREST),
                          &mi))
        rcArea = mi.rcWork;
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0);

    RECT rcCenter = rcArea;
    if (hWndCenter) ::GetWindowRect(hWndCenter, &rcCenter);
    RECT rcDlg{};
    ::GetWindowRect(m_hWnd, &rcDlg);

    const orv::Point pos = orv::CenteredPosition(ToRect(rcDlg), ToRect(rcCenter), ToRect(rcArea));
    ::SetWindowPos(m_hWnd, nullptr, pos.x, pos.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
