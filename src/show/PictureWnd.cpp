#include "show/PictureWnd.h"

#include <utility>

#include "core/show/Monitors.h"
#include "core/show/PictureList.h"
#include "core/show/Settings.h"
#include "framework/Unique.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "show/DisplayMonitors.h"
#include "show/GdiPresenter.h"
#include "show/WindowsDirectory.h"

namespace {

constexpr UINT_PTR kSlideTimer = 1;
// The worker's wake-up: results wait in its mailbox.
constexpr UINT kWorkerMail = WM_APP + 1;
// Lives only while a fade runs, re-armed after each frame for the next one's time.
constexpr UINT_PTR kFadeTimer = 2;

// Milliseconds of the performance counter: GetTickCount moves in steps of 10 to 16 ms, as long
// as a frame.
double NowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f{};
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart > 0 ? static_cast<double>(f.QuadPart) / 1000.0 : 1.0;
    }();
    LARGE_INTEGER t{};
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / perMs;
}

RECT ToRECT(const orv::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The class name registered by the first Create of the process.
const char* s_pszClassName = nullptr;

orv::SettingsRecord LoadedSettings() {
    orv::SettingsRecord settings =
        orv::LoadWindowSettings(AfxGetApp()->GetProfileStore(), WindowsDirectory());
    settings.folder = orv::NormalizeFolder(settings.folder);
    return settings;
}

}  // namespace

BEGIN_MESSAGE_MAP(CPictureWnd, CWnd)
    ON_WM_TIMER()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_DISPLAYCHANGE()
    ON_MESSAGE(kWorkerMail, &CPictureWnd::OnWorkerMail)
END_MESSAGE_MAP()

CPictureWnd::CPictureWnd(BOOL autoDelete, BOOL preview)
    : m_bAutoDelete(autoDelete),
      m_bPreview(preview),
      m_show(preview != FALSE, LoadedSettings()),
      m_pPresenter(std::make_unique<CGdiPresenter>(*this)) {
    orv::AssignSettings(Fields(), m_show.Settings());
}

// Also when the window was never created, or its owner deletes it without destroying it first.
CPictureWnd::~CPictureWnd() { m_worker.Stop(); }

BOOL CPictureWnd::Create(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd) {
    if (!s_pszClassName) {
        // The cursor belongs to the class, which lives as long as the process. The background is
        // the stock black brush: the system owns it, so nothing is left to free.
        HCURSOR hCursor = m_show.Stage().PointerShows()
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
    Run(m_show.FolderChanged(orv::SettingsOf(Fields())));
}

void CPictureWnd::OnSettingChanged(orv::SettingId id) {
    Run(m_show.SettingChanged(id, orv::SettingsOf(Fields())));
}

void CPictureWnd::StartSlideTimer() { Run(m_show.StartSlideTimer()); }

void CPictureWnd::StopSlideTimer() { Run(m_show.StopSlideTimer()); }

void CPictureWnd::ShowNextPicture() { Run(m_show.Tick()); }

orv::Desk CPictureWnd::CurrentDesk() {
    orv::Desk desk;
    RECT rcClient{0, 0, 0, 0};
    if (m_hWnd) GetClientRect(&rcClient);
    POINT origin{0, 0};
    if (m_hWnd) ::ClientToScreen(m_hWnd, &origin);
    // The client area in desk coordinates: moved by where the desk's corner is in the client.
    const POINT offset = ClientOffset();
    desk.client = orv::Rect{rcClient.left - offset.x, rcClient.top - offset.y, rcClient.right - offset.x,
                            rcClient.bottom - offset.y};
    desk.monitors = DisplayMonitors();
    desk.primary = orv::Size{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (m_hWnd) {
        CClientDC dc(this);
        desk.paletteDisplay = (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) != 0;
        desk.refreshHz = dc.GetDeviceCaps(VREFRESH);
    }
    return desk;
}

POINT CPictureWnd::ClientOffset() const {
    POINT origin{0, 0};
    if (m_hWnd) ::ClientToScreen(m_hWnd, &origin);
    const orv::Point offset = m_show.Stage().ClientOffset(orv::Point{origin.x, origin.y});
    return POINT{offset.x, offset.y};
}

void CPictureWnd::Run(orv::ShowCommands commands) {
    using Kind = orv::ShowCommand::Kind;
    for (orv::ShowCommand& command : commands) {
        switch (command.kind) {
        case Kind::StartWalk:
            m_worker.StartWalk(command.walk);
            break;
        case Kind::Prepare:
            m_worker.Prepare(std::move(command.deal));
            break;
        case Kind::Present:
            Present(command);
            break;
        case Kind::DrawFadeFrame:
            if (!m_pPresenter->DrawFrame(command.weight)) Run(m_show.FadeBroken());
            break;
        case Kind::EndFade:
            m_pPresenter->EndFade([this](CDC& dc) { DrawFailureBoxes(dc); });
            break;
        case Kind::WantFrame: {
            // Due at a time on the fade's clock, whatever this frame cost. Without a window
            // SetTimer would make a thread timer that nothing ever kills.
            const double wait = command.atMs - NowMs();
            if (m_hWnd) SetTimer(kFadeTimer, wait < 1 ? 1u : static_cast<UINT>(wait));
            break;
        }
        case Kind::StopFrames:
            if (m_hWnd) KillTimer(kFadeTimer);
            break;
        case Kind::ArmSlideTimer:
            if (m_hWnd) SetTimer(kSlideTimer, command.delayMs);
            break;
        case Kind::HoldSlideTimer:
            if (m_hWnd) KillTimer(kSlideTimer);
            break;
        case Kind::ForgetScreens:
            m_pPresenter->Forget();
            break;
        case Kind::MoveSlides:
            for (size_t i = 0; i < m_slides.size() && i < command.areas.size(); ++i)
                m_slides[i].m_rcArea = ToRECT(command.areas[i]);
            break;
        }
    }
}

void CPictureWnd::Present(orv::ShowCommand& command) {
    const auto draw = [this](CDC& dc, bool failureBoxes) { DrawPicture(dc, failureBoxes); };
    // The slides on show become the fade's old screen before their pictures go.
    const bool fading = m_pPresenter->BeginChange(command.fade, command.keepScreens, draw);
    std::vector<CSlide> slides(command.slides.size());
    for (size_t i = 0; i < slides.size(); ++i) {
        orv::ShowSlide& from = command.slides[i];
        slides[i].m_rcArea = ToRECT(from.area);
        slides[i].m_pPicture = std::move(from.picture);
        slides[i].m_strCaption = std::move(from.caption);
        // The same pictures decoded again after a change of setting: each box stays where it was
        // and no number is drawn for it.
        if (command.keepCaptionPlaces && i < m_slides.size()) {
            slides[i].m_nCaptionX = m_slides[i].m_nCaptionX;
            slides[i].m_nCaptionY = m_slides[i].m_nCaptionY;
        }
    }
    m_slides = std::move(slides);
    m_pPresenter->EndChange(fading, draw);
    Run(m_show.FadeBegan(fading, NowMs()));
}

LRESULT CPictureWnd::OnWorkerMail(WPARAM, LPARAM) {
    Run(m_show.Delivered(m_worker.Drain()));
    return 0;
}

void CPictureWnd::DrawPicture(CDC& dc, bool failureBoxes) {
    const POINT offset = ClientOffset();
    for (CSlide& slide : m_slides)
        DrawSlide(dc, slide, failureBoxes, offset);
}

void CPictureWnd::DrawSlide(CDC& dc, CSlide& slide, bool failureBoxes, POINT offset) {
    RECT rcArea = slide.m_rcArea;
    ::OffsetRect(&rcArea, offset.x, offset.y);
    // Nothing of one monitor's slide spills onto another: a caption box larger than its monitor is
    // cut at the monitor's edge.
    ClipRectGuard clip(dc, rcArea);
    RECT rcPicture{0, 0, 0, 0};
    CDibImage* pPicture = slide.m_pPicture.get();
    if (pPicture) {
        const RECT rcSource{0, 0, pPicture->GetWidth(), pPicture->GetHeight()};
        const orv::Rect target =
            m_show.Stage().PictureRect(ToRect(rcArea), orv::Size{rcSource.right, rcSource.bottom},
                                       m_show.GetDesk().primary, m_bStretch != 0);
        rcPicture = ToRECT(target);

        // The palette outlives its selection: the guard puts the previous one back (in the
        // background) before the CPalette frees its handle.
        CPalette palette;
        PaletteSelectGuard select;
        if (pPicture->MakePalette(&palette)) select.Select(dc, palette.GetSafeHandle());
        pPicture->Draw(dc, rcPicture, rcSource);
    }
    if (pPicture ? m_bShowCaption : failureBoxes) DrawCaption(dc, slide, rcPicture, rcArea);
}

void CPictureWnd::DrawFailureBoxes(CDC& dc) {
    const POINT offset = ClientOffset();
    for (CSlide& slide : m_slides) {
        if (slide.m_pPicture) continue;
        RECT rcArea = slide.m_rcArea;
        ::OffsetRect(&rcArea, offset.x, offset.y);
        ClipRectGuard clip(dc, rcArea);
        DrawCaption(dc, slide, RECT{0, 0, 0, 0}, rcArea);
    }
}

void CPictureWnd::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kSlideTimer) {
        ShowNextPicture();
    } else if (nIDEvent == kFadeTimer) {
        Run(m_show.FrameDue(NowMs()));
    } else {
        Default();
    }
}

void CPictureWnd::OnPaint() {
    CPaintDC dc(this);
    if (m_pPresenter->Paint(dc, m_show.Fading())) return;
    // The window changed under a fade: the fade ends and the slides are drawn as ever.
    if (m_show.Fading()) Run(m_show.FadeBroken());
    DrawPicture(dc);
}

BOOL CPictureWnd::OnEraseBkgnd(HDC) {
    // A fade's frame, or the screen it left, covers the whole client area: erasing first would
    // flash black.
    if (m_pPresenter->CoversClient(m_show.Fading())) return TRUE;
    return static_cast<BOOL>(Default());
}

void CPictureWnd::OnSize(UINT, int, int) {
    Default();
    // Before creation ends the controller has no desk yet; a full-screen window is resized only
    // by a display change, which tells the controller itself.
    if (m_show.Stage().SlidesFollowClient() && m_hWnd) Run(m_show.DeskChanged(CurrentDesk()));
}

void CPictureWnd::OnDisplayChange(UINT, int, int) {
    Default();
    Run(m_show.DeskChanged(CurrentDesk()));
}

int CPictureWnd::OnCreate(LPCREATESTRUCTA) {
    if (Default() == -1) return -1;
    // The window shows black at once; the first deal goes on screen as soon as the walk finds
    // it. Without a worker the show stays black.
    const bool working = m_worker.Start(m_hWnd, kWorkerMail);
    Run(m_show.Start(CurrentDesk(), working));
    return 0;
}

void CPictureWnd::OnDestroy() {
    // Before the window goes: nothing may post to it or wait on it afterwards.
    m_worker.Stop();
    StopSlideTimer();
    Default();
}
