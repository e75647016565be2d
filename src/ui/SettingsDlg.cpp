#include "ui/SettingsDlg.h"

#include <shlobj.h>

#include <algorithm>
#include <utility>

#include "core/show/FolderRoots.h"
#include "core/show/Settings.h"
#include "framework/ComPtr.h"
#include "framework/TextConvert.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "show/HiddenPictures.h"
#include "ui/AboutBox.h"

namespace {

// The preview picture window as the update rules see it.
class PreviewWindow final : public orv::IPreviewWindow {
public:
    explicit PreviewWindow(CPictureWnd& wnd) : m_wnd(wnd) {}
    void StopSlideTimer() override { m_wnd.StopSlideTimer(); }
    void StartSlideTimer() override { m_wnd.StartSlideTimer(); }
    void SetFolder(const std::string& folder) override { m_wnd.SetFolder(folder); }
    void SetDelayBetweenPictures(UINT nDelay) override { m_wnd.SetDelayBetweenPictures(nDelay); }
    void SetStretchPictures(BOOL bStretch) override { m_wnd.SetStretchPictures(bStretch); }
    void SetRandomOrder(BOOL bRandom) override { m_wnd.SetRandomOrder(bRandom); }
    void SetDisplayImageDescription(BOOL bShow) override { m_wnd.SetDisplayImageDescription(bShow); }
    void SetFadeBetweenPictures(BOOL bFade) override { m_wnd.SetFadeBetweenPictures(bFade); }
    void SetDisplayBMPFiles(BOOL bShow) override { m_wnd.SetDisplayBMPFiles(bShow); }
    void SetDisplayJPGFiles(BOOL bShow) override { m_wnd.SetDisplayJPGFiles(bShow); }
    void SetDisplayOtherFiles(BOOL bShow) override { m_wnd.SetDisplayOtherFiles(bShow); }
    void SetPanAndZoom(BOOL bMove) override { m_wnd.SetPanAndZoom(bMove); }
    void SetDisplayPictureInfo(BOOL bShow) override { m_wnd.SetDisplayPictureInfo(bShow); }
    void SetBrowseKeys(BOOL bBrowse) override { m_wnd.SetBrowseKeys(bBrowse); }
    void SetPairPortraits(BOOL bPair) override { m_wnd.SetPairPortraits(bPair); }
    void SetMoreFolders(const std::vector<std::string>& folders) override { m_wnd.SetMoreFolders(folders); }
    void SetExcludedFolders(const std::vector<std::string>& folders) override {
        m_wnd.SetExcludedFolders(folders);
    }

private:
    CPictureWnd& m_wnd;
};

}  // namespace

// Every setting's control updates the preview for that setting: check boxes when clicked, the
// delay box at every change of its text (the up-down control's steps included), the folder box
// once it is left, not at every key.
BEGIN_MESSAGE_MAP(CSettingsDlg, CDialog)
    ON_BN_CLICKED(IDC_ABOUT, &CSettingsDlg::OnAbout)
    ON_BN_CLICKED(IDC_STRETCH, &CSettingsDlg::OnSettingEdited<orv::SettingId::StretchPictures>)
    ON_EN_KILLFOCUS(IDC_FOLDER, &CSettingsDlg::OnSettingEdited<orv::SettingId::Directory>)
    ON_EN_CHANGE(IDC_DELAY, &CSettingsDlg::OnSettingEdited<orv::SettingId::DelayBetweenPictures>)
    ON_BN_CLICKED(IDC_RANDOM_ORDER, &CSettingsDlg::OnSettingEdited<orv::SettingId::RandomOrder>)
    ON_BN_CLICKED(IDC_BROWSE, &CSettingsDlg::OnBrowse)
    ON_BN_CLICKED(IDC_SHOW_CAPTION, &CSettingsDlg::OnSettingEdited<orv::SettingId::DisplayImageDescription>)
    ON_BN_CLICKED(IDC_FADE, &CSettingsDlg::OnSettingEdited<orv::SettingId::FadeBetweenPictures>)
    ON_BN_CLICKED(IDC_SHOW_BMP, &CSettingsDlg::OnSettingEdited<orv::SettingId::DisplayBMPFiles>)
    ON_BN_CLICKED(IDC_SHOW_JPG, &CSettingsDlg::OnSettingEdited<orv::SettingId::DisplayJPGFiles>)
    ON_BN_CLICKED(IDC_SHOW_OTHER, &CSettingsDlg::OnSettingEdited<orv::SettingId::DisplayOtherFiles>)
    ON_BN_CLICKED(IDC_PAN_AND_ZOOM, &CSettingsDlg::OnSettingEdited<orv::SettingId::PanAndZoom>)
    ON_BN_CLICKED(IDC_SHOW_INFO, &CSettingsDlg::OnSettingEdited<orv::SettingId::DisplayPictureInfo>)
    ON_BN_CLICKED(IDC_BROWSE_KEYS, &CSettingsDlg::OnSettingEdited<orv::SettingId::BrowseKeys>)
    ON_BN_CLICKED(IDC_PAIR_PORTRAITS, &CSettingsDlg::OnSettingEdited<orv::SettingId::PairPortraits>)
    ON_BN_CLICKED(IDC_ADD_FOLDER, &CSettingsDlg::OnAddFolder)
    ON_BN_CLICKED(IDC_REMOVE_FOLDER, &CSettingsDlg::OnRemoveFolder)
    ON_BN_CLICKED(IDC_ADD_EXCLUDED, &CSettingsDlg::OnAddExcluded)
    ON_BN_CLICKED(IDC_REMOVE_EXCLUDED, &CSettingsDlg::OnRemoveExcluded)
    ON_BN_CLICKED(IDC_SHOW_HIDDEN, &CSettingsDlg::OnShowHidden)
END_MESSAGE_MAP()

CSettingsDlg::CSettingsDlg(CWnd* pParent) : CDialog(IDD_SETTINGS, pParent) {}

CSettingsDlg::~CSettingsDlg() = default;

void CSettingsDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DELAY_SPIN, m_spinDelay);
    orv::ExchangeSettings(*pDX, Fields());
}

BOOL CSettingsDlg::OnInitDialog() {
    // An edit control takes some 30,000 characters at first, and Wine sets no text at all beyond
    // that: a longer stored folder would show as an empty box and OK would store the empty text.
    // Zero asks for the most a single-line box holds.
    ::SendDlgItemMessageA(m_hWnd, IDC_FOLDER, EM_SETLIMITTEXT, 0, 0);
    CDialog::OnInitDialog();  // the controls show the members

    // Nothing hidden, nothing to show again (bounded by the index's busy time-out; an index that
    // cannot be read leaves the button for a try). Asked before the preview's worker may be
    // making the file.
    if (HiddenPictureCount() == std::optional<int64_t>(0))
        if (CWnd* pButton = GetDlgItem(IDC_SHOW_HIDDEN)) ::EnableWindow(pButton->m_hWnd, FALSE);

    // The preview takes the hidden placeholder's place, in the dialog's client coordinates.
    RECT rect{};
    if (CWnd* pFrame = GetDlgItem(IDC_PREVIEW_FRAME)) pFrame->GetWindowRect(&rect);
    POINT topLeft{rect.left, rect.top};
    POINT bottomRight{rect.right, rect.bottom};
    ScreenToClient(&topLeft);
    ScreenToClient(&bottomRight);
    const RECT previewRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    // Shows the first picture and starts the slide timer. Should it fail, the setters still work
    // on the object and the timer calls do nothing.
    m_wndPreview.Create(0, WS_CHILD | WS_VISIBLE, previewRect, this);

    // Only the range: with UDS_SETBUDDYINT the control steps from the number in the delay box.
    m_spinDelay.SetRange(static_cast<int>(orv::kMinDelay), static_cast<int>(orv::kMaxDelay));
    CenterWindow();
    m_bPreviewReady = TRUE;
    return TRUE;  // focus to the first tab stop, the folder box
}

void CSettingsDlg::UpdatePreview(orv::SettingChange change) {
    PreviewWindow preview(m_wndPreview);
    orv::UpdatePreview(
        change, m_bPreviewReady, [this] { return UpdateData(TRUE) != FALSE; }, Fields(), preview);
}

// The window's thread, as every member. The browser's own loop keeps the preview running.
std::string CSettingsDlg::BrowseForFolder() {
    // The wide browser. Its display-name buffer must hold MAX_PATH characters, but that is only
    // the chosen item's name; the path comes from SHGetNameFromIDList, at any length.
    const std::wstring title = WideFromAnsi(AfxLoadString(IDS_BROWSE_TITLE));
    wchar_t displayName[MAX_PATH] = L"";

    BROWSEINFOW bi{};
    bi.hwndOwner = m_hWnd;
    bi.pidlRoot = nullptr;  // the desktop, nothing preselected
    bi.pszDisplayName = displayName;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = 0;
    bi.lpfn = nullptr;
    bi.lParam = 0;
    bi.iImage = 0;
    std::wstring path;
    {
        // The shell's browser expects COM on the calling thread, in a single-threaded apartment;
        // the program needs it nowhere else on this thread, so it lives for the browse alone.
        ComScope com(ComApartment::Single);
        if (!com) return std::string();
        const UniqueCoTaskMem<PIDLIST_ABSOLUTE> pidl(::SHBrowseForFolderW(&bi));
        if (!pidl) return std::string();  // cancelled
        PWSTR raw = nullptr;
        // Fails for an item outside the file system (a printer, the control panel).
        const HRESULT hr = ::SHGetNameFromIDList(pidl.get(), SIGDN_FILESYSPATH, &raw);
        const UniqueCoTaskMem<PWSTR> name(raw);  // the task allocator's too, also after a failure
        if (SUCCEEDED(hr) && name) path = name.get();
    }
    return path.empty() ? std::string() : AnsiFromWide(path);
}

void CSettingsDlg::OnBrowse() {
    std::string path = BrowseForFolder();
    if (path.empty()) return;
    m_strFolder = std::move(path);
    UpdateData(FALSE);
    UpdatePreview(orv::SettingId::Directory);
}

void CSettingsDlg::AddFolderTo(std::vector<std::string>& folders, orv::SettingId id) {
    std::string path = BrowseForFolder();
    if (path.empty()) return;
    // The same folder twice would only be walked once; the list shows it once too.
    const std::string key = orv::PathKey(path);
    if (std::none_of(folders.begin(), folders.end(),
                     [&](const std::string& folder) { return orv::PathKey(folder) == key; }))
        folders.push_back(std::move(path));
    UpdateData(FALSE);
    UpdatePreview(id);
}

void CSettingsDlg::RemoveFolderFrom(int listId, std::vector<std::string>& folders, orv::SettingId id) {
    const LRESULT selected = ::SendDlgItemMessageW(m_hWnd, listId, LB_GETCURSEL, 0, 0);
    if (selected < 0 || static_cast<size_t>(selected) >= folders.size()) return;  // nothing selected
    folders.erase(folders.begin() + selected);
    UpdateData(FALSE);
    // The line that took its place stays selected, so Remove can be pressed again.
    if (!folders.empty()) {
        const size_t next = std::min(static_cast<size_t>(selected), folders.size() - 1);
        ::SendDlgItemMessageW(m_hWnd, listId, LB_SETCURSEL, static_cast<WPARAM>(next), 0);
    }
    UpdatePreview(id);
}

void CSettingsDlg::OnShowHidden() {
    // At once, not with OK: the index is no setting. Bounded by the index's busy time-out; should
    // the index stay busy, the button stays for another try.
    if (!ShowHiddenPicturesAgain()) return;
    if (CWnd* pButton = GetDlgItem(IDC_SHOW_HIDDEN)) {
        // The focus leaves the button before it goes grey, or the dialog's keys would go nowhere.
        if (::GetFocus() == pButton->m_hWnd) ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 0, FALSE);
        ::EnableWindow(pButton->m_hWnd, FALSE);
    }
}

void CSettingsDlg::OnAbout() {
    CAboutBox box;
    box.DoModal();
}
