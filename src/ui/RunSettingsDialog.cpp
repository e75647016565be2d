// Settings mode: the settings dialog, filled from the store and written back after OK.
#include "ui/RunSettingsDialog.h"

#include "core/show/Settings.h"
#include "framework/WinApp.h"
#include "show/WindowsDirectory.h"
#include "ui/SettingsDlg.h"

void RunSettingsDialog(HWND owner) {
    // A number on the command line that names no window gives no owner: the dialog manager
    // would otherwise refuse to create the dialog and the user would see nothing at all.
    if (owner && !::IsWindow(owner)) owner = nullptr;

    CWinApp* pApp = AfxGetApp();
    orv::IProfileStore& store = pApp->GetProfileStore();

    CSettingsDlg dlg(owner ? CWnd::FromHandle(owner) : nullptr);
    // Unclamped: a stored delay outside 1..120 is shown as it is and refused at OK.
    orv::AssignSettings(dlg.Fields(), orv::LoadDialogSettings(store, WindowsDirectory()));

    // While it runs the dialog is the main window, so the about box (opened with no parent) is
    // owned by it.
    pApp->m_pMainWnd = &dlg;
    const INT_PTR result = dlg.DoModal();
    pApp->m_pMainWnd = nullptr;  // the object ends with this function
    if (result != IDOK) return;

    orv::SaveSettings(store, orv::SettingsOf(dlg.Fields()));
}
