#pragma once
// The settings dialog, template 102: edits the settings with a live preview that follows
// each change. The caller fills the setting members, runs DoModal and reads them back after
// IDOK; they are the whole interface. Win32 only.
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "framework/Dialog.h"
#include "show/PictureWnd.h"
#include "core/ui/SettingsExchange.h"
#include "resources/resource.h"

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
    BOOL m_bShowInfo = FALSE;
    BOOL m_bBrowseKeys = FALSE;
    BOOL m_bPairPortraits = FALSE;
    std::vector<std::string> m_moreFolders;
    std::vector<std::string> m_excludedFolders;
    // The members for the core's rules, in SettingId order.
    orv::SettingsFields Fields() {
        return {m_nDelay,      m_bStretch,       m_bRandomOrder, m_bShowCaption, m_bFade,
                m_bShowBmp,    m_bShowJpg,       m_bShowOther,   m_bPanAndZoom,  m_bShowInfo,
                m_bBrowseKeys, m_bPairPortraits, m_strFolder,    m_moreFolders,  m_excludedFolders};
    }
    CPictureWnd m_wndPreview{FALSE, TRUE};  // held by value; its window is a child of the dialog
    BOOL m_bPreviewReady = FALSE;           // set once OnInitDialog has created the preview window

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnAbout();
    void OnBrowse();
    // Every picture the full-screen show hid shows again; the button is spent once it has (and
    // grey from the start when nothing is hidden).
    void OnShowHidden();
    // The folder lists' buttons: Add... appends a folder from the browser (unless listed already),
    // Remove takes out the selected line; either then updates the preview as an edit would.
    void OnAddFolder() { AddFolderTo(m_moreFolders, orv::SettingId::MoreFolders); }
    void OnRemoveFolder() { RemoveFolderFrom(IDC_MORE_FOLDERS, m_moreFolders, orv::SettingId::MoreFolders); }
    void OnAddExcluded() { AddFolderTo(m_excludedFolders, orv::SettingId::ExcludedFolders); }
    void OnRemoveExcluded() {
        RemoveFolderFrom(IDC_EXCLUDED_FOLDERS, m_excludedFolders, orv::SettingId::ExcludedFolders);
    }
    void AddFolderTo(std::vector<std::string>& folders, orv::SettingId id);
    void RemoveFolderFrom(int listId, std::vector<std::string>& folders, orv::SettingId id);
    // The shell's folder browser; the chosen folder's path, or empty when cancelled or when the
    // item is outside the file system.
    std::string BrowseForFolder();
    void UpdatePreview(orv::SettingChange change);
    // The message map's handler for the control of setting id.
    template <orv::SettingId id>
    void OnSettingEdited() {
        UpdatePreview(id);
    }

    DECLARE_MESSAGE_MAP()
};
