#include "show/FadeFrames.h"

#include <cstring>
#include <utility>

#include "core/show/Fade.h"

std::unique_ptr<CFadeFrames> CFadeFrames::Create(HDC compatible, int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    std::unique_ptr<CFadeFrames> frames(new CFadeFrames(compatible));
    if (!frames->m_dc.m_hDC) return nullptr;
    frames->m_width = width;
    frames->m_height = height;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 is the client area's top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    for (Surface& surface : frames->m_screens) {
        void* bits = nullptr;
        surface.bitmap.reset(::CreateDIBSection(frames->m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!surface.bitmap || !bits) return nullptr;
        surface.bits = static_cast<uint32_t*>(bits);  // a new DIB section is all zeros: black
    }
    frames->m_original = ::SelectObject(frames->m_dc, frames->m_screens[kFrame].bitmap.get());
    if (!frames->m_original) return nullptr;
    return frames;
}

CFadeFrames::CFadeFrames(HDC compatible) : m_dc(compatible) {}

CFadeFrames::~CFadeFrames() {
    if (m_original) ::SelectObject(m_dc, m_original);
}

CDC& CFadeFrames::Select(Screen screen) {
    ::SelectObject(m_dc, m_screens[screen].bitmap.get());
    return m_dc;
}

void CFadeFrames::NewBecomesOld() {
    std::swap(m_screens[kOld], m_screens[kNew]);
    Clear(kNew);
}

void CFadeFrames::Clear(Screen screen) {
    // GDI may still be drawing into the bits in the background.
    ::GdiFlush();
    std::memset(m_screens[screen].bits, 0,
                static_cast<size_t>(m_width) * static_cast<size_t>(m_height) * sizeof(uint32_t));
}

void CFadeFrames::Compose(uint32_t weight) {
    // GDI may still be drawing into the screens' bits in the background.
    ::GdiFlush();
    orv::BlendPixels(m_screens[kOld].bits, m_screens[kNew].bits, m_screens[kFrame].bits,
                     static_cast<size_t>(m_width) * static_cast<size_t>(m_height), weight);
}

BOOL CFadeFrames::Present(HDC dest, Screen screen) {
    Select(screen);
    return ::BitBlt(dest, 0, 0, m_width, m_height, m_dc, 0, 0, SRCCOPY);
}
