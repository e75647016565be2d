#include "picture/DibBlockWin.h"

#include <type_traits>

#include "core/picture/DibImage.h"
#include "core/picture/DibRules.h"

// DibImage.h declares Draw against these without <windows.h>; STRICT makes HDC a distinct type.
static_assert(std::is_same_v<HDC, HDC__*>, "the build must define STRICT");
static_assert(std::is_same_v<RECT, tagRECT>, "RECT is tagRECT");

namespace orv {

int DrawDibBlock(HDC dc, const RECT& dest, GlobalHandle block, const RECT& src) {
    if (!block) return 0;
    GlobalLockGuard lock(block);
    if (!lock) return 0;
    const uint8_t* header = lock.data();
    const DibDrawPlan plan = PlanDibDraw(ToRect(dest), ToRect(src), DibHeightOf(header));
    const void* bits = DibBitsOf(header);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(header);

    // Set on every draw and left as it is: the picture window draws nothing else that stretches.
    ::SetStretchBltMode(dc, COLORONCOLOR);
    if (!plan.stretch) {
        return ::SetDIBitsToDevice(dc, plan.destX, plan.destY, static_cast<DWORD>(plan.destWidth),
                                   static_cast<DWORD>(plan.destHeight), plan.srcX, plan.srcY, plan.startScan,
                                   plan.scanLines, bits, info, DIB_RGB_COLORS);
    }
    return ::StretchDIBits(dc, plan.destX, plan.destY, plan.destWidth, plan.destHeight, plan.srcX, plan.srcY,
                           plan.srcWidth, plan.srcHeight, bits, info, DIB_RGB_COLORS, SRCCOPY);
}

BOOL PaletteFromDibBlock(GlobalHandle block, CPalette* palette) {
    if (!block || !palette) return FALSE;
    GlobalLockGuard lock(block);
    if (!lock) return FALSE;
    const std::vector<PaletteEntry> entries = DibPaletteEntries(lock.data());
    if (entries.empty()) return FALSE;

    // The LOGPALETTE record lives in its own zero-filled global block for the length of the call.
    const size_t recordSize = offsetof(LOGPALETTE, palPalEntry) + entries.size() * sizeof(PALETTEENTRY);
    GlobalBlock record(AllocGlobalBlock(recordSize));
    if (!record) return FALSE;
    GlobalLockGuard recordLock(record.get());
    if (!recordLock) return FALSE;
    auto* logPalette = reinterpret_cast<LOGPALETTE*>(recordLock.data());
    logPalette->palVersion = 0x300;
    logPalette->palNumEntries = static_cast<WORD>(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        PALETTEENTRY& out = logPalette->palPalEntry[i];
        out.peRed = entries[i].red;
        out.peGreen = entries[i].green;
        out.peBlue = entries[i].blue;
        out.peFlags = 0;
    }
    return palette->Attach(::CreatePalette(logPalette));
}

}  // namespace orv

int CDibImage::MakePalette(CPalette* palette) const {
    if (!m_hDib) return FALSE;
    return orv::PaletteFromDibBlock(m_hDib.get(), palette);
}

int CDibImage::Draw(HDC dc, const RECT& dest, const RECT& src) const {
    if (!m_hDib) return 0;
    orv::Size block;
    {
        orv::GlobalLockGuard lock(m_hDib.get());
        if (!lock) return 0;
        block = orv::Size{orv::DibWidthOf(lock.data()), orv::DibHeightOf(lock.data())};
    }
    // The caller speaks in the picture's own pixels; a JPEG block may hold fewer.
    const orv::Rect inBlock = orv::BlockSourceRect(ToRect(src), m_size, block);
    const RECT blockSrc{inBlock.left, inBlock.top, inBlock.right, inBlock.bottom};
    return orv::DrawDibBlock(dc, dest, m_hDib.get(), blockSrc);
}
