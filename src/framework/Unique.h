#pragma once
// The owners of Win32 handles, built on Unique<> (framework/UniqueHandle.h). Win32 only.
#include "framework/Win32.h"
#include "framework/UniqueHandle.h"

struct DeleteGdiObject {
    void operator()(HGDIOBJ h) const { ::DeleteObject(h); }
};
struct CloseFileHandle {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};

using UniqueFont = Unique<HFONT, DeleteGdiObject>;
using UniqueBrush = Unique<HBRUSH, DeleteGdiObject>;
using UniquePen = Unique<HPEN, DeleteGdiObject>;
using UniqueBitmap = Unique<HBITMAP, DeleteGdiObject>;

// Puts the previously selected object back into the device context when it goes out of scope.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(::SelectObject(dc, object)) {}
    ~SelectGuard() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A logical palette owner under the framework's name. Attach refuses a null handle.
class CPalette {
public:
    CPalette() = default;
    BOOL Attach(HPALETTE h) {
        if (!h) return FALSE;
        m_palette.reset(h);
        return TRUE;
    }
    HPALETTE GetSafeHandle() const { return m_palette.get(); }

private:
    Unique<HPALETTE, DeleteGdiObject> m_palette;
};

// Selects a palette into a device context in the foreground and realises it; puts the previous
// palette back, in the background, when it goes out of scope. Declare it after the CPalette it
// selects, so the palette is deselected before it is deleted.
class PaletteSelectGuard {
public:
    PaletteSelectGuard() = default;
    ~PaletteSelectGuard() {
        if (m_dc) ::SelectPalette(m_dc, m_old, TRUE);
    }
    PaletteSelectGuard(const PaletteSelectGuard&) = delete;
    PaletteSelectGuard& operator=(const PaletteSelectGuard&) = delete;

    void Select(HDC dc, HPALETTE palette) {
        if (m_dc) return;
        m_old = ::SelectPalette(dc, palette, FALSE);
        if (!m_old) return;
        m_dc = dc;
        ::RealizePalette(dc);
    }

private:
    HDC m_dc = nullptr;
    HPALETTE m_old = nullptr;
};
