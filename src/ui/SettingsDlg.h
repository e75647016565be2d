#pragma once
// The settings dialog, template 102: edits the seven settings with a live preview that follows
// each change. The caller fills the seven setting members, runs DoModal and reads them back after
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
    // pParent: the window that owns the dialog, or null. The preview object reads the settings
    // here; its worker walks the folder once its window exists, while the dialog shows.
    explicit CSettingsDlg(CWnd* pParent = nullptr);
    ~CSettingsDlg() override;

    CSpinButtonCtrl m_spinDelay;
    std::string m_strFolder;
    BOOL m_bStretch = TRUE;
    UINT m_nDelay = 1;
    BOOL m_bRandomOrder = TRUE;
    BOOL m_bShowCaption = FALSE;
    BOOL m_bShowBmp = FALSE;
    BOOL m_bShowJpg = FALSE;
    CPictureWnd m_wndPreview{FALSE, TRUE};  // held by value; its window is a child of the dialog
    BOOL m_bPreviewReady = FALSE;           // set once OnInitDialog has created the preview window

    // The seven setting members as the settings rules see them.
    orv::SettingsFields Fields() {
        return {m_strFolder, m_bStretch, m_nDelay, m_bRandomOrder, m_bShowCaption, m_bShowBmp, m_bShowJpg};
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnAbout();
    void OnBrowse();
    void UpdatePreview(orv::SettingChange change);

    // Message-map entries take no arguments: one forwarder per notification.
    void OnStretchClicked() { UpdatePreview(orv::SettingChange::Stretch); }
    void OnFolderKillFocus() { UpdatePreview(orv::SettingChange::Folder); }
    void OnDelayChange() { UpdatePreview(orv::SettingChange::Delay); }
    void OnRandomOrderClicked() { UpdatePreview(orv::SettingChange::RandomOrder); }
    void OnCaptionClicked() { UpdatePreview(orv::SettingChange::Caption); }
    void OnBmpClicked() { UpdatePreview(orv::SettingChange::Bmp); }
    void OnJpgClicked() { UpdatePreview(orv::SettingChange::Jpg); }

    DECLARE_MESSAGE_MAP()
};
