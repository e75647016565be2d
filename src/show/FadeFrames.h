#pragma once
// The off-screen screens of one crossfade in a picture window: the old screen, the new one and the
// frame between them, each a 32-bit top-down DIB section the size of the client area. The two
// screens are drawn with GDI; each frame is blended from them in plain memory and reaches the
// window whole, in one BitBlt, so nothing half-drawn or black ever shows. They live on the
// window's thread only; the window keeps them from one fade to the next.
#include <cstdint>
#include <memory>

#include "framework/Unique.h"
#include "framework/Wnd.h"

class CFadeFrames : NonCopyable {
public:
    enum Screen { kOld, kNew, kFrame };

    // Three black screens of width x height and a memory context like `compatible`. Null when GDI
    // or memory runs short: the caller cuts instead.
    static std::unique_ptr<CFadeFrames> Create(HDC compatible, int width, int height);
    ~CFadeFrames();

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The memory context with `screen` selected: what is drawn into it lands in that screen. The
    // context keeps its state between calls; a drawing that changes it puts it back.
    CDC& Select(Screen screen);
    // The new screen becomes the old one, and the old one's buffer is the new screen, black.
    void NewBecomesOld();
    // Paints a screen black.
    void Clear(Screen screen);
    // Blends the old and new screens into the frame: weight 0 is the old one, 255 the new one.
    void Compose(uint32_t weight);
    // Draws one screen whole at the corner of dest's client area. FALSE when GDI fails.
    BOOL Present(HDC dest, Screen screen);

private:
    explicit CFadeFrames(HDC compatible);

    struct Surface {
        UniqueBitmap bitmap;
        uint32_t* bits = nullptr;  // owned by the bitmap
    };

    int m_width = 0;
    int m_height = 0;
    // Declared before the context, so that the context is deleted first and no bitmap is deleted
    // while it is selected.
    Surface m_screens[3];
    CMemoryDC m_dc;
    HGDIOBJ m_original = nullptr;  // the context's own bitmap, put back before it goes
};
