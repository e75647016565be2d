#pragma once
// The modal dialog base: a dialog template run by the dialog manager, with the window reached
// through the same message maps as every CWnd. Win32 only.
//
// The dialog procedure attaches the object at WM_INITDIALOG and subclasses the dialog window with
// CWnd::WndProc, so messages go through the map chain first; whatever no map handles goes on to
// the dialog manager's own procedure (DefWindowProc below), as default processing.
//
// Data exchange: UpdateData runs DoDataExchange over the dialog's controls with the core helpers
// of ui/DataExchange.h. While an exchange runs, control notifications are not dispatched, so
// filling a control never reaches a handler and an exchange never re-enters itself.
#include "framework/Wnd.h"

#include <commctrl.h>

#include "core/framework/DataExchange.h"

using CDataExchange = orv::DataExchange;

class CDialog : public CWnd {
public:
    // nIDTemplate: the dialog template resource. pParentWnd: the owner, or null for the
    // application's main window (none while that has no window yet).
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog: IDOK or IDCANCEL (or the value given to EndDialog); -1 when the dialog
    // cannot be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    // FALSE: the controls to the members. TRUE: the members from the controls, validated; returns
    // FALSE (after the validation message) when a value is refused.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Centres the window over its owner (pAlternateOwner when given), or over the work area when it
    // has none or the owner is hidden or minimised, and keeps it inside the work area.
    void CenterWindow(CWnd* pAlternateOwner = nullptr);

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    // The framework's default: show the members in the controls; the focus goes to the first tab
    // stop (TRUE).
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    // OK: the members are read and validated; the dialog ends only when that succeeds.
    virtual void OnOK();
    virtual void OnCancel();

    // Attaches the control nIDC to rControl on the first exchange; nothing after that.
    void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr;  // the dialog manager's window procedure
    BOOL m_bLockoutNotify = FALSE;
};

// The up-down control, attached by DDX_Control. The control window belongs to its dialog.
class CSpinButtonCtrl : public CWnd {
public:
    CSpinButtonCtrl() = default;
    ~CSpinButtonCtrl() override { Detach(); }
    void SetRange(int nLower, int nUpper) {
        SendMessage(UDM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(nUpper), static_cast<WORD>(nLower)));
    }
};
