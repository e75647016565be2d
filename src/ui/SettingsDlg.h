#pragma once
// The settings dialog, template 102: edits the settings with a live preview that follows
// each change. The caller fills the setting members, runs DoModal and reads them back after
// IDOK; they are the whole interface. Win32 only.
#include <cstdint>
#include <string>
#include <type_traits>

#include "framework/Dialog.h"
#include "show/PictureWnd.h"
#include "core/ui/SettingsExchange.h"

// The core rules bind the members as 32-bit ints.
static_assert(std::is_same_v<BOOL, int32_t> && std::is_same_v<UINT, uint32_t>);

class CSettingsDlg : public CDialog {
public:
    // pParent: the window that owns the dialog, or null. The preview object reads the settings and
    // scans the folder here, before the dialog is shown.
    explicit CSettingsDlg(CWnd* pParent = nullptr);
    ~CSettingsDlg() override;

    CSpinButtonCtrl m_spinDelay;
    // The settings (m_strFolder, m_nDelay, m_bStretch, ...) with their defaults, and Fields().
    ORV_SETTINGS_MEMBERS()
    CPictureWnd m_wndPreview{FALSE, TRUE};  // held by value; its window is a child of the dialog
    BOOL m_bPreviewReady = FALSE;           // set once OnInitDialog has created the preview window

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnAbout();
    void OnBrowse();
    void UpdatePreview(orv::SettingChange change);

    DECLARE_MESSAGE_MAP()
};
