#pragma once
// One move-only owner per handle type. Win32 only.
#include "framework/Win32.h"

#include <utility>

template <typename Handle, typename Deleter>
class Unique {
public:
    Unique() = default;
    explicit Unique(Handle h) : m_h(h) {}
    ~Unique() { reset(); }
    Unique(Unique&& other) noexcept : m_h(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    Handle get() const { return m_h; }
    explicit operator bool() const { return m_h != Handle(); }
    Handle release() { return std::exchange(m_h, Handle()); }
    void reset(Handle h = Handle()) {
        if (m_h != Handle()) Deleter()(m_h);
        m_h = h;
    }

private:
    Handle m_h = Handle();
};

struct DeleteGdiObject {
    void operator()(HGDIOBJ h) const { ::DeleteObject(h); }
};
struct FreeGlobal {
    void operator()(HGLOBAL h) const { ::GlobalFree(h); }
};
struct CloseFileHandle {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};

using UniqueFont = Unique<HFONT, DeleteGdiObject>;
using UniqueBrush = Unique<HBRUSH, DeleteGdiObject>;
using UniquePen = Unique<HPEN, DeleteGdiObject>;
using UniqueBitmap = Unique<HBITMAP, DeleteGdiObject>;
using UniqueGlobal = Unique<HGLOBAL, FreeGlobal>;

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
