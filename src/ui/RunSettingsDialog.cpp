// Settings mode: the settings dialog, filled from the store and written back after OK.
#include "app/Settings.h"
#include "app/ShowApp.h"
#include "app/WindowsDirectory.h"
#include "ui/SettingsDlg.h"

void RunSettingsDialog(HWND owner) {
    // A number on the command line that names no window gives no owner: the dialog manager
    // would otherwise refuse to create the dialog and the user would see nothing at all.
    if (owner && !::IsWindow(owner)) owner = nullptr;

    CWinApp* pApp = AfxGetApp();
    orv::IProfileStore& store = pApp->GetProfileStore();

    CSettingsDlg dlg(owner ? CWnd::FromHandle(owner) : nullptr);
    // Unclamped: a stored delay outside 1..120 is shown as it is and refused at OK.
    const orv::SettingsRecord stored = orv::LoadDialogSettings(store, WindowsDirectory());
    dlg.m_nDelay = stored.delay;
    dlg.m_bStretch = stored.stretch;
    dlg.m_bRandomOrder = stored.randomOrder;
    dlg.m_bShowCaption = stored.showCaption;
    dlg.m_bShowBmp = stored.showBmp;
    dlg.m_bShowJpg = stored.showJpg;
    dlg.m_strFolder = stored.folder;

    // While it runs the dialog is the main window, so the about box (opened with no parent) is
    // owned by it.
    pApp->m_pMainWnd = &dlg;
    const INT_PTR result = dlg.DoModal();
    pApp->m_pMainWnd = nullptr;  // the object ends with this function
    if (result != IDOK) return;

    orv::SettingsRecord edited;
    edited.delay = dlg.m_nDelay;
    edited.stretch = dlg.m_bStretch;
    edited.randomOrder = dlg.m_bRandomOrder;
    edited.showCaption = dlg.m_bShowCaption;
    edited.showBmp = dlg.m_bShowBmp;
    edited.showJpg = dlg.m_bShowJpg;
    edited.folder = dlg.m_strFolder;
    orv::SaveSettings(store, edited);
}
