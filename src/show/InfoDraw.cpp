// The information line of CPictureWnd: light text with a dark edge in the corner of the slide away
// from the caption box. (The worker reads the facts and makes the text.)
#include <string>

#include "core/show/InfoLine.h"
#include "core/show/Monitors.h"
#include "framework/TextConvert.h"
#include "framework/Unique.h"
#include "show/PictureWnd.h"

namespace {

constexpr COLORREF kInfoText = RGB(245, 245, 240);
constexpr COLORREF kInfoEdge = RGB(0, 0, 0);
// Behind the line over moving pictures, whose textures are opaque: a near-black plate.
constexpr COLORREF kInfoPlate = RGB(20, 20, 20);

}  // namespace

void CPictureWnd::DrawInfoLine(CDC& dc, CSlide& slide, const RECT& rcArea, bool plate) {
    slide.m_rcInfoBox = RECT{0, 0, 0, 0};
    if (!m_bShowInfo || !slide.m_pPicture || slide.m_strInfo.empty()) return;
    const std::wstring text = WideFromUtf8(slide.m_strInfo);
    const int nLength = static_cast<int>(text.size());
    const orv::ShowStage& stage = m_show.Stage();
    const orv::Size primary = m_show.GetDesk().primary;
    const orv::Rect area = ToRect(rcArea);

    // Sized for the monitor the slide is on (a preview: the primary screen it shows in miniature).
    const int screenHeight = stage.Preview() ? primary.cy : area.Height();
    const int height = orv::InfoFontHeight(screenHeight, dc.GetDeviceCaps(LOGPIXELSY));
    UniqueFont font(::CreateFontW(-height, 0, 0, 0, FW_SEMIBOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                  DEFAULT_PITCH | FF_SWISS, L"Segoe UI"));
    SelectGuard selectFont(dc, font.get());
    RECT rcText;
    ::SetRectEmpty(&rcText);
    ::DrawTextW(dc, text.data(), nLength, &rcText, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);

    // The dark edge is a twelfth of the text's height; the box holds it, the shadow and some air.
    const int edge = height / 12 > 1 ? height / 12 : 1;
    const int pad = edge + height / 4;
    orv::Size box{rcText.right - rcText.left + 2 * pad, rcText.bottom - rcText.top + 3 * edge};
    int margin = height / 2;
    if (stage.Preview() && primary.cx > 0) {
        // The full-screen line in miniature, as the caption's box is.
        box.cx = static_cast<int32_t>(static_cast<int64_t>(box.cx) * area.Width() / primary.cx);
        box.cy = static_cast<int32_t>(static_cast<int64_t>(box.cy) * area.Width() / primary.cx);
        margin = static_cast<int>(static_cast<int64_t>(margin) * area.Width() / primary.cx);
        if (box.cx < 1 || box.cy < 1) return;
    }

    // The caption box, where it was drawn for this picture, in the same coordinates as the area.
    const int dx = rcArea.left - slide.m_rcArea.left;
    const int dy = rcArea.top - slide.m_rcArea.top;
    orv::Rect caption{};
    const RECT& cb = slide.m_rcCaptionBox;
    if (m_bShowCaption && !slide.m_strCaption.empty() && cb.right > cb.left)
        caption = orv::Rect{cb.left + dx, cb.top + dy, cb.right + dx, cb.bottom + dy};
    const std::optional<orv::Rect> at = orv::PlaceInfoLine(area, box, caption, margin);
    if (!at) return;
    slide.m_rcInfoBox = RECT{at->left - dx, at->top - dy, at->right - dx, at->bottom - dy};
    RECT rcBox{at->left, at->top, at->right, at->bottom};

    if (stage.Preview()) {
        // Text a few pixels high is no text: the miniature shows the line as a light bar.
        ::FillRect(dc, &rcBox, static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH)));
        return;
    }
    if (plate) {
        const HBRUSH brush = ::CreateSolidBrush(kInfoPlate);
        ::FillRect(dc, &rcBox, brush ? brush : static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        if (brush) ::DeleteObject(brush);
    }
    BkModeGuard transparent(dc, TRANSPARENT);
    RECT rcInner{rcBox.left + pad, rcBox.top + edge, rcBox.right - pad, rcBox.bottom - 2 * edge};
    const UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_LEFT | DT_TOP;
    {
        // The edge: the text in black around its place, then its shadow below and to the right.
        TextColorGuard edgeColor(dc, kInfoEdge);
        for (int oy = -edge; oy <= edge; oy += edge) {
            for (int ox = -edge; ox <= edge; ox += edge) {
                if (ox == 0 && oy == 0) continue;
                RECT r = rcInner;
                ::OffsetRect(&r, ox, oy);
                ::DrawTextW(dc, text.data(), nLength, &r, format);
            }
        }
        RECT shadow = rcInner;
        ::OffsetRect(&shadow, 2 * edge, 2 * edge);
        ::DrawTextW(dc, text.data(), nLength, &shadow, format);
    }
    TextColorGuard textColor(dc, kInfoText);
    ::DrawTextW(dc, text.data(), nLength, &rcInner, format);
}
