#pragma once
// The slide show: a window that keeps its own copy of the settings, the picture list of its folder,
// the picture on show and its caption. Timer 1 loads the next picture; painting lays it out and
// draws the caption. Used full screen (CFullScreenWnd), as the display settings' preview, and as
// the settings dialog's live preview.
#include <memory>
#include <string>
#include <vector>

#include "core/show/Settings.h"
#include "framework/Wnd.h"
#include "core/picture/DibImage.h"
#include "show/FadeFrames.h"

class CPictureWnd : public CWnd {
public:
    // autoDelete: the object deletes itself once its window is destroyed. preview: the window is
    // a miniature of the screen. Reads the settings and builds the picture list at once.
    CPictureWnd(BOOL autoDelete, BOOL preview);
    ~CPictureWnd() override;

    // The class is registered by the first call in the process; its cursor (arrow for a preview,
    // the transparent cursor 129 otherwise) is fixed by that first window.
    virtual BOOL Create(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd);

    // Set<ValueName> for every setting but the folder: plain stores, each followed by
    // OnSettingChanged. The owner rebuilds the list (SetFolder) and restarts the timer as needed.
#define ORV_WINDOW_SETTER(field, member, Name, kind, def, control, tab, lists) \
    void Set##Name(orv::SettingType<orv::SettingKind::kind> value) {           \
        member = value;                                                        \
        OnSettingChanged(orv::SettingId::Name);                                \
    }
    ORV_PLAIN_SETTINGS_TABLE(ORV_WINDOW_SETTER)
#undef ORV_WINDOW_SETTER
    // Stores the folder and rebuilds the list under the current flags; the next tick starts at
    // its first entry. The picture on show and the timer are left alone.
    void SetFolder(const std::string& strFolder);

    // Both do nothing while the object has no window.
    void StartSlideTimer();
    void StopSlideTimer();

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
    // for a preview its client area. Records where the client area's corner is on the screen.
    std::vector<RECT> SlideAreas();
    // Where a picture of this size goes in the slide's area: the layout the paint and the loader
    // share.
    orv::Rect SlideTarget(const CSlide& slide, orv::Size picture) const;
    void LoadSlide(CSlide& slide, const std::string& strPath, BOOL paletteDisplay);
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
    // Draws the next frame of the running fade, or its end.
    void OnFadeFrame();
    // Ends a running fade at once: its new screen shows whole, with any failure box, and the
    // fade's buffers and frame timer go.
    void FinishFade();
    // Whether the running fade's screens still match the client area (a display change resizes
    // and moves the window).
    bool FadeFits() const;
    // Draws the slide's caption box inside the slide's area, which stands for the client area.
    void DrawCaption(CDC& dc, CSlide& slide, const RECT& rcPicture);
    void ReadCaptionFile(CSlide& slide, const std::string& strPicturePath);
    void ScanFolder();
    // Called after a setter has stored its value.
    void OnSettingChanged(orv::SettingId id);

    void OnTimer(UINT_PTR nIDEvent);
    void OnPaint();
    BOOL OnEraseBkgnd(HDC hDC);
    void OnSize(UINT nType, int cx, int cy);
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void PostNcDestroy() override;

    BOOL m_bAutoDelete;
    BOOL m_bPreview;
    // The settings (m_strFolder, m_nDelay, m_bStretch, ...) with their defaults, and Fields().
    ORV_SETTINGS_MEMBERS()
    std::vector<std::string> m_pictures;
    int m_nNextPicture = 0;
    std::vector<CSlide> m_slides;
    POINT m_ptSlidesOrigin{0, 0};  // the client area's corner on the screen that the areas are for
    // The running fade, null between fades: its screens, when it began (QueryPerformanceCounter
    // milliseconds), its length, its frame rate and where the client area's corner was.
    std::unique_ptr<CFadeFrames> m_pFade;
    double m_fadeStartMs = 0;
    uint32_t m_fadeLengthMs = 0;
    int m_nFrameRate = 60;
    POINT m_ptFadeOrigin{0, 0};

    DECLARE_MESSAGE_MAP()
};
