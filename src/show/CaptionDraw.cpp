// The caption of CPictureWnd: drawing the raised box. (The worker reads the text files.)
#include <string>

#include "core/show/Random.h"
#include "framework/TextConvert.h"
#include "framework/Unique.h"
#include "core/show/Caption.h"
#include "core/show/Monitors.h"
#include "show/PictureWnd.h"

void CPictureWnd::DrawCaption(CDC& dc, CSlide& slide, const RECT& rcPicture, const RECT& rcArea) {
    if (slide.m_strCaption.empty()) return;
    // The wide call draws every character the font holds, whatever the code pages say.
    const std::wstring text = WideFromUtf8(slide.m_strCaption);
    const int nLength = static_cast<int>(text.size());

    // The slide's area (its monitor, or a preview's client area) is the client area here.
    const orv::Rect area = ToRect(rcArea);
    const orv::ShowStage& stage = m_show.Stage();

    UniqueFont font(::CreateFontA(12, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
    // Should the font not be had, the text goes out in the context's own font rather than not at all.
    SelectGuard selectFont(dc, font.get());

    // The text is measured at full-screen size even in a preview, whose box is the miniature.
    RECT rcText;
    ::SetRectEmpty(&rcText);
    ::DrawTextW(dc, text.data(), nLength, &rcText, DT_CALCRECT);
    const orv::Size box = stage.CaptionBox({rcText.right - rcText.left, rcText.bottom - rcText.top}, area,
                                           m_show.GetDesk().primary, slide.m_part);

    // Placed once per picture, and kept in desk coordinates like the slide's area; repaints (and
    // the same picture decoded again) keep the place.
    const int dx = rcArea.left - slide.m_rcArea.left;
    const int dy = rcArea.top - slide.m_rcArea.top;
    if (slide.m_nCaptionX == -1) {
        const orv::Point pt = orv::CaptionPlaceIn(area, ToRect(rcPicture), box, orv::NextRandom());
        slide.m_nCaptionX = pt.x - dx;
        slide.m_nCaptionY = pt.y - dy;
    }

    RECT rcBox{0, 0, box.cx, box.cy};
    ::OffsetRect(&rcBox, slide.m_nCaptionX + dx, slide.m_nCaptionY + dy);
    slide.m_rcCaptionBox =
        RECT{slide.m_nCaptionX, slide.m_nCaptionY, slide.m_nCaptionX + box.cx, slide.m_nCaptionY + box.cy};

    {
        // The system's own button-face brush: nothing to create, so nothing that can fail or leak.
        SelectGuard selectBrush(dc, ::GetSysColorBrush(COLOR_BTNFACE));
        SelectGuard selectPen(dc, ::GetStockObject(BLACK_PEN));
        ::Rectangle(dc, rcBox.left, rcBox.top, rcBox.right, rcBox.bottom);
    }
    if (!stage.CaptionWithText()) return;

    // The raised bevel: light along the top and left, shadow along the right and bottom. Without
    // its pens the box stays flat.
    UniquePen highlightPen(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT)));
    UniquePen shadowPen(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW)));
    if (highlightPen && shadowPen) {
        SelectGuard selectHighlight(dc, highlightPen.get());
        ::MoveToEx(dc, rcBox.left + 1, rcBox.bottom - 3, nullptr);
        ::LineTo(dc, rcBox.left + 1, rcBox.top + 1);
        ::LineTo(dc, rcBox.right - 2, rcBox.top + 1);
        SelectGuard selectShadow(dc, shadowPen.get());
        ::LineTo(dc, rcBox.right - 2, rcBox.bottom - 2);
        ::LineTo(dc, rcBox.left + 1, rcBox.bottom - 2);
    }

    BkModeGuard transparent(dc, TRANSPARENT);
    TextColorGuard textColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    RECT rcInner = rcBox;
    ::InflateRect(&rcInner, -orv::kCaptionMarginX / 2, -orv::kCaptionMarginY / 2);
    ::DrawTextW(dc, text.data(), nLength, &rcInner, 0);
}
