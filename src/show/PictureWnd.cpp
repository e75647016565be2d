#include "show/PictureWnd.h"

#include <utility>

#include "core/show/Fade.h"
#include "core/show/Monitors.h"
#include "core/show/PictureList.h"
#include "core/show/Settings.h"
#include "framework/Unique.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "show/DisplayMonitors.h"
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

// The class name registered by the first Create of the process.
const char* s_pszClassName = nullptr;

}  // namespace

BEGIN_MESSAGE_MAP(CPictureWnd, CWnd)
    ON_WM_TIMER()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_MESSAGE(kWorkerMail, &CPictureWnd::OnWorkerMail)
END_MESSAGE_MAP()

CPictureWnd::CPictureWnd(BOOL autoDelete, BOOL preview) : m_bAutoDelete(autoDelete), m_bPreview(preview) {
    orv::AssignSettings(Fields(),
                        orv::LoadWindowSettings(AfxGetApp()->GetProfileStore(), WindowsDirectory()));
    m_strFolder = orv::NormalizeFolder(m_strFolder);
}

// Also when the window was never created, or its owner deletes it without destroying it first.
CPictureWnd::~CPictureWnd() { m_worker.Stop(); }

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
    StartWalk();
}

void CPictureWnd::StartWalk() {
    if (!m_worker.Running()) return;  // the walk starts with the window
    ++m_nWalk;
    m_sequence.Restart(m_bRandomOrder != 0);
    // A deal from the old list is of no use: the next tick shows the new list's first entry.
    m_ahead.Drop();
    m_dealPaths.clear();
    m_prepared.clear();
    m_worker.StartWalk(WalkJob{m_nWalk, m_strFolder, m_bShowBmp != 0, m_bShowJpg != 0, m_bShowOther != 0});
}

void CPictureWnd::StartSlideTimer() {
    if (!m_hWnd) return;
    StopSlideTimer();
    // While a tick waits for its deal, the hand-over starts the timer.
    if (m_ahead.DueTicks() > 0) {
        m_bTimerHeld = TRUE;
        return;
    }
    SetTimer(kSlideTimer, m_nDelay * 1000u);
}

void CPictureWnd::StopSlideTimer() {
    if (!m_hWnd) return;
    KillTimer(kSlideTimer);
    m_bTimerHeld = FALSE;
}

std::vector<RECT> CPictureWnd::SlideAreas(POINT& origin) {
    RECT rcClient{};
    GetClientRect(&rcClient);
    // A preview is a miniature of the one screen, whatever the desk has.
    if (m_bPreview || !m_hWnd) return {rcClient};
    origin = POINT{0, 0};
    if (!::ClientToScreen(m_hWnd, &origin)) return {rcClient};
    const std::vector<orv::Rect> order = orv::ShowingOrder(DisplayMonitors(), {origin.x, origin.y});
    // Should the system list no monitor, the window itself is the screen, as on a desk of one.
    if (order.empty()) return {rcClient};
    std::vector<RECT> areas;
    areas.reserve(order.size());
    for (const orv::Rect& r : order)
        areas.push_back(RECT{r.left, r.top, r.right, r.bottom});
    return areas;
}

void CPictureWnd::ShowNextPicture() {
    m_ahead.Tick();
    HandOver();
}

void CPictureWnd::HandOver() {
    if (m_ahead.TakeHandOver()) {
        m_shownPaths = std::move(m_dealPaths);
        m_dealPaths.clear();
        // A redo of the slides that were on show is of no use any more.
        m_bRedoAsked = FALSE;
        PresentSlides(std::move(m_prepared));
        m_prepared.clear();
        RequestNextDeal();
        // The timer was held for this deal: the delay runs from its hand-over.
        if (m_bTimerHeld && m_ahead.DueTicks() == 0) StartSlideTimer();
    }
    if (m_ahead.DueTicks() > 0 && m_hWnd && !m_bTimerHeld) {
        // A slow disk: the tick waits for its deal; the timer waits with it rather than pile up
        // ticks that would then race through the next pictures.
        KillTimer(kSlideTimer);
        m_bTimerHeld = TRUE;
    }
}

void CPictureWnd::OnSettingChanged(orv::SettingId id) {
    // The delay only paces the timer and fades only change how the next hand-over looks; a change
    // of the list reaches the window as SetFolder.
    if (id == orv::SettingId::DelayBetweenPictures || id == orv::SettingId::FadeBetweenPictures ||
        orv::RowOf(id).lists)
        return;
    PrepareAgain(TRUE);
}

DealJob CPictureWnd::MakeDealJob(const std::vector<std::string>& paths, const std::vector<RECT>& areas,
                                 bool redo) {
    DealJob job;
    job.generation = m_ahead.Generation();
    job.redo = redo;
    job.stretch = m_bStretch != 0;
    job.preview = m_bPreview != 0;
    job.showCaption = m_bShowCaption != 0;
    {
        CClientDC dc(this);
        job.paletteDisplay = (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) != 0;
    }
    // A preview is a picture of the primary screen; a monitor is a screen of its own size.
    const orv::Size primary{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    for (size_t i = 0; i < paths.size() && i < areas.size(); ++i) {
        const orv::Rect area = ToRect(areas[i]);
        job.slides.push_back(
            SlideJob{paths[i], area, m_bPreview ? primary : orv::Size{area.Width(), area.Height()}});
    }
    return job;
}

void CPictureWnd::RequestNextDeal() {
    if (!m_worker.Running() || m_ahead.GetState() != orv::DealAhead::State::Idle) return;
    POINT origin{0, 0};
    const std::vector<RECT> areas = SlideAreas(origin);
    // Monitors that came or went since the deal: the entries dealt no longer fit them.
    if (!m_dealPaths.empty() && m_dealPaths.size() != areas.size()) m_dealPaths.clear();
    if (m_dealPaths.empty()) {
        for (size_t index : m_sequence.NextDeal(areas.size()))
            m_dealPaths.push_back(m_sequence.Entries()[index]);
        if (m_dealPaths.empty()) return;  // the walk's next delivery asks again
    }
    m_dealAreas = areas;
    m_ptDealOrigin = origin;
    m_worker.Prepare(MakeDealJob(m_dealPaths, areas, false));
    m_ahead.Requested();
}

void CPictureWnd::PrepareAgain(BOOL redoShown) {
    // The screen kept from the last fade was drawn for the old monitors, palette or settings.
    m_bNewScreenShows = false;
    if (!m_worker.Running()) return;
    m_ahead.Drop();
    m_prepared.clear();
    if (redoShown && !m_shownPaths.empty()) {
        // Asked first, so the worker decodes the slides on show before the next deal.
        m_redoAreas = SlideAreas(m_ptRedoOrigin);
        if (m_redoAreas.size() == m_shownPaths.size()) {
            m_worker.Prepare(MakeDealJob(m_shownPaths, m_redoAreas, true));
            m_bRedoAsked = TRUE;
        }
    }
    RequestNextDeal();
}

std::vector<CPictureWnd::CSlide> CPictureWnd::SlidesFrom(DealResult& result, const std::vector<RECT>& areas,
                                                         POINT origin) {
    // The areas were laid out for the window where it was then; the slides on show keep theirs
    // for the window where it was at m_ptSlidesOrigin, and the paint moves both alike.
    const int dx = origin.x - m_ptSlidesOrigin.x;
    const int dy = origin.y - m_ptSlidesOrigin.y;
    std::vector<CSlide> slides(result.slides.size());
    for (size_t i = 0; i < slides.size() && i < areas.size(); ++i) {
        slides[i].m_rcArea = areas[i];
        if (!m_bPreview) ::OffsetRect(&slides[i].m_rcArea, dx, dy);
        slides[i].m_pPicture = std::move(result.slides[i].picture);
        slides[i].m_strCaption = std::move(result.slides[i].caption);
    }
    return slides;
}

LRESULT CPictureWnd::OnWorkerMail(WPARAM, LPARAM) {
    WorkerMail mail = m_worker.Drain();
    for (DealResult& deal : mail.deals) {
        if (deal.redo) {
            // Stale, or the show moved on meanwhile: dropped.
            if (!m_bRedoAsked || deal.generation != m_ahead.Generation()) continue;
            m_bRedoAsked = FALSE;
            // The same pictures at their new size: a cut, not a fade into themselves.
            PresentSlides(SlidesFrom(deal, m_redoAreas, m_ptRedoOrigin), FALSE);
        } else if (m_ahead.Arrived(deal.generation)) {
            m_prepared = SlidesFrom(deal, m_dealAreas, m_ptDealOrigin);
            HandOver();
        }
    }
    if (mail.walk.walk == m_nWalk && m_nWalk != 0) {
        m_sequence.Append(std::move(mail.walk.entries));
        if (mail.walk.ended) m_sequence.EndWalk();
        RequestNextDeal();
    }
    return 0;
}

orv::Rect CPictureWnd::SlideTarget(const CSlide& slide, orv::Size picture) const {
    const orv::Rect area = ToRect(slide.m_rcArea);
    // A preview is a picture of the primary screen; a monitor is a screen of its own size.
    const orv::Size screen = m_bPreview
                                 ? orv::Size{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}
                                 : orv::Size{area.Width(), area.Height()};
    return orv::PictureRectIn(area, picture, screen, m_bStretch != 0, m_bPreview != 0);
}

void CPictureWnd::KeepSlidesInPlace() {
    POINT origin{0, 0};
    if (!::ClientToScreen(m_hWnd, &origin)) return;
    const int dx = m_ptSlidesOrigin.x - origin.x;
    const int dy = m_ptSlidesOrigin.y - origin.y;
    if (dx == 0 && dy == 0) return;
    m_ptSlidesOrigin = origin;
    for (CSlide& slide : m_slides) {
        ::OffsetRect(&slide.m_rcArea, dx, dy);
        if (slide.m_nCaptionX != -1) {
            slide.m_nCaptionX += dx;
            slide.m_nCaptionY += dy;
        }
    }
}

void CPictureWnd::PresentSlides(std::vector<CSlide> slides, BOOL bFade) {
    // A tick during a fade ends it first: its new screen is what shows now.
    FinishFade();
    CClientDC dc(this);
    RECT rcClient{0, 0, 0, 0};
    if (m_hWnd) GetClientRect(&rcClient);
    const uint32_t lengthMs = FadeLengthMs(dc);
    if (lengthMs == 0) m_pFadeFrames.reset();  // fades off, or a palette display: no buffers held
    // The slides on show become the old screen (black before the first), before their pictures go.
    CFadeFrames* frames = bFade && lengthMs > 0 ? FadeScreens(dc, rcClient) : nullptr;
    m_slides = std::move(slides);
    if (!frames) {
        // The cut; also when the screens cannot be had. Without a window a null handle would
        // invalidate every window on the desktop.
        m_bNewScreenShows = false;
        if (m_hWnd) InvalidateRect(nullptr, TRUE);
        return;
    }
    DrawPicture(frames->Select(CFadeFrames::kNew), false);
    m_bFading = true;
    m_fadeLengthMs = lengthMs;
    m_nFrameRate = orv::FrameRateFor(dc.GetDeviceCaps(VREFRESH));
    // The clock starts a frame back: frame 0 is the old screen, on show already, so the first
    // frame drawn is the first that changes anything.
    m_fadeStartMs = NowMs() - 1000.0 / m_nFrameRate;
    OnFadeFrame();
}

CFadeFrames* CPictureWnd::FadeScreens(CDC& dc, const RECT& rcClient) {
    POINT origin{0, 0};
    ::ClientToScreen(m_hWnd, &origin);
    const bool fits = m_pFadeFrames && m_pFadeFrames->Width() == rcClient.right &&
                      m_pFadeFrames->Height() == rcClient.bottom && origin.x == m_ptFadeOrigin.x &&
                      origin.y == m_ptFadeOrigin.y;
    if (fits && m_bNewScreenShows) {
        // The window shows the last fade's new screen, as it stands: this fade's old one.
        m_pFadeFrames->NewBecomesOld();
    } else {
        if (fits) {
            m_pFadeFrames->Clear(CFadeFrames::kOld);
            m_pFadeFrames->Clear(CFadeFrames::kNew);
        } else {
            m_pFadeFrames.reset();
            m_pFadeFrames = CFadeFrames::Create(dc, rcClient.right, rcClient.bottom);
            if (!m_pFadeFrames) return nullptr;
        }
        DrawPicture(m_pFadeFrames->Select(CFadeFrames::kOld));
    }
    m_ptFadeOrigin = origin;
    m_bNewScreenShows = false;
    return m_pFadeFrames.get();
}

uint32_t CPictureWnd::FadeLengthMs(CDC& dc) const {
    if (!m_bFade || !m_hWnd) return 0;
    // Blending needs true colours; a palette display keeps the cut.
    if (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) return 0;
    return orv::FadeLengthMs(m_nDelay);
}

bool CPictureWnd::FadeFits() const {
    if (!m_pFadeFrames) return false;
    RECT rcClient{0, 0, 0, 0};
    GetClientRect(&rcClient);
    POINT origin{0, 0};
    ::ClientToScreen(m_hWnd, &origin);
    return rcClient.right == m_pFadeFrames->Width() && rcClient.bottom == m_pFadeFrames->Height() &&
           origin.x == m_ptFadeOrigin.x && origin.y == m_ptFadeOrigin.y;
}

void CPictureWnd::OnFadeFrame() {
    if (!m_bFading || !m_pFadeFrames) {
        KillTimer(kFadeTimer);
        return;
    }
    const double elapsed = NowMs() - m_fadeStartMs;
    const uint32_t elapsedMs = elapsed <= 0     ? 0u
                               : elapsed >= 4e9 ? 0xFFFFFFFFu
                                                : static_cast<uint32_t>(elapsed);
    const orv::FadeFrame frame = orv::FadeFrameAt(elapsedMs, m_fadeLengthMs, m_nFrameRate);
    if (frame.last || !FadeFits()) {
        FinishFade();
        return;
    }
    m_pFadeFrames->Compose(frame.weight);
    {
        CClientDC dc(this);
        m_pFadeFrames->Present(dc, CFadeFrames::kFrame);
    }
    // The next frame keeps its beat whatever this one cost.
    const double after = NowMs() - m_fadeStartMs;
    const orv::FadeFrame next =
        orv::FadeFrameAt(after <= 0 ? 0u : static_cast<uint32_t>(after), m_fadeLengthMs, m_nFrameRate);
    SetTimer(kFadeTimer, next.last ? 1u : next.nextInMs);
}

void CPictureWnd::FinishFade() {
    if (!m_bFading) return;
    KillTimer(kFadeTimer);
    m_bFading = false;
    if (!FadeFits()) {
        // The window changed under the fade: the ordinary paint draws the new slides afresh.
        m_pFadeFrames.reset();
        InvalidateRect(nullptr, TRUE);
        return;
    }
    // The new screen, and now the failure boxes: the ordinary paint would draw the same.
    CDC& newScreen = m_pFadeFrames->Select(CFadeFrames::kNew);
    for (CSlide& slide : m_slides) {
        if (slide.m_pPicture) continue;
        ClipRectGuard clip(newScreen, slide.m_rcArea);
        DrawCaption(newScreen, slide, RECT{0, 0, 0, 0});
    }
    CClientDC dc(this);
    m_bNewScreenShows = m_pFadeFrames->Present(dc, CFadeFrames::kNew) != FALSE;
}

void CPictureWnd::DrawPicture(CDC& dc, bool failureBoxes) {
    // A preview lays its slide out from the client size of this paint; the full-screen window
    // keeps the monitors of the last tick, where they are on the screen.
    if (!m_bPreview) {
        KeepSlidesInPlace();
    } else if (m_slides.size() == 1) {
        GetClientRect(&m_slides.front().m_rcArea);
    }
    for (CSlide& slide : m_slides)
        DrawSlide(dc, slide, failureBoxes);
}

void CPictureWnd::DrawSlide(CDC& dc, CSlide& slide, bool failureBoxes) {
    // Nothing of one monitor's slide spills onto another: a caption box larger than its monitor is
    // cut at the monitor's edge.
    ClipRectGuard clip(dc, slide.m_rcArea);
    RECT rcPicture{0, 0, 0, 0};
    CDibImage* pPicture = slide.m_pPicture.get();
    if (pPicture) {
        const RECT rcSource{0, 0, pPicture->GetWidth(), pPicture->GetHeight()};
        const orv::Rect target = SlideTarget(slide, orv::Size{rcSource.right, rcSource.bottom});
        ::SetRect(&rcPicture, target.left, target.top, target.right, target.bottom);

        // The palette outlives its selection: the guard puts the previous one back (in the
        // background) before the CPalette frees its handle.
        CPalette palette;
        PaletteSelectGuard select;
        if (pPicture->MakePalette(&palette)) select.Select(dc, palette.GetSafeHandle());
        pPicture->Draw(dc, rcPicture, rcSource);
    }
    if (pPicture ? m_bShowCaption : failureBoxes) DrawCaption(dc, slide, rcPicture);
}

void CPictureWnd::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kSlideTimer) {
        // A tick during a fade ends it at once, whether or not the next deal is ready.
        FinishFade();
        ShowNextPicture();
    } else if (nIDEvent == kFadeTimer) {
        OnFadeFrame();
    } else {
        Default();
    }
}

void CPictureWnd::OnPaint() {
    CPaintDC dc(this);
    // During a fade the frame on show, whole; should the window have changed under it, the fade
    // ends and the slides are drawn as ever.
    if (m_bFading && FadeFits()) {
        m_pFadeFrames->Present(dc, CFadeFrames::kFrame);
        return;
    }
    if (m_bFading) {
        KillTimer(kFadeTimer);
        m_bFading = false;
        m_bNewScreenShows = false;
    }
    // Between fades the last one's new screen is the slides as they stand, drawn already.
    if (m_bNewScreenShows && FadeFits()) {
        m_pFadeFrames->Present(dc, CFadeFrames::kNew);
        return;
    }
    m_bNewScreenShows = false;
    DrawPicture(dc);
}

BOOL CPictureWnd::OnEraseBkgnd(HDC) {
    // A fade's frame, or the screen it left, covers the whole client area: erasing first would
    // flash black.
    if (m_bFading || (m_bNewScreenShows && FadeFits())) return TRUE;
    return static_cast<BOOL>(Default());
}

void CPictureWnd::OnSize(UINT, int, int) { Default(); }

int CPictureWnd::OnCreate(LPCREATESTRUCTA) {
    if (Default() == -1) return -1;
    // The window shows black at once; the first deal goes on screen as soon as the walk finds
    // it, and the slide timer starts from there. Without a worker the show stays black.
    m_ahead.WantFirst();
    m_bTimerHeld = TRUE;
    if (m_worker.Start(m_hWnd, kWorkerMail)) StartWalk();
    return 0;
}

void CPictureWnd::OnDestroy() {
    // Before the window goes: nothing may post to it or wait on it afterwards.
    m_worker.Stop();
    StopSlideTimer();
    Default();
}
