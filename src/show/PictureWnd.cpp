#include "show/PictureWnd.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/show/Fade.h"
#include "core/show/Monitors.h"
#include "core/show/PictureList.h"
#include "core/show/Settings.h"
#include "framework/Unique.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "show/DisplayMonitors.h"
#include "show/FramePacer.h"
#include "show/GdiPresenter.h"
#include "show/WindowsDirectory.h"

namespace {

constexpr UINT_PTR kSlideTimer = 1;
// The worker's wake-up: results wait in its mailbox.
constexpr UINT kWorkerMail = WM_APP + 1;
// The frame pump's message, and its resume timer for when input, painting or a timer waits.
constexpr UINT kFrameMail = WM_APP + 2;
constexpr UINT_PTR kFrameResume = 2;
// Posted after the first paint when pan and zoom is on: the frame renderer is made ahead.
constexpr UINT kRendererMail = WM_APP + 3;
// The pause sign's control id.
constexpr UINT kPauseMarkId = 1;

// The core maps the keys by their Win32 codes.
static_assert(VK_RIGHT == 0x27 && VK_NEXT == 0x22 && VK_LEFT == 0x25 && VK_PRIOR == 0x21 && VK_SPACE == 0x20);

// Milliseconds of the performance counter: GetTickCount moves in steps of 10 to 16 ms, as long
// as a frame.
double NowMs() { return FrameClockMs(); }

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
    ON_MESSAGE(kFrameMail, &CPictureWnd::OnFrameMail)
    ON_MESSAGE(kRendererMail, &CPictureWnd::OnRendererMail)
    ON_MESSAGE(WM_DRAWITEM, &CPictureWnd::OnDrawItem)
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

bool CPictureWnd::BrowseKeyDown(UINT nChar, bool repeat) {
    if (!m_show.TakesKeys()) return false;
    const std::optional<orv::BrowseKey> key = orv::BrowseKeyOf(nChar);
    if (!key) return false;
    Run(m_show.Key(*key, repeat, NowMs()));
    return true;
}

void CPictureWnd::ShowPauseMark(const orv::ShowCommand& command) {
    if (!command.paused || command.areas.empty() || !m_hWnd) {
        if (m_hPauseMark) ::DestroyWindow(m_hPauseMark);
        m_hPauseMark = nullptr;
        return;
    }
    RECT rc = ToRECT(command.areas.front());
    const POINT offset = ClientOffset();
    ::OffsetRect(&rc, offset.x, offset.y);
    if (m_hPauseMark) {
        ::SetWindowPos(m_hPauseMark, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    // Clipping its children keeps the sign over every paint and frame of the show; the window has
    // no other child.
    const LONG_PTR style = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    if (!(style & WS_CLIPCHILDREN)) ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, style | WS_CLIPCHILDREN);
    // Should it fail, the show is paused all the same, only without its sign.
    m_hPauseMark = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, rc.left, rc.top,
                                     rc.right - rc.left, rc.bottom - rc.top, m_hWnd,
                                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kPauseMarkId)),
                                     AfxGetInstanceHandle(), nullptr);
}

LRESULT CPictureWnd::OnDrawItem(WPARAM, LPARAM lParam) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (!item || item->CtlType != ODT_STATIC || item->hwndItem != m_hPauseMark) return Default();
    // Two light bars on a dark square read on any picture. The DC brush is a stock object: nothing
    // to free.
    const RECT& rc = item->rcItem;
    const int side = rc.right - rc.left;
    HGDIOBJ original = ::SelectObject(item->hDC, ::GetStockObject(DC_BRUSH));
    ::SetDCBrushColor(item->hDC, RGB(32, 32, 32));
    ::FillRect(item->hDC, &rc, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    ::SetDCBrushColor(item->hDC, RGB(255, 255, 255));
    const int top = rc.top + side / 5, bottom = rc.bottom - side / 5;
    const RECT left{rc.left + side / 4, top, rc.left + side * 5 / 12, bottom};
    const RECT right{rc.left + side * 7 / 12, top, rc.right - side / 4, bottom};
    ::FillRect(item->hDC, &left, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    ::FillRect(item->hDC, &right, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    if (original) ::SelectObject(item->hDC, original);
    return TRUE;
}

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
            if (m_bMotionFade) {
                // Still slides fading on the frame renderer (or pan and zoom turned off under a
                // moving fade, whose screens now stand still).
                DrawRendererFrame(command);
                break;
            }
            if (!m_pPresenter->DrawFrame(command.weight)) Run(m_show.FadeBroken());
            if (!m_strFrameLog.empty()) m_frameTimes.push_back(FrameLogLine{NowMs(), 0});
            break;
        case Kind::DrawMotionFrame:
            DrawRendererFrame(command);
            break;
        case Kind::EndFade:
            if (m_bMotionFade) {
                m_bMotionFade = false;
                ReleaseTextures(m_oldSlides);
                m_oldSlides.clear();
                if (!m_show.Moving() && m_hWnd) {
                    // The still slides whole, now with their failure boxes; or, when they are
                    // the window's own paint's (pan and zoom turned off under the fade on the
                    // CPU), painted afresh.
                    if (m_bStillFrames)
                        DrawStillFrame();
                    else
                        InvalidateRect(nullptr, TRUE);
                }
            } else {
                m_pPresenter->EndFade([this](CDC& dc) { DrawFailureBoxes(dc); });
            }
            break;
        case Kind::WantFrame:
            // The frame is due at atMs or later: the pump's next turn comes with the display's
            // next refresh, since the frame before it waited for that in its present.
            WantFrame();
            break;
        case Kind::StopFrames:
            m_bFramesWanted = false;
            if (m_show.Moving() || m_bStillFrames || !m_renderers.Current()) break;
            // Nothing moves any more (pan and zoom turned off, a palette display). On the GPU the
            // renderer goes on with the slides standing still; a running fade's end draws them.
            if (StillsOnRenderer()) {
                m_bStillFrames = true;
                if (!m_bMotionFade) DrawStillFrame();
            } else {
                // Elsewhere the frame renderer's last frame would stand in for the still slides,
                // so it goes, and the slides are painted as ever.
                m_bMotionFade = false;
                ReleaseTextures(m_oldSlides);
                m_oldSlides.clear();
                ReleaseTextures(m_slides);
                m_renderers.Reset();
                if (m_hWnd) InvalidateRect(nullptr, TRUE);
            }
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
        case Kind::HidePicture:
            m_worker.Hide(command.path);
            break;
        case Kind::PauseMark:
            ShowPauseMark(command);
            break;
        }
    }
}

std::vector<CPictureWnd::CSlide> CPictureWnd::SlidesOf(orv::ShowCommand& command) {
    std::vector<CSlide> slides(command.slides.size());
    for (size_t i = 0; i < slides.size(); ++i) {
        orv::ShowSlide& from = command.slides[i];
        slides[i].m_rcArea = ToRECT(from.area);
        slides[i].m_part = from.place.part;
        slides[i].m_pPicture = std::move(from.picture);
        slides[i].m_strCaption = std::move(from.caption);
        slides[i].m_bgra = std::move(from.bgra);
        slides[i].m_strInfo = std::move(from.info);
        // The same pictures decoded again after a change of setting: each box stays where it was
        // and no number is drawn for it.
        if (command.keepCaptionPlaces && i < m_slides.size()) {
            slides[i].m_nCaptionX = m_slides[i].m_nCaptionX;
            slides[i].m_nCaptionY = m_slides[i].m_nCaptionY;
        }
    }
    return slides;
}

void CPictureWnd::Present(orv::ShowCommand& command) {
    if (m_show.Moving()) {
        PresentMoving(command);
        return;
    }
    if (StillsOnRenderer()) {
        PresentStill(command);
        return;
    }
    // Still slides of the window's own paint from here on: whatever the frame renderer held goes.
    m_bMotionFade = false;
    ReleaseTextures(m_oldSlides);
    m_oldSlides.clear();
    ReleaseTextures(m_slides);
    if (m_bStillFrames) {
        // A palette display now: GDI draws the slides with their palettes.
        m_bStillFrames = false;
        m_renderers.Reset();
    }
    const auto draw = [this](CDC& dc, bool failureBoxes) { DrawPicture(dc, failureBoxes); };
    // The slides on show become the fade's old screen before their pictures go.
    const bool fading = m_pPresenter->BeginChange(command.fade, command.keepScreens, draw);
    m_slides = SlidesOf(command);
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
                                       m_show.GetDesk().primary, m_bStretch != 0, slide.m_part);
        rcPicture = ToRECT(target);

        // The palette outlives its selection: the guard puts the previous one back (in the
        // background) before the CPalette frees its handle.
        CPalette palette;
        PaletteSelectGuard select;
        if (pPicture->MakePalette(&palette)) select.Select(dc, palette.GetSafeHandle());
        pPicture->Draw(dc, rcPicture, rcSource);
    }
    if (pPicture ? m_bShowCaption : failureBoxes) DrawCaption(dc, slide, rcPicture, rcArea);
    // After the caption: the line keeps clear of the box where it now stands.
    DrawInfoLine(dc, slide, rcArea);
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
    } else if (nIDEvent == kFrameResume) {
        KillTimer(kFrameResume);
        m_bFramePosted = false;
        FrameDue();
    } else {
        Default();
    }
}

void CPictureWnd::OnPaint() {
    CPaintDC dc(this);
    if (m_bStillFrames && !m_show.Moving()) {
        // The renderer's last frame again, without waiting.
        IFrameRenderer* renderer = m_renderers.Current();
        if (renderer && renderer->Repaint(dc)) return;
        // None to repeat (its buffers were made anew): the still slides' frame is drawn again; a
        // running fade's next frame comes at the refresh.
        if (!m_show.Fading()) DrawStillFrame();
        if (m_bStillFrames) return;
    }
    if (m_show.Moving()) {
        // The last moving frame again; the next one follows at the refresh.
        IFrameRenderer* renderer = m_renderers.Current();
        if (renderer && renderer->Repaint(dc)) return;
    }
    if (m_pPresenter->Paint(dc, m_show.Fading())) return;
    // The window changed under a fade: the fade ends and the slides are drawn as ever.
    if (m_show.Fading()) Run(m_show.FadeBroken());
    DrawPicture(dc);
    // Once the window shows black, the GPU renderer may take its time: still slides, their fades
    // and pan and zoom all go through it.
    if (!m_bRendererAsked && m_renderers.WantsGpu(m_show.GetDesk().paletteDisplay))
        m_bRendererAsked = PostMessage(kRendererMail) != FALSE;
}

LRESULT CPictureWnd::OnRendererMail(WPARAM, LPARAM) {
    PrepareRenderer();
    return 0;
}

void CPictureWnd::PrepareRenderer() {
    // Making a Direct3D renderer and its first present each take up to a second under software
    // GL (less on a GPU, but never nothing): both are done ahead, a black frame over the black the
    // window was erased to, while the worker still walks and decodes, or else before a moving
    // slide's fade starts its clock. Made at the first moving frame instead, they would eat the
    // first picture's fade-in from black.
    const bool palette = m_show.GetDesk().paletteDisplay;
    if (!m_hWnd || m_renderers.Current() || !m_renderers.WantsGpu(palette)) return;
    // The black erase reaches the window before any swap chain does: Wine puts a window's GDI
    // drawing on screen lazily, and a late one lands over the first frames.
    ::GdiFlush();
    IFrameRenderer* renderer = m_renderers.Get(palette);
    if (!renderer) return;
    if (std::strcmp(renderer->Name(), "gpu") != 0) {
        // No GPU after all: still slides stay with the window's own paint, and a motion makes
        // its CPU renderer when it needs one.
        if (!m_show.Moving()) m_renderers.Reset();
        return;
    }
    RECT client{0, 0, 0, 0};
    GetClientRect(&client);
    if (renderer->Resize(client.right, client.bottom)) {
        for (IFrameRenderer::Screen screen : {IFrameRenderer::Screen::kOld, IFrameRenderer::Screen::kNew}) {
            renderer->BeginScreen(screen);
            renderer->EndScreen();
        }
        if (renderer->Present(1.0)) return;
    }
    m_renderers.FallBack();
}

BOOL CPictureWnd::OnEraseBkgnd(HDC) {
    // A fade's frame, or the screen it left, or the frame renderer's, covers the whole client
    // area: erasing first would flash black.
    if (m_show.Moving() || m_bStillFrames || m_pPresenter->CoversClient(m_show.Fading())) return TRUE;
    // GDI never paints a window that has a swap chain: under Wine such a fill comes back over
    // the frames, and on Windows GDI into a flip-model window is unreliable. Its frames are black
    // where nothing is drawn.
    const IFrameRenderer* renderer = m_renderers.Current();
    if (renderer && std::strcmp(renderer->Name(), "gpu") == 0) return TRUE;
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
    // The drifts differ from run to run; the process generator is left to the shuffle and captions.
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    m_show.SeedMotion(static_cast<uint64_t>(counter.QuadPart) ^
                      (static_cast<uint64_t>(::GetCurrentProcessId()) << 32));
    if (const char* log = std::getenv("ORVANTA_FRAME_LOG")) m_strFrameLog = log;
    Run(m_show.Start(CurrentDesk(), working));
    return 0;
}

void CPictureWnd::OnDestroy() {
    // Before the window goes: nothing may post to it or wait on it afterwards.
    m_worker.Stop();
    StopSlideTimer();
    m_hPauseMark = nullptr;  // destroyed with this window
    m_bFramesWanted = false;
    KillTimer(kFrameResume);
    ReleaseTextures(m_oldSlides);
    ReleaseTextures(m_slides);
    // Before the renderer goes: the log names the back-end that drew the frames.
    WriteFrameLog();
    m_renderers.Reset();
    Default();
}

// ---- Frames ---------------------------------------------------------------------------------
//
// Why this keeps the display's pace on Windows, and input first. A frame is drawn and presented
// from the pump's posted message, and its present waits for the display: a DXGI present of
// interval 1 blocks until a back buffer is free, that is until the refresh that shows the
// previous frame; DwmFlush after the CPU frame's BitBlt blocks until the compositor's next frame;
// under Wine a clock at VREFRESH stands in (show/FramePacer.h). The message for the next frame is
// posted at the end of this one, so it is handled one refresh later: one frame a refresh, in
// whichever loop runs, the application's own or the dialog manager's modal loop around the
// settings dialog (whose preview is a child window; that loop dispatches its posted messages like
// any other). No window timer paces anything: a timer fires on the system's clock tick (15.6 ms),
// so a 16 ms timer fires every 31 ms. GetMessage hands out posted messages before input,
// painting and timers, so a chain of posts alone would starve them: each turn looks at the queue
// first and, with input, painting or a timer waiting, leaves the next frame to a resume timer,
// which comes after all of them. The waits inside a present wake on input (MsgWaitForMultiple-
// ObjectsEx), or last at most a refresh (DXGI), so a key or a mouse move during a frame is
// handled within a frame and ends the saver as at any other time. A process shows one picture
// window at a time (the full-screen window covers every monitor), so one present is made per
// refresh, never two.

void CPictureWnd::WantFrame() {
    m_bFramesWanted = true;
    PumpFrame();
}

void CPictureWnd::PumpFrame() {
    if (!m_hWnd || m_bFramePosted) return;
    if (HIWORD(::GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) != 0) {
        m_bFramePosted = SetTimer(kFrameResume, USER_TIMER_MINIMUM) != 0;
        return;
    }
    m_bFramePosted = PostMessage(kFrameMail) != FALSE;
}

LRESULT CPictureWnd::OnFrameMail(WPARAM, LPARAM) {
    m_bFramePosted = false;
    FrameDue();
    return 0;
}

void CPictureWnd::FrameDue() {
    if (!m_bFramesWanted) return;
    if (HIWORD(::GetQueueStatus(QS_INPUT)) != 0) {
        // Input first: the frame waits behind it.
        PumpFrame();
        return;
    }
    m_bFramesWanted = false;
    Run(m_show.FrameDue(NowMs()));
}

void CPictureWnd::WriteFrameLog() {
    if (m_strFrameLog.empty() || m_frameTimes.empty()) return;
    // Only the benchmark sets the log, and the window is going: a disk write here delays nothing.
    FILE* f = std::fopen(m_strFrameLog.c_str(), "a");
    if (!f) return;
    IFrameRenderer* renderer = m_renderers.Current();
    std::fprintf(f, "# presenter %s\n", renderer ? renderer->Name() : "still");
    for (const FrameLogLine& line : m_frameTimes)
        std::fprintf(f, "%.3f %.3f\n", line.atMs, line.workMs);
    std::fclose(f);
    m_frameTimes.clear();
}

// ---- Pan and zoom ---------------------------------------------------------------------------

void CPictureWnd::PresentMoving(orv::ShowCommand& command) {
    // The still presenter's screens no longer show what is on the window.
    m_pPresenter->Forget();
    m_bStillFrames = false;
    // The slides on show go on moving under a fade, as its old screen.
    TakeRendererSlides(command);
    PrepareRenderer();
    Run(m_show.FadeBegan(command.fade, NowMs()));
}

void CPictureWnd::TakeRendererSlides(orv::ShowCommand& command) {
    // A fade's old screen is the slides on show; without a fade they go, textures and all.
    ReleaseTextures(m_oldSlides);
    m_oldSlides.clear();
    std::vector<CSlide> slides = SlidesOf(command);
    if (command.fade)
        m_oldSlides = std::move(m_slides);
    else
        ReleaseTextures(m_slides);
    m_bMotionFade = command.fade;
    m_slides = std::move(slides);
}

bool CPictureWnd::StillsOnRenderer() {
    // Blending and true-colour textures: a palette display keeps the window's own paint.
    const bool palette = m_show.GetDesk().paletteDisplay;
    if (!m_hWnd || palette) return false;
    // Once the GPU drew them, the CPU renderer that took over from it goes on (it draws the same
    // pixels); a CPU renderer left from a motion gives way to the window's own paint.
    if (m_bStillFrames) return true;
    if (!m_renderers.Current()) PrepareRenderer();
    const IFrameRenderer* renderer = m_renderers.Current();
    return renderer && std::strcmp(renderer->Name(), "gpu") == 0;
}

void CPictureWnd::PresentStill(orv::ShowCommand& command) {
    // The GDI presenter's screens go: the renderer keeps its own.
    m_pPresenter->BeginChange(false, false, [](CDC&, bool) {});
    m_bStillFrames = true;
    // The slides on show, as they stand, are a fade's old screen (none: black).
    TakeRendererSlides(command);
    if (command.fade) m_renderers.FramesResumed();
    // The cut: one frame, now; it stays on show until the next change.
    if (!command.fade) DrawStillFrame();
    Run(m_show.FadeBegan(command.fade, NowMs()));
}

void CPictureWnd::DrawStillFrame() {
    orv::ShowCommand frame(orv::ShowCommand::Kind::DrawFadeFrame);
    frame.weight = orv::kFullWeight;
    DrawRendererFrame(frame);
}

void CPictureWnd::DrawRendererFrame(const orv::ShowCommand& command) {
    if (!m_hWnd) return;
    const bool palette = m_show.GetDesk().paletteDisplay;
    // The pace is judged on runs of frames (a fade, a motion), not on a still slide's lone one.
    const bool inRun =
        command.kind == orv::ShowCommand::Kind::DrawMotionFrame || command.weight < orv::kFullWeight;
    for (int attempt = 0; attempt < 2; ++attempt) {
        IFrameRenderer* renderer = m_renderers.Get(palette);
        if (!renderer) break;
        if (DrawFrameWith(*renderer, command)) {
            const double now = NowMs();
            if (!m_strFrameLog.empty())
                m_frameTimes.push_back(FrameLogLine{now, renderer->LastFrameWorkMs()});
            if (inRun && m_renderers.Timed(now, m_show.GetDesk().refreshHz)) {
                // Too slow: the CPU renderer takes the slides over and draws this frame again at
                // once, so the window never shows what is left behind the swap chain.
                ForgetTextures(m_slides);
                ForgetTextures(m_oldSlides);
                if (IFrameRenderer* cpu = m_renderers.Current()) DrawFrameWith(*cpu, command);
            }
            m_renderers.Presented();
            return;
        }
        // A lost or removed device: the CPU renderer takes the slides over and draws this same
        // frame, so nothing blank or missing shows, and a fade goes on from there.
        ForgetTextures(m_slides);
        ForgetTextures(m_oldSlides);
        if (!m_renderers.FallBack()) break;
    }
    StopMoving();
}

void CPictureWnd::StopMoving() {
    // No renderer at all (GDI ran short): the still slides are painted, and no frames come.
    m_renderers.Reset();
    ForgetTextures(m_slides);
    ForgetTextures(m_oldSlides);
    m_bFramesWanted = false;
    m_bStillFrames = false;
    if (m_show.Fading()) Run(m_show.FadeBroken());
    if (m_hWnd) InvalidateRect(nullptr, TRUE);
}

bool CPictureWnd::DrawFrameWith(IFrameRenderer& renderer, const orv::ShowCommand& command) {
    RECT client{0, 0, 0, 0};
    GetClientRect(&client);
    if (!renderer.Resize(client.right, client.bottom)) return false;
    const POINT offset = ClientOffset();
    const bool moving = command.kind == orv::ShowCommand::Kind::DrawMotionFrame;
    const bool blend = command.weight < orv::kFullWeight;
    if (blend) {
        renderer.BeginScreen(IFrameRenderer::Screen::kOld);
        if (moving)
            DrawMovingScreen(renderer, m_oldSlides, command.oldFramings, offset);
        else
            DrawStillScreen(renderer, m_oldSlides, true, offset);
        renderer.EndScreen();
    }
    renderer.BeginScreen(IFrameRenderer::Screen::kNew);
    if (moving)
        DrawMovingScreen(renderer, m_slides, command.framings, offset);
    else
        DrawStillScreen(renderer, m_slides, !blend, offset);  // a failure's box after the fade
    renderer.EndScreen();
    return renderer.Present(blend ? command.weight / static_cast<double>(orv::kFullWeight) : 1.0);
}

void CPictureWnd::DrawMovingScreen(IFrameRenderer& renderer, std::vector<CSlide>& slides,
                                   const std::vector<orv::SlideFraming>& framings, POINT offset) {
    for (size_t i = 0; i < slides.size(); ++i) {
        CSlide& slide = slides[i];
        RECT rcArea = slide.m_rcArea;
        ::OffsetRect(&rcArea, offset.x, offset.y);
        const orv::Rect clip = ToRect(rcArea);
        RECT rcPicture{0, 0, 0, 0};
        if (slide.m_pPicture && i < framings.size() && framings[i].target.Width() > 0) {
            const orv::SlideFraming& f = framings[i];
            const orv::RectF target{f.target.left + offset.x, f.target.top + offset.y,
                                    f.target.right + offset.x, f.target.bottom + offset.y};
            rcPicture = RECT{static_cast<LONG>(target.left), static_cast<LONG>(target.top),
                             static_cast<LONG>(target.right), static_cast<LONG>(target.bottom)};
            if (slide.m_texture && slide.m_bStillTexture) {
                // Drawn for the still layout (pan and zoom just turned on): the whole picture now.
                renderer.Release(slide.m_texture);
                slide.m_texture = 0;
            }
            if (!slide.m_texture) UploadPicture(renderer, slide, f.target);
            if (slide.m_texture) {
                // Picture pixels to the texture's, which may be fewer (uploaded at the drawn size).
                const double sx = slide.m_textureSize.cx / static_cast<double>(slide.m_pPicture->GetWidth());
                const double sy = slide.m_textureSize.cy / static_cast<double>(slide.m_pPicture->GetHeight());
                const orv::RectF source{f.source.left * sx, f.source.top * sy, f.source.right * sx,
                                        f.source.bottom * sy};
                renderer.Draw(slide.m_texture, source, target, clip, IFrameRenderer::Filter::kBilinear);
            }
        }
        // The caption box and the information line stand still over the moving picture (a
        // failure's box alone shows), each drawn once into a texture; the caption is placed first.
        if (slide.m_pPicture ? m_bShowCaption : !slide.m_strCaption.empty())
            DrawCaptionTexture(renderer, slide, rcPicture, clip, offset);
        DrawInfoTexture(renderer, slide, clip, offset);
    }
}

void CPictureWnd::DrawStillScreen(IFrameRenderer& renderer, std::vector<CSlide>& slides, bool failureBoxes,
                                  POINT offset) {
    // As DrawSlide paints them: the same layout, each picture drawn by GDI once into its texture
    // and copied from it pixel for pixel, then its caption box over it.
    for (CSlide& slide : slides) {
        RECT rcArea = slide.m_rcArea;
        ::OffsetRect(&rcArea, offset.x, offset.y);
        const orv::Rect clip = ToRect(rcArea);
        RECT rcPicture{0, 0, 0, 0};
        if (CDibImage* pPicture = slide.m_pPicture.get()) {
            rcPicture = ToRECT(
                m_show.Stage().PictureRect(clip, orv::Size{pPicture->GetWidth(), pPicture->GetHeight()},
                                           m_show.GetDesk().primary, m_bStretch != 0));
            if (slide.m_texture && !slide.m_bStillTexture) {
                // Uploaded for pan and zoom, now turned off: the still layout's instead.
                renderer.Release(slide.m_texture);
                slide.m_texture = 0;
            }
            if (!slide.m_texture) UploadStill(renderer, slide, rcPicture, rcArea, offset);
            if (slide.m_texture) {
                RECT at = slide.m_rcStill;
                ::OffsetRect(&at, offset.x, offset.y);
                const orv::RectF whole{0, 0, static_cast<double>(slide.m_textureSize.cx),
                                       static_cast<double>(slide.m_textureSize.cy)};
                const orv::RectF target{static_cast<double>(at.left), static_cast<double>(at.top),
                                        static_cast<double>(at.right), static_cast<double>(at.bottom)};
                renderer.Draw(slide.m_texture, whole, target, clip, IFrameRenderer::Filter::kPoint);
            }
        }
        if (slide.m_pPicture ? m_bShowCaption : failureBoxes)
            DrawCaptionTexture(renderer, slide, rcPicture, clip, offset);
        DrawInfoTexture(renderer, slide, clip, offset);
    }
}

void CPictureWnd::DrawCaptionTexture(IFrameRenderer& renderer, CSlide& slide, const RECT& rcPicture,
                                     const orv::Rect& clip, POINT offset) {
    if (!slide.m_captionTexture) UploadCaption(renderer, slide, rcPicture);
    DrawBoxTexture(renderer, slide.m_captionTexture, slide.m_rcCaptionBox, clip, offset);
}

void CPictureWnd::DrawInfoTexture(IFrameRenderer& renderer, CSlide& slide, const orv::Rect& clip,
                                  POINT offset) {
    // After the caption: the line takes the corner away from the box.
    if (!m_bShowInfo || !slide.m_pPicture || slide.m_strInfo.empty()) return;
    if (!slide.m_infoTexture) UploadInfo(renderer, slide);
    DrawBoxTexture(renderer, slide.m_infoTexture, slide.m_rcInfoBox, clip, offset);
}

void CPictureWnd::DrawBoxTexture(IFrameRenderer& renderer, IFrameRenderer::TextureId texture, const RECT& box,
                                 const orv::Rect& clip, POINT offset) {
    if (!texture) return;
    const orv::RectF whole{0, 0, static_cast<double>(box.right - box.left),
                           static_cast<double>(box.bottom - box.top)};
    const orv::RectF at{static_cast<double>(box.left + offset.x), static_cast<double>(box.top + offset.y),
                        static_cast<double>(box.right + offset.x),
                        static_cast<double>(box.bottom + offset.y)};
    renderer.Draw(texture, whole, at, clip, IFrameRenderer::Filter::kPoint);
}

namespace {

// A 32-bit top-down DIB section selected into a memory context: GDI draws into plain pixels.
struct PixelCanvas {
    CMemoryDC dc;
    UniqueBitmap bitmap;
    HGDIOBJ original = nullptr;
    uint32_t* bits = nullptr;  // owned by the bitmap
    int width = 0, height = 0;
    PixelCanvas(HDC compatible, int cx, int cy) : dc(compatible), width(cx), height(cy) {
        if (!dc.m_hDC || cx <= 0 || cy <= 0) return;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = cx;
        info.bmiHeader.biHeight = -cy;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* p = nullptr;
        bitmap.reset(::CreateDIBSection(dc.m_hDC, &info, DIB_RGB_COLORS, &p, nullptr, 0));
        if (!bitmap || !p) return;
        original = ::SelectObject(dc.m_hDC, bitmap.get());
        if (original) bits = static_cast<uint32_t*>(p);
    }
    ~PixelCanvas() {
        if (original) ::SelectObject(dc.m_hDC, original);
    }
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;
    orv::BgraView View() {
        ::GdiFlush();  // GDI may still be drawing into the bits
        return orv::BgraView{bits, width, height, width};
    }
};

}  // namespace

void CPictureWnd::UploadPicture(IFrameRenderer& renderer, CSlide& slide, const orv::RectF& target) {
    // At the size it is drawn at its largest zoom, never above its own: what the worker decoded.
    const int width = slide.m_pPicture->GetWidth(), height = slide.m_pPicture->GetHeight();
    const int cx = std::clamp(static_cast<int>(std::ceil(target.Width() * orv::kLargestZoom)), 1, width);
    const int cy = std::clamp(static_cast<int>(std::ceil(target.Height() * orv::kLargestZoom)), 1, height);
    slide.m_bStillTexture = false;
    orv::BgraPixels& ready = slide.m_bgra;
    if (!ready.pixels.empty()) {
        // The worker drew it already: the window's thread only uploads. Freed after, since a
        // renderer that takes over later draws it again from the picture.
        slide.m_texture =
            renderer.Upload(orv::BgraView{ready.pixels.data(), ready.size.cx, ready.size.cy, ready.size.cx});
        slide.m_textureSize = SIZE{ready.size.cx, ready.size.cy};
        ready = orv::BgraPixels();
        if (slide.m_texture) return;
    }
    CClientDC screen(this);
    PixelCanvas canvas(screen, cx, cy);
    if (!canvas.bits) return;
    if (!slide.m_pPicture->Draw(canvas.dc, RECT{0, 0, cx, cy}, RECT{0, 0, width, height})) return;
    slide.m_texture = renderer.Upload(canvas.View());
    slide.m_textureSize = SIZE{cx, cy};
}

void CPictureWnd::UploadStill(IFrameRenderer& renderer, CSlide& slide, const RECT& rcPicture,
                              const RECT& rcArea, POINT offset) {
    // Only the part that shows: a picture at its own size may be far larger than its monitor.
    RECT client{0, 0, 0, 0};
    GetClientRect(&client);
    RECT visible{0, 0, 0, 0};
    if (!::IntersectRect(&visible, &rcPicture, &rcArea) || !::IntersectRect(&visible, &visible, &client))
        return;
    CClientDC screen(this);
    PixelCanvas canvas(screen, visible.right - visible.left, visible.bottom - visible.top);
    if (!canvas.bits) return;
    // Drawn as the window's own paint draws it (the picture's stretch mode and rounding), moved so
    // that the part that shows lands in the canvas.
    ::SetViewportOrgEx(canvas.dc, -visible.left, -visible.top, nullptr);
    const CDibImage& picture = *slide.m_pPicture;
    picture.Draw(canvas.dc, rcPicture, RECT{0, 0, picture.GetWidth(), picture.GetHeight()});
    slide.m_texture = renderer.Upload(canvas.View());
    slide.m_textureSize = SIZE{canvas.width, canvas.height};
    slide.m_bStillTexture = true;
    ::OffsetRect(&visible, -offset.x, -offset.y);
    slide.m_rcStill = visible;
}

void CPictureWnd::UploadCaption(IFrameRenderer& renderer, CSlide& slide, const RECT& rcPicture) {
    // In desk coordinates: the box is placed (once per picture) and measured on a scratch canvas,
    // then drawn into one of its own size.
    const POINT offset = ClientOffset();
    RECT rcPictureDesk = rcPicture;
    ::OffsetRect(&rcPictureDesk, -offset.x, -offset.y);
    CClientDC screen(this);
    {
        PixelCanvas scratch(screen, 1, 1);
        if (!scratch.bits) return;
        DrawCaption(scratch.dc, slide, rcPictureDesk, slide.m_rcArea);
    }
    const RECT box = slide.m_rcCaptionBox;
    PixelCanvas canvas(screen, box.right - box.left, box.bottom - box.top);
    if (!canvas.bits) return;
    ::SetViewportOrgEx(canvas.dc, -box.left, -box.top, nullptr);
    DrawCaption(canvas.dc, slide, rcPictureDesk, slide.m_rcArea);
    slide.m_captionTexture = renderer.Upload(canvas.View());
}

void CPictureWnd::UploadInfo(IFrameRenderer& renderer, CSlide& slide) {
    // As the caption's: placed and measured on a scratch canvas in desk coordinates, then drawn
    // into one of its own size, on its plate (textures have no transparency).
    CClientDC screen(this);
    {
        PixelCanvas scratch(screen, 1, 1);
        if (!scratch.bits) return;
        DrawInfoLine(scratch.dc, slide, slide.m_rcArea, true);
    }
    const RECT box = slide.m_rcInfoBox;
    if (box.right <= box.left || box.bottom <= box.top) return;
    PixelCanvas canvas(screen, box.right - box.left, box.bottom - box.top);
    if (!canvas.bits) return;
    ::SetViewportOrgEx(canvas.dc, -box.left, -box.top, nullptr);
    DrawInfoLine(canvas.dc, slide, slide.m_rcArea, true);
    slide.m_infoTexture = renderer.Upload(canvas.View());
}

void CPictureWnd::ReleaseTextures(std::vector<CSlide>& slides) {
    IFrameRenderer* renderer = m_renderers.Current();
    for (CSlide& slide : slides) {
        if (renderer && slide.m_texture) renderer->Release(slide.m_texture);
        if (renderer && slide.m_captionTexture) renderer->Release(slide.m_captionTexture);
        if (renderer && slide.m_infoTexture) renderer->Release(slide.m_infoTexture);
    }
    ForgetTextures(slides);
}

void CPictureWnd::ForgetTextures(std::vector<CSlide>& slides) {
    for (CSlide& slide : slides)
        slide.m_texture = slide.m_captionTexture = slide.m_infoTexture = 0;
}
