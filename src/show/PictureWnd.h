#pragma once
// The slide show: a window that keeps its own copy of the settings and the slides on show. Its
// controller (orv::ShowController) makes the show's decisions: it keeps the picture list as the
// worker finds it and the next deal prepared ahead, and answers each message with commands the
// window carries out. Timer 1 puts the prepared deal on screen. Where the GPU is chosen, the frame
// renderer (IFrameRenderer) draws every frame: each slide a texture, a fade its blend; elsewhere
// painting lays the slides out and draws the captions, the presenter (IShowPresenter) composes
// fades, and the frame renderer draws only pan and zoom. The window's thread never waits for a
// disk: its worker (CShowWorker) walks the folder and decodes. Used full screen (CFullScreenWnd),
// as the display settings' preview, and as the settings dialog's live preview. Every member
// function runs on the window's thread; only the worker's own methods say otherwise.
#include <memory>
#include <string>
#include <vector>

#include "core/picture/DibImage.h"
#include "core/show/Settings.h"
#include "core/show/ShowController.h"
#include "framework/Wnd.h"
#include "show/FrameRenderer.h"
#include "show/RendererChoice.h"
#include "show/ShowPresenter.h"
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
    void SetPanAndZoom(BOOL bMove)              { m_bPanAndZoom = bMove;    OnSettingChanged(orv::SettingId::PanAndZoom); }
    void SetDisplayPictureInfo(BOOL bShow)      { m_bShowInfo = bShow;      OnSettingChanged(orv::SettingId::DisplayPictureInfo); }
    void SetBrowseKeys(BOOL bBrowse)            { m_bBrowseKeys = bBrowse;  OnSettingChanged(orv::SettingId::BrowseKeys); }
    void SetPairPortraits(BOOL bPair)           { m_bPairPortraits = bPair; OnSettingChanged(orv::SettingId::PairPortraits); }
    // clang-format on
    // The folders walked after the folder, and those never walked: plain stores like the above;
    // the owner's SetFolder then walks them.
    void SetMoreFolders(const std::vector<std::string>& folders) {
        m_moreFolders = folders;
        OnSettingChanged(orv::SettingId::MoreFolders);
    }
    void SetExcludedFolders(const std::vector<std::string>& folders) {
        m_excludedFolders = folders;
        OnSettingChanged(orv::SettingId::ExcludedFolders);
    }
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

    // A key went down (repeat: the system's auto-repeat). True when it is one of the browsing keys
    // and the show takes them (BrowseKeys on, full screen): the show has stepped, paused or hidden
    // as the controller decided. False for every other key, which the owner handles as ever.
    bool BrowseKeyDown(UINT nChar, bool repeat);

protected:
    // One monitor's slide, or one half of a monitor's pair (PairPortraits): the picture on show
    // there and its caption, each drawn inside its own area. The full-screen window has one or
    // two per monitor, dealt at every tick; a preview has one or two, over its client area.
    struct CSlide {
        RECT m_rcArea{};                              // where it shows, in desk coordinates (orv::Desk)
        orv::SlotPart m_part = orv::SlotPart::Whole;  // which part of its monitor the area is
        std::unique_ptr<CDibImage> m_pPicture;
        std::string m_strCaption;  // empty means no caption box
        int m_nCaptionX = -1;      // -1: the box is not yet placed for this picture; desk coordinates
        int m_nCaptionY = -1;
        RECT m_rcCaptionBox{};  // where DrawCaption last put the box, desk coordinates
        // The picture and its caption box as the frame renderer holds them (0: not uploaded), and
        // the size the picture was uploaded at. A moving picture's texture is the whole picture
        // at its drawn size times the largest zoom; a still one's (m_bStillTexture) is the part
        // of its laid-out rectangle that shows, drawn by GDI as the window's own paint draws it,
        // at m_rcStill (desk coordinates).
        IFrameRenderer::TextureId m_texture = 0;
        IFrameRenderer::TextureId m_captionTexture = 0;
        SIZE m_textureSize{0, 0};
        bool m_bStillTexture = false;
        RECT m_rcStill{};
        orv::BgraPixels m_bgra;  // as the worker prepared it; freed once uploaded
        std::string m_strInfo;   // the information line (UTF-8); empty: none
        RECT m_rcInfoBox{};      // where DrawInfoLine last put it, desk coordinates
        IFrameRenderer::TextureId m_infoTexture = 0;
    };

    // Draws every slide into dc, in client coordinates. failureBoxes: a slide whose picture failed
    // shows its box; while a fade's new screen is drawn the box waits for the fade's end.
    void DrawPicture(CDC& dc, bool failureBoxes = true);
    // Draws the slide's caption box inside the slide's area; rcPicture and the area are in client
    // coordinates here.
    void DrawCaption(CDC& dc, CSlide& slide, const RECT& rcPicture, const RECT& rcArea);
    // Draws the slide's information line in the corner of its area away from the caption box
    // (drawn first); plate: on a dark plate of its own, for a texture over moving pictures.
    void DrawInfoLine(CDC& dc, CSlide& slide, const RECT& rcArea, bool plate = false);
    // Called after a setter has stored its value.
    void OnSettingChanged(orv::SettingId id);
    // Where the window shows now, for the controller: its client area and the monitors on the
    // desk, the primary screen, the palette mode and the refresh rate.
    orv::Desk CurrentDesk();

    void OnTimer(UINT_PTR nIDEvent);
    void OnPaint();
    BOOL OnEraseBkgnd(HDC hDC);
    void OnSize(UINT nType, int cx, int cy);
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    // Tells the worker to stop and lets it go: a derived window's handler calls this one.
    void OnDestroy();
    // The monitors or the palette mode changed: prepared work is made again for them.
    void OnDisplayChange(UINT nImageDepth, int cx, int cy);
    LRESULT OnWorkerMail(WPARAM, LPARAM);
    LRESULT OnFrameMail(WPARAM, LPARAM);
    LRESULT OnRendererMail(WPARAM, LPARAM);
    // The pause sign is an owner-drawn static child: its parent draws it.
    LRESULT OnDrawItem(WPARAM, LPARAM);
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
    BOOL m_bPanAndZoom = FALSE;
    BOOL m_bShowInfo = FALSE;
    BOOL m_bBrowseKeys = FALSE;
    BOOL m_bPairPortraits = FALSE;
    std::string m_strFolder;
    std::vector<std::string> m_moreFolders;
    std::vector<std::string> m_excludedFolders;
    orv::SettingsFields Fields() {
        return {m_nDelay,      m_bStretch,       m_bRandomOrder, m_bShowCaption, m_bFade,
                m_bShowBmp,    m_bShowJpg,       m_bShowOther,   m_bPanAndZoom,  m_bShowInfo,
                m_bBrowseKeys, m_bPairPortraits, m_strFolder,    m_moreFolders,  m_excludedFolders};
    }
    std::vector<CSlide> m_slides;

    DECLARE_MESSAGE_MAP()

private:
    // Carries out what the controller decided, in order.
    void Run(orv::ShowCommands commands);
    void Present(orv::ShowCommand& command);
    // The pause sign: a small child window over the show, so that neither a paint, nor a fade's
    // frame, nor a moving frame of the GDI renderer (the window clips its children) covers it.
    void ShowPauseMark(const orv::ShowCommand& command);
    std::vector<CSlide> SlidesOf(orv::ShowCommand& command);

    // Frames, while a fade runs or the slides move: the frame pump presents one each refresh,
    // input first (PictureWnd.cpp says how).
    void WantFrame();
    void PumpFrame();
    void FrameDue();
    // Pan and zoom: the slides as textures of the frame renderer, moved by the controller's
    // framings; the caption boxes stand still over them.
    void PresentMoving(orv::ShowCommand& command);
    // The command's slides go on show in the frame renderer; the slides on show become the
    // fade's old screen, or go.
    void TakeRendererSlides(orv::ShowCommand& command);
    // Still slides on the GPU: each one a texture drawn once, a fade the renderer's blend of two
    // screens of them, a cut one frame.
    bool StillsOnRenderer();
    void PresentStill(orv::ShowCommand& command);
    // The still slides' frame, whole: after a cut, at a fade's end, and for a paint that finds no
    // frame to repeat.
    void DrawStillFrame();
    // The frame renderer made, and its first present made, when there is none yet.
    void PrepareRenderer();
    // One frame of the frame renderer: a DrawMotionFrame, or a DrawFadeFrame of still slides
    // (weight kFullWeight: the new screen alone, with its failure boxes). A lost device or a GPU
    // too slow gives the frame, and the show, to the CPU renderer.
    void DrawRendererFrame(const orv::ShowCommand& command);
    bool DrawFrameWith(IFrameRenderer& renderer, const orv::ShowCommand& command);
    void DrawMovingScreen(IFrameRenderer& renderer, std::vector<CSlide>& slides,
                          const std::vector<orv::SlideFraming>& framings, POINT offset);
    void DrawStillScreen(IFrameRenderer& renderer, std::vector<CSlide>& slides, bool failureBoxes,
                         POINT offset);
    void DrawCaptionTexture(IFrameRenderer& renderer, CSlide& slide, const RECT& rcPicture,
                            const orv::Rect& clip, POINT offset);
    void DrawInfoTexture(IFrameRenderer& renderer, CSlide& slide, const orv::Rect& clip, POINT offset);
    // A caption's or a line's texture, of its box's size, copied to the box (desk coordinates).
    void DrawBoxTexture(IFrameRenderer& renderer, IFrameRenderer::TextureId texture, const RECT& box,
                        const orv::Rect& clip, POINT offset);
    void UploadPicture(IFrameRenderer& renderer, CSlide& slide, const orv::RectF& target);
    void UploadStill(IFrameRenderer& renderer, CSlide& slide, const RECT& rcPicture, const RECT& rcArea,
                     POINT offset);
    void UploadCaption(IFrameRenderer& renderer, CSlide& slide, const RECT& rcPicture);
    void UploadInfo(IFrameRenderer& renderer, CSlide& slide);
    void ReleaseTextures(std::vector<CSlide>& slides);
    // The renderer that held the textures is gone: they went with it.
    static void ForgetTextures(std::vector<CSlide>& slides);
    void StopMoving();
    void WriteFrameLog();
    void DrawSlide(CDC& dc, CSlide& slide, bool failureBoxes, POINT offset);
    void DrawFailureBoxes(CDC& dc);
    // Desk coordinates to client coordinates: a monitor's slide stays where it is on the screen
    // whatever the window's corner does.
    POINT ClientOffset() const;

    CShowWorker m_worker;
    orv::ShowController m_show;
    std::unique_ptr<IShowPresenter> m_pPresenter;

    CRendererChoice m_renderers{*this};
    HWND m_hPauseMark = nullptr;      // the pause sign's window while paused; a child, gone with this one
    std::vector<CSlide> m_oldSlides;  // the frame renderer's fade's old screen
    bool m_bMotionFade = false;       // the running fade is drawn by the frame renderer
    bool m_bStillFrames = false;      // and so are the still slides (the GPU was chosen)
    bool m_bFramesWanted = false;     // the controller asked for a frame
    bool m_bFramePosted = false;      // the pump's message or its resume timer is on its way
    bool m_bRendererAsked = false;    // the frame renderer's early making was posted
    // ORVANTA_FRAME_LOG: each presented frame's time and the CPU renderer's pixel work for it,
    // written to that file when the window goes.
    struct FrameLogLine {
        double atMs;
        double workMs;
    };
    std::string m_strFrameLog;
    std::vector<FrameLogLine> m_frameTimes;
};
