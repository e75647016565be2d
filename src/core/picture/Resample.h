#pragma once
// The CPU back-end's pixel work: a sub-pixel rectangle of a 32-bit picture drawn over a sub-pixel
// rectangle of a 32-bit screen (bilinear, or point sampling, which copies exactly when both
// rectangles are whole pixels of one size), and the blend of two screens into a frame. Pure
// arithmetic on plain memory, so any thread may run it on buffers it was handed; the GDI renderer
// (show/GdiRenderer.h) owns the buffers and splits the rows.
//
// Geometry follows the GPU back-end's rasteriser, so that both draw the same pixels: a screen
// pixel (x, y) is drawn when its centre (x + 0.5, y + 0.5) lies inside the target rectangle (left
// and top edges inside, right and bottom outside) and inside the clip; its colour is the picture
// sampled at the matching point of the source rectangle, with the picture's edge pixels repeated
// outside it. Nothing is ever read outside the picture or written outside the screen and the clip,
// whatever the rectangles: a target that is empty, reversed or not finite draws nothing; a
// reversed source mirrors.
//
// Bilinear weights are 7-bit fixed point (sample positions on a 1/128-pixel grid, which moves
// smoothly at any drift speed: no shimmer). A picture drawn at less than half its size would alias
// in a bilinear sample; the caller draws such a picture from a halved copy (HalveImage), as a
// mip level, until the scale is 0.5 or more.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/framework/Geometry.h"

namespace orv {

// 32-bit pixels (B, G, R and an unused byte), top row first; stride in pixels. Not owned.
struct ImageView {
    const uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};
struct ImageSpan {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

enum class Sampling { kPoint, kBilinear };

// Which code does the work: the plain C++ one, SSE2, or the best the running CPU has (AVX2 where
// present). The tests and benchmarks name one; the renderer takes kBest.
enum class SimdLevel { kScalar, kSse2, kAvx2, kBest };
// What kBest runs on this machine.
SimdLevel BestSimdLevel();

// Draws `source` (picture pixels) of `image` over `target` (screen pixels) of `screen`, limited
// to `clip` and to the screen. Pixels of the screen outside that are left as they are.
void DrawImage(const ImageView& image, const RectF& source, const ImageSpan& screen, const RectF& target,
               const Rect& clip, Sampling sampling, SimdLevel level = SimdLevel::kBest);

// The screen pixels such a draw changes (empty, all zeros, when none): the caller skips painting
// black under a picture that covers the whole screen.
Rect CoveredPixels(const ImageSpan& screen, const RectF& target, const Rect& clip);

// Blend weights for a frame: 0 is the old screen alone, kBlendOne the new one.
inline constexpr uint32_t kBlendOne = 256;
// The nearest blend weight to a fraction 0..1 (outside it, and NaN, clamp: NaN counts as 0).
uint32_t BlendWeightFor(double fraction);
// Each channel: (from * (256 - weight) + to * weight + 128) >> 8; a weight above 256 counts as 256.
// So weight 0 gives `from`, 256 gives `to`, and 128 the rounded-up mean, exactly.
void BlendRows(const uint32_t* from, const uint32_t* to, uint32_t* out, size_t count, uint32_t weight,
               SimdLevel level = SimdLevel::kBest);

// The picture at half its size (each pixel the rounded mean of a 2 x 2 block; an odd last column
// or row is averaged with itself), at least 1 x 1. Empty for an empty or null image.
struct OwnedImage {
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    ImageView View() const { return ImageView{pixels.data(), width, height, width}; }
};
OwnedImage HalveImage(const ImageView& image);

}  // namespace orv
