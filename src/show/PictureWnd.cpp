#include "show/PictureWnd.h"

#include <cstdio>

#include "core/show/Settings.h"
#include "show/WindowsDirectory.h"
#include "framework/TextConvert.h"
#include "framework/Unique.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "core/show/Layout.h"
#include "core/show/PictureList.h"
#include "show/Win32Directory.h"

namespace {

constexpr UINT_PTR kSlideTimer = 1;

// The class name registered by the first Create of the process.
const char* s_pszClassName = nullptr;

// The load-failure caption: string 103 with the picture's path for its "%s".
std::string LoadFailureText(const std::string& path) {
    std::string format = AfxLoadString(IDS_LOAD_FAILED);
    if (format.empty()) format = "%s: Unsupported file format";
    const int n = std::snprintf(nullptr, 0, format.c_str(), path.c_str());
    if (n <= 0) return format;
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(&text[0], text.size(), format.c_str(), path.c_str());
    text.resize(static_cast<size_t>(n));
    return text;
}

}  // namespace

BEGIN_MESSAGE_MAP(CPictureWnd, CWnd)
    ON_WM_TIMER()
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_CREATE()
END_MESSAGE_MAP()

CPictureWnd::CPictureWnd(BOOL autoDelete, BOOL preview) : m_bAutoDelete(autoDelete), m_bPreview(preview) {
    orv::AssignSettings(Fields(),
                        orv::LoadWindowSettings(AfxGetApp()->GetProfileStore(), WindowsDirectory()));
    SetFolder(m_strFolder);  // builds the list under the flags just read
}

CPictureWnd::~CPictureWnd() = default;

BOOL CPictureWnd::Create(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd) {
    if (!s_pszClassName) {
        // The cursor belongs to the class, which lives as long as the process. The background is
        // the stock black brush: the system owns it, so nothing is left to free.
        HCURSOR hCursor = m_bPreview
                              ? ::LoadCursorA(nullptr, IDC_ARROW)
                              : ::LoadCursorA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDC_TRANSPARENT));
        s_pszClassName = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, hCursor,
                                             static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        if (!s_pszClassName) return FALSE;
    }
    return CreateEx(dwExStyle, s_pszClassName, "", dwStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr, nullptr);
}

void CPictureWnd::PostNcDestroy() {
    if (m_bAutoDelete) delete this;
}

void CPictureWnd::SetFolder(const std::string& strFolder) {
    m_strFolder = orv::NormalizeFolder(strFolder);
    ScanFolder();
    m_nNextPicture = 0;
}

void CPictureWnd::ScanFolder() {
    CWaitCursor wait;
    Win32DirectoryEnumerator dir;
    orv::PictureFilter filter;
    filter.showBmp = m_bShowBmp != 0;
    filter.showJpg = m_bShowJpg != 0;
    m_pictures = orv::BuildPictureList(dir, m_strFolder, filter, m_bRandomOrder != 0, AnsiLeadByteTest());
}

void CPictureWnd::StartSlideTimer() {
    if (!m_hWnd) return;
    StopSlideTimer();
    SetTimer(kSlideTimer, m_nDelay * 1000u);
}

void CPictureWnd::StopSlideTimer() {
    if (!m_hWnd) return;
    KillTimer(kSlideTimer);
}

void CPictureWnd::ShowNextPicture() {
    if (m_pictures.empty()) return;
    StopSlideTimer();
    m_pPicture.reset();
    m_nCaptionX = -1;
    m_nCaptionY = -1;
    if (m_nNextPicture < 0 || static_cast<size_t>(m_nNextPicture) >= m_pictures.size()) m_nNextPicture = 0;

    {
        CClientDC dc(this);
        const BOOL paletteDisplay = (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) ? TRUE : FALSE;
        const std::string& path = m_pictures[static_cast<size_t>(m_nNextPicture)];

        // The loader decodes a JPEG no larger than this window will draw it, by the same layout
        // the paint uses. Without a window the size is unknown and the picture decodes whole.
        RECT rcClient{0, 0, 0, 0};
        if (m_hWnd) GetClientRect(&rcClient);
        const orv::Size client{rcClient.right - rcClient.left, rcClient.bottom - rcClient.top};
        const orv::Size screen{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        const bool stretch = m_bStretch != 0, preview = m_bPreview != 0;
        const orv::DrawSizeFn drawSize = [=](orv::Size picture) {
            const orv::Rect target = orv::PictureRect(client, picture, screen, stretch, preview);
            return orv::Size{target.Width(), target.Height()};
        };

        // A picture without pixels would reach the layout's divisions; and an exception out of
        // the file layer or the allocator is a failed load like any other: the show goes on.
        bool loaded = false;
        try {
            auto pPicture = std::make_unique<CDibImage>();
            if (pPicture->Load(path.c_str(), paletteDisplay, drawSize) && pPicture->GetWidth() > 0 &&
                pPicture->GetHeight() > 0) {
                m_pPicture = std::move(pPicture);
                loaded = true;
            }
        } catch (...) {
            m_pPicture.reset();
        }

        if (!loaded) {
            // The caption is UTF-8; the message is in the process code page like the path.
            m_strCaption = Utf8FromCodePage(CP_ACP, LoadFailureText(path));
        } else if (m_bShowCaption) {
            ReadCaptionFile(path);
        }

        // Without a window a null handle would invalidate every window on the desktop.
        if (m_hWnd) InvalidateRect(nullptr, TRUE);
        ++m_nNextPicture;
        StartSlideTimer();
    }
}

void CPictureWnd::DrawPicture(CDC& dc) {
    RECT rcPicture{0, 0, 0, 0};
    if (m_pPicture) {
        const RECT rcSource{0, 0, m_pPicture->GetWidth(), m_pPicture->GetHeight()};
        RECT rcClient;
        GetClientRect(&rcClient);
        const orv::Size client{rcClient.right - rcClient.left, rcClient.bottom - rcClient.top};
        const orv::Size screen{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        const orv::Size picture{rcSource.right, rcSource.bottom};
        const orv::Rect target = orv::PictureRect(client, picture, screen, m_bStretch != 0, m_bPreview != 0);
        ::SetRect(&rcPicture, 0, 0, target.Width(), target.Height());
        ::OffsetRect(&rcPicture, target.left, target.top);

        // The palette outlives its selection: the guard puts the previous one back (in the
        // background) before the CPalette frees its handle.
        CPalette palette;
        PaletteSelectGuard select;
        if (m_pPicture->MakePalette(&palette)) select.Select(dc, palette.GetSafeHandle());
        m_pPicture->Draw(dc, rcPicture, rcSource);
    }
    if (m_bShowCaption || !m_pPicture) DrawCaption(dc, rcPicture);
}

void CPictureWnd::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kSlideTimer) {
        ShowNextPicture();
    } else {
        Default();
    }
}

void CPictureWnd::OnPaint() {
    CPaintDC dc(this);
    DrawPicture(dc);
}

void CPictureWnd::OnSize(UINT, int, int) { Default(); }

int CPictureWnd::OnCreate(LPCREATESTRUCTA) {
    if (Default() == -1) return -1;
    ShowNextPicture();
    return 0;
}
