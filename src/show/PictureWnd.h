#pragma once
// The slide show: a window that keeps its own copy of the settings, the picture list of its folder
// as its worker finds it, the slides on show and the next deal prepared ahead. Timer 1 puts the
// prepared deal on screen; painting lays it out and draws the caption. The window's thread never
// waits for a disk: its worker (CShowWorker) walks the folder and decodes. Used full screen
// (CFullScreenWnd), as the display settings' preview, and as the settings dialog's live preview.
#include <memory>
#include <string>
#include <vector>

#include "core/picture/DibImage.h"
#include "core/show/Settings.h"
#include "core/show/ShowSequence.h"
#include "framework/Wnd.h"
#include "show/FadeFrames.h"
#include "show/ShowWorker.h"

class CPictureWnd : public CWnd {
public:
    // autoDelete: the object deletes itself once its window is destroyed. preview: the window is
    // a miniature of the screen. Reads the settings; the walk starts with the window.
    CPictureWnd(BOOL autoDelete, BOOL preview);
    ~CPictureWnd() override;

    // The class is registered by the first call in the process; its cursor (arrow for a preview,
    // the transparent cursor 129 otherwise) is fixed by that first window.
    virtual BOOL Create(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd);

    // Set<ValueName> for every setting but the folder: plain stores, each followed by
    // OnSettingChanged. The owner rebuilds the list (SetFolder) and restarts the timer as needed.
    // clang-format off
    void SetDelayBetweenPictures(UINT nDelay)   { m_nDelay = nDelay;        OnSettingChanged(orv::SettingId::DelayBetweenPictures); }
    void SetStretchPictures(BOOL bStretch)      { m_bStretch = bStretch;    OnSettingChanged(orv::SettingId::StretchPictures); }
    void SetRandomOrder(BOOL bRandom)           { m_bRandomOrder = bRandom; OnSettingChanged(orv::SettingId::RandomOrder); }
    void SetDisplayImageDescription(BOOL bShow) { m_bShowCaption = bShow;   OnSettingChanged(orv::SettingId::DisplayImageDescription); }
    void SetFadeBetweenPictures(BOOL bFade)     { m_bFade = bFade;          OnSettingChanged(orv::SettingId::FadeBetweenPictures); }
    void SetDisplayBMPFiles(BOOL bShow)         { m_bShowBmp = bShow;       OnSettingChanged(orv::SettingId::DisplayBMPFiles); }
    void SetDisplayJPGFiles(BOOL bShow)         { m_bShowJpg = bShow;       OnSettingChanged(orv::SettingId::DisplayJPGFiles); }
    void SetDisplayOtherFiles(BOOL bShow)       { m_bShowOther = bShow;     OnSettingChanged(orv::SettingId::DisplayOtherFiles); }
    // clang-format on
    // Stores the folder and walks it anew under the current flags (cancelling a walk under way);
    // the next tick starts at the new list's first entry. The picture on show and the timer are
    // left alone.
    void SetFolder(const std::string& strFolder);

    // Both do nothing while the object has no window. The timer stays off while a tick waits for
    // its deal (a slow disk), so ticks do not pile up behind it.
    void StartSlideTimer();
    void StopSlideTimer();

    // A tick: the prepared deal goes on screen now, or as soon as it is ready.
    void ShowNextPicture();

protected:
    // One monitor's slide: the picture on show there and its caption. The full-screen window has
    // one per monitor, dealt at every tick; a preview has one, over its whole client area.
    struct CSlide {
        RECT m_rcArea{};  // where it shows, in client coordinates
        std::unique_ptr<CDibImage> m_pPicture;
        std::string m_strCaption;  // empty means no caption box
        int m_nCaptionX = -1;      // -1: the box is not yet placed for this picture
        int m_nCaptionY = -1;
    };

    // The areas the next tick deals entries to: the monitors in showing order (primary first), or
    // for a preview its client area. origin: where the client area's corner is on the screen.
    std::vector<RECT> SlideAreas(POINT& origin);
    // Where a picture of this size goes in the slide's area: the layout the paint and the loader
    // share.
    orv::Rect SlideTarget(const CSlide& slide, orv::Size picture) const;
    // The monitors, the palette mode or a setting the decode depends on changed: prepared work is
    // dropped and asked for again; with redoShown, the slides on show are decoded again too.
    void PrepareAgain(BOOL redoShown);
    // Keeps every slide on its monitor when the window's corner has moved on the screen since the
    // deal (a display change resizes the window, see CFullScreenWnd).
    void KeepSlidesInPlace();
    // Puts the next deal's slides on the screen: a crossfade from what shows now, or the cut.
    // bFade FALSE asks for the cut whatever the setting (the same pictures drawn again, say).
    void PresentSlides(std::vector<CSlide> slides, BOOL bFade = TRUE);
    // Draws every slide. failureBoxes: a slide whose picture failed shows its box; during a fade
    // the box waits for the fade's end.
    void DrawPicture(CDC& dc, bool failureBoxes = true);
    void DrawSlide(CDC& dc, CSlide& slide, bool failureBoxes);
    // How long a fade lasts here and now: 0 (the cut) with fades off, on a palette display or
    // without a window.
    uint32_t FadeLengthMs(CDC& dc) const;
    // The screens for a fade from the slides on show, the old screen drawn and the new one black;
    // null when GDI or memory runs short (the caller cuts).
    CFadeFrames* FadeScreens(CDC& dc, const RECT& rcClient);
    // Draws the next frame of the running fade, or its end.
    void OnFadeFrame();
    // Ends a running fade at once: its new screen shows whole, with any failure box, and the
    // frame timer goes.
    void FinishFade();
    // Whether the fade screens still match the client area (a display change resizes and moves
    // the window).
    bool FadeFits() const;
    // Draws the slide's caption box inside the slide's area, which stands for the client area.
    void DrawCaption(CDC& dc, CSlide& slide, const RECT& rcPicture);
    // Starts a new walk of the folder on the worker, the list empty again.
    void StartWalk();
    // Called after a setter has stored its value: a change of how slides are decoded or drawn
    // (not of the delay, nor of the list, which SetFolder walks anew) prepares them again.
    void OnSettingChanged(orv::SettingId id);

    void OnTimer(UINT_PTR nIDEvent);
    void OnPaint();
    BOOL OnEraseBkgnd(HDC hDC);
    void OnSize(UINT nType, int cx, int cy);
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    // Stops and joins the worker: a derived window's handler calls this one.
    void OnDestroy();
    LRESULT OnWorkerMail(WPARAM, LPARAM);
    void PostNcDestroy() override;

    BOOL m_bAutoDelete;
    BOOL m_bPreview;
    // The settings, as the store's defaults until the constructor reads them, and Fields() binding
    // them in SettingId order for the core's rules.
    UINT m_nDelay = 10;
    BOOL m_bStretch = TRUE;
    BOOL m_bRandomOrder = TRUE;
    BOOL m_bShowCaption = TRUE;
    BOOL m_bFade = TRUE;
    BOOL m_bShowBmp = TRUE;
    BOOL m_bShowJpg = TRUE;
    BOOL m_bShowOther = TRUE;
    std::string m_strFolder;
    orv::SettingsFields Fields() {
        return {m_nDelay,   m_bStretch, m_bRandomOrder, m_bShowCaption, m_bFade,
                m_bShowBmp, m_bShowJpg, m_bShowOther,   m_strFolder};
    }
    std::vector<CSlide> m_slides;
    POINT m_ptSlidesOrigin{0, 0};  // the client area's corner on the screen that the areas are for
    // The fade screens, kept from one fade to the next while fades are on: a tick then starts its
    // fade from the last fade's new screen, without drawing the slides on show again or taking
    // fresh pages for the buffers. m_ptFadeOrigin is where the client area's corner was when they
    // were drawn.
    std::unique_ptr<CFadeFrames> m_pFadeFrames;
    // A fade runs: the frame timer is armed and the paint presents the frame.
    bool m_bFading = false;
    // What the window shows is the screens' new screen, as the last fade left it; any other drawing
    // of the window clears this.
    bool m_bNewScreenShows = false;
    // The running fade: when it began (QueryPerformanceCounter milliseconds), its length and its
    // frame rate.
    double m_fadeStartMs = 0;
    uint32_t m_fadeLengthMs = 0;
    int m_nFrameRate = 60;
    POINT m_ptFadeOrigin{0, 0};

    DECLARE_MESSAGE_MAP()

private:
    // The job for these paths on the slide areas of now, under the current settings.
    DealJob MakeDealJob(const std::vector<std::string>& paths, const std::vector<RECT>& areas, bool redo);
    // Asks the worker for the next deal when none is asked for or ready, dealing it first when
    // none is dealt; the list may not reach it yet, and then the walk's next delivery asks again.
    void RequestNextDeal();
    // Hands the prepared deal over when a tick waits for it, and holds or frees the slide timer.
    void HandOver();
    std::vector<CSlide> SlidesFrom(DealResult& result, const std::vector<RECT>& areas, POINT origin);

    CShowWorker m_worker;
    orv::ShowSequence m_sequence;
    orv::DealAhead m_ahead;
    uint64_t m_nWalk = 0;                   // the walk whose entries the list holds
    std::vector<std::string> m_dealPaths;   // the next deal, asked for or ready
    std::vector<RECT> m_dealAreas;          // the areas it is decoded for
    POINT m_ptDealOrigin{0, 0};             // the client area's corner those areas are for
    std::vector<CSlide> m_prepared;         // the next deal, once ready
    std::vector<std::string> m_shownPaths;  // the deal on show
    std::vector<RECT> m_redoAreas;
    POINT m_ptRedoOrigin{0, 0};
    BOOL m_bRedoAsked = FALSE;  // the slides on show are being decoded again
    BOOL m_bTimerHeld = FALSE;  // timer 1 is off while a tick waits for its deal
};
