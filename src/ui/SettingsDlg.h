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
    // pParent: the window that owns the dialog, or null. The preview object reads the settings
    // here; its worker walks the folder once its window exists, while the dialog shows.
    explicit CSettingsDlg(CWnd* pParent = nullptr);
    ~CSettingsDlg() override;

    CSpinButtonCtrl m_spinDelay;
    // The settings; the caller replaces them all before DoModal.
    std::string m_strFolder;
    BOOL m_bStretch = TRUE;
    UINT m_nDelay = 10;
    BOOL m_bRandomOrder = TRUE;
    BOOL m_bShowCaption = TRUE;
    BOOL m_bFade = TRUE;
    BOOL m_bShowBmp = TRUE;
    BOOL m_bShowJpg = TRUE;
    BOOL m_bShowOther = TRUE;
    BOOL m_bPanAndZoom = FALSE;
    // The members for the core's rules, in SettingId order.
    orv::SettingsFields Fields() {
        return {m_nDelay,   m_bStretch, m_bRandomOrder, m_bShowCaption, m_bFade,
                m_bShowBmp, m_bShowJpg, m_bShowOther,   m_bPanAndZoom,  m_strFolder};
    }
    CPictureWnd m_wndPreview{FALSE, TRUE};  // held by value; its window is a child of the dialog
    BOOL m_bPreviewReady = FALSE;           // set once OnInitDialog has created the preview window

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnAbout();
    void OnBrowse();
    void UpdatePreview(orv::SettingChange change);
    // The message map's handler for the control of setting id.
    template <orv::SettingId id>
    void OnSettingEdited() {
        UpdatePreview(id);
    }

    DECLARE_MESSAGE_MAP()
};
