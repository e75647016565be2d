#pragma once
// The presenting side of a picture window whose still slides GDI paints (the CPU back-end, a
// palette display, a preview): how the slides reach the screen, and how a fade's frames are
// composed and shown. The window's controller decides what changes and when; the window draws its
// slides (DrawPicture) when asked; a presenter holds whatever screens it keeps between frames. One
// back-end, GDI with DIB sections (show/GdiPresenter.h); on the GPU the frame renderer
// (show/FrameRenderer.h) draws still slides and their fades instead. Window's thread only.
#include <cstdint>
#include <functional>

#include "framework/Wnd.h"

class IShowPresenter {
public:
    // Draws the slides on show into dc, in client coordinates. failureBoxes false: a slide whose
    // picture failed leaves its box out (it waits for the fade's end).
    using DrawSlides = std::function<void(CDC& dc, bool failureBoxes)>;
    // Draws the failure boxes alone, over a screen that already shows the pictures.
    using DrawBoxes = std::function<void(CDC& dc)>;

    virtual ~IShowPresenter() = default;

    // The slides are about to change. keepScreens false (fades off, a palette display) lets go of
    // any screens held. With fade, what shows now is kept as the fade's old screen (drawn with
    // drawOld unless the last fade left it on show): true when the fade can be had, false when the
    // caller must cut (GDI or memory ran short).
    virtual bool BeginChange(bool fade, bool keepScreens, const DrawSlides& drawOld) = 0;
    // The slides have changed. fading: after a true BeginChange, the new screen is drawn with
    // drawNew and the fade begins; otherwise the cut: the window is painted afresh.
    virtual void EndChange(bool fading, const DrawSlides& drawNew) = 0;
    // One frame of the running fade, blended at weight (0 the old screen .. 255 the new). False
    // when the window has changed under the fade (its size or place): the fade must end.
    virtual bool DrawFrame(uint32_t weight) = 0;
    // The fade is over: its new screen shows whole, with the failure boxes; should the window have
    // changed under it, the window is painted afresh instead.
    virtual void EndFade(const DrawBoxes& drawBoxes) = 0;
    // A screen kept from the last fade was drawn for other monitors, another palette or other
    // settings: it is not shown again.
    virtual void Forget() = 0;
    // WM_PAINT. True when the presenter painted the whole client area (the frame of the running
    // fade, or the screen the last fade left); false: the window draws its slides.
    virtual bool Paint(CDC& dc, bool fading) = 0;
    // Whether Paint would cover the whole client area, so that erasing first would only flash.
    virtual bool CoversClient(bool fading) const = 0;
};
