#pragma once
// The owners of Win32 handles, built on Unique<> (core/framework/UniqueHandle.h), and the guards
// that put a device context's state back. Win32 only.
#include "framework/Win32.h"

#include "core/framework/UniqueHandle.h"

struct DeleteGdiObject {
    void operator()(HGDIOBJ h) const { ::DeleteObject(h); }
};
struct CloseHandleDeleter {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
struct FindCloseDeleter {
    void operator()(HANDLE h) const { ::FindClose(h); }
};
// CreateFile and FindFirstFile report failure as INVALID_HANDLE_VALUE, not null; the owner takes
// their result as it comes and knows which value means "none".
struct InvalidHandleValue {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
};

using UniqueFont = Unique<HFONT, DeleteGdiObject>;
using UniquePen = Unique<HPEN, DeleteGdiObject>;
using UniqueBitmap = Unique<HBITMAP, DeleteGdiObject>;
using UniqueFile = Unique<HANDLE, CloseHandleDeleter, InvalidHandleValue>;
using UniqueFind = Unique<HANDLE, FindCloseDeleter, InvalidHandleValue>;

// Selects an object into a device context and puts the previous one back when it goes out of
// scope. A null object (a creation that failed) selects nothing, so the context keeps what it had.
class SelectGuard : NonCopyable {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// One piece of a device context's state, set for the guard's lifetime: Set is the setter, whose
// result is the previous value (the background mode, the text colour, ...).
template <typename Value, Value(WINAPI* Set)(HDC, Value)>
class DcStateGuard : NonCopyable {
public:
    DcStateGuard(HDC dc, Value value) : m_dc(dc), m_old(Set(dc, value)) {}
    ~DcStateGuard() { Set(m_dc, m_old); }

private:
    HDC m_dc;
    Value m_old;
};
using BkModeGuard = DcStateGuard<int, &::SetBkMode>;
using TextColorGuard = DcStateGuard<COLORREF, &::SetTextColor>;

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
class PaletteSelectGuard : NonCopyable {
public:
    PaletteSelectGuard() = default;
    ~PaletteSelectGuard() {
        if (m_dc) ::SelectPalette(m_dc, m_old, TRUE);
    }

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

// Limits drawing to a rectangle for the guard's lifetime: the context's state is saved and the
// rectangle intersected with its clipping region, and the saved state comes back at the end.
// Should the context not save, the drawing goes on unclipped rather than not at all.
class ClipRectGuard : NonCopyable {
public:
    ClipRectGuard(HDC dc, const RECT& rc) : m_dc(dc), m_nSaved(::SaveDC(dc)) {
        if (m_nSaved) ::IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    }
    ~ClipRectGuard() {
        if (m_nSaved) ::RestoreDC(m_dc, m_nSaved);
    }

private:
    HDC m_dc;
    int m_nSaved;
};
