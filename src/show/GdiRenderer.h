#pragma once
// The CPU back-end of the presenter: textures are plain BGRA copies, each screen is a 32-bit
// top-down DIB section the size of the client area that the core's resampler (core/picture/
// Resample.h) draws into, and a frame is the blend of the two screens reaching the window in one
// BitBlt, paced by DwmFlush or, where that gives nothing to wait for, by a clock at the display's
// rate. When one core cannot keep the rate, the rows of each draw and blend are split over a small
// pool of threads the renderer owns; they touch plain memory only, never a GDI object.
// Window's thread only (the pool's threads excepted, as said).
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/picture/Resample.h"
#include "framework/Unique.h"
#include "show/FrameRenderer.h"

class CRowPool;

class CGdiRenderer final : public IFrameRenderer, NonCopyable {
public:
    // Null when GDI runs short (no memory context for the window).
    static std::unique_ptr<CGdiRenderer> Create(CWnd& wnd);
    ~CGdiRenderer() override;

    const char* Name() const override { return "cpu"; }
    bool Resize(int width, int height) override;
    TextureId Upload(const orv::BgraView& image) override;
    void Release(TextureId texture) override;
    void BeginScreen(Screen screen) override;
    void Draw(TextureId texture, const orv::RectF& source, const orv::RectF& target, const orv::Rect& clip,
              Filter filter) override;
    void EndScreen() override;
    bool Present(double weight) override;
    bool Repaint(CDC& dc) override;

    // For the tests and the frame log: whether the rows are split over the pool now.
    bool SplitsRows() const { return m_splitRows; }
    // The wall time the last frame's pixel work took (painting black, drawing, blending), in ms.
    double LastFrameWorkMs() const override { return m_lastFrameWorkMs; }

private:
    explicit CGdiRenderer(CWnd& wnd, HDC compatible);

    enum { kOld = 0, kNew = 1, kFrame = 2 };
    struct Surface {
        UniqueBitmap bitmap;
        uint32_t* bits = nullptr;  // owned by the bitmap
    };
    struct Texture {
        std::vector<uint32_t> pixels;
        int width = 0;
        int height = 0;
        std::vector<orv::OwnedImage> halves;  // mip levels, made when first drawn that small
    };

    orv::ImageSpan Span(int surface) const;
    // Runs work(top, bottom) over the screen's rows: on this thread alone, or split over the pool.
    template <class Work>
    void OverRows(const Work& work);
    void Clear(int surface);
    // Paints black all of the surface but `keep`, which the next draw covers whole.
    void ClearAround(int surface, const orv::Rect& keep);
    void Pace();
    void WaitForTick();
    // Whether the next frames split their rows, from the time this one's pixel work took.
    void Tune(double workMs);

    CWnd& m_wnd;
    int m_width = 0;
    int m_height = 0;
    // Declared before the context, so that the context is deleted first and no bitmap is deleted
    // while it is selected.
    Surface m_surfaces[3];
    CMemoryDC m_dc;
    HGDIOBJ m_original = nullptr;  // the context's own bitmap, put back before it goes

    std::unordered_map<TextureId, Texture> m_textures;
    TextureId m_nextTexture = 1;

    int m_drawing = -1;           // the screen between BeginScreen and EndScreen
    bool m_blackPending = false;  // painted black at the first draw, unless that draw covers it
    int m_shown = -1;             // the surface last presented, for Repaint

    // Pacing: the display's rate, a clock with ticks at that rate, and DwmFlush where it exists.
    int m_framesPerSecond = 60;
    double m_clockOrigin = 0;
    Unique<HANDLE, CloseHandleDeleter> m_timer;
    struct FreeLibraryDeleter {
        void operator()(HMODULE module) const { ::FreeLibrary(module); }
    };
    Unique<HMODULE, FreeLibraryDeleter> m_dwmapi;
    HRESULT(WINAPI* m_dwmFlush)() = nullptr;

    // Row splitting: the work of the frame so far, and how long frames have been slow or fast.
    double m_frameWorkMs = 0;
    double m_lastFrameWorkMs = 0;
    int m_slowFrames = 0;
    int m_fastFrames = 0;
    bool m_splitRows = false;
    std::unique_ptr<CRowPool> m_pool;  // made the first time the rows split
};

std::unique_ptr<IFrameRenderer> CreateGdiRenderer(CWnd& wnd);
