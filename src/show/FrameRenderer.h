#pragma once
// What a picture window's frames are made of: pictures held as textures, two screens each drawn
// black and then filled with textured quads, and a frame that blends the two screens and reaches
// the window in step with the display. The window decides what goes into each screen (moving
// slides at their framings; on the GPU also still slides, each a texture drawn once, and their
// fades); a renderer only draws. Two back-ends: Direct3D 11 with a DXGI swap chain
// (show/D3DRenderer.h) and GDI with DIB sections and a SIMD resampler (show/GdiRenderer.h).
// Window's thread only: a renderer's device, textures and DIB sections never leave it.
#include <cstdint>
#include <memory>

#include "core/framework/Geometry.h"
#include "framework/Wnd.h"

namespace orv {

// 32-bit pixels, B G R and an unused byte, top row first; not owned.
struct BgraView {
    const uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // in pixels
};

}  // namespace orv

class IFrameRenderer {
public:
    using TextureId = uint32_t;  // 0 is never a texture
    enum class Screen { kOld = 0, kNew = 1 };
    enum class Filter { kPoint, kBilinear };

    virtual ~IFrameRenderer() = default;

    // Which back-end this is, for the frame log and the tests: "gpu" or "cpu".
    virtual const char* Name() const = 0;
    // The window's client area is now this size (or the renderer's first use): buffers or the
    // swap chain follow it. False when they cannot be had (memory, a lost device).
    virtual bool Resize(int width, int height) = 0;
    // A copy of the pixels, kept until Release; 0 when it cannot be had.
    virtual TextureId Upload(const orv::BgraView& image) = 0;
    virtual void Release(TextureId texture) = 0;

    // Starts drawing one screen: it is painted black, then each Draw lands on it in order, with
    // later quads over earlier ones.
    virtual void BeginScreen(Screen screen) = 0;
    // The source rectangle of the texture (its pixels, sub-pixel) drawn over the target rectangle
    // of the screen (client pixels, sub-pixel), clipped to clip (whole client pixels). kPoint with
    // whole-pixel rectangles of equal size copies pixels exactly.
    virtual void Draw(TextureId texture, const orv::RectF& source, const orv::RectF& target,
                      const orv::Rect& clip, Filter filter) = 0;
    virtual void EndScreen() = 0;

    // The frame: weight 0 shows the old screen, 1 the new one, between them a blend of the two.
    // Waits for the display (a DXGI present of interval 1, or DwmFlush after the frame's one
    // BitBlt; a clock at the display's rate where the system gives nothing to wait for). False
    // when the device was lost or removed: the presenter falls back to the other back-end.
    virtual bool Present(double weight) = 0;
    // WM_PAINT while nothing moves: the last frame again, without waiting. False when there is
    // none to repeat.
    virtual bool Repaint(CDC& dc) = 0;
    // For the frame log: the wall time the last frame's pixel work took on the window's thread (the
    // rows split over helpers counted once), in ms; 0 where a GPU does the work.
    virtual double LastFrameWorkMs() const = 0;
};
