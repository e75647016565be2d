#pragma once
// Crossfades between slides: how long one lasts, when its frames come, and the blend of two
// composed screens. Pure arithmetic; the picture window composes and draws (show/FadeFrames.h).
#include <cstddef>
#include <cstdint>

namespace orv {

// A fade lasts this long, or a third of the delay between pictures where that is shorter.
inline constexpr uint32_t kLongestFadeMs = 1000;
// 0 for a delay of 0 (no fade).
uint32_t FadeLengthMs(uint32_t delaySeconds);

// Frames per second for a display's reported refresh rate (GetDeviceCaps VREFRESH): 0 and 1 mean
// "the hardware's default", and a figure outside 24..240 is not believed; those give 60.
inline constexpr int kDefaultFrameRate = 60;
int FrameRateFor(int reportedHz);

// Blend weights are on GDI's constant-alpha scale: 0 is the old screen alone, 255 the new one.
inline constexpr uint32_t kFullWeight = 255;

// One frame of a fade, asked for at `elapsedMs` since the fade began.
struct FadeFrame {
    uint32_t weight = 0;    // 0..255, in proportion to the time gone, rounded
    bool last = false;      // the fade is over: this frame is the new screen alone
    uint32_t nextInMs = 0;  // when the next frame is due, from now (at least 1); 0 when last
    friend bool operator==(const FadeFrame& a, const FadeFrame& b) {
        return a.weight == b.weight && a.last == b.last && a.nextInMs == b.nextInMs;
    }
};
// Frames are due at whole multiples of the frame period (rounded up to milliseconds) from the
// start, and a last one exactly at the end; a frame drawn late does not shift the ones after it.
// A length of 0 gives the last frame at once; a rate outside 1..1000 counts as the default.
FadeFrame FadeFrameAt(uint32_t elapsedMs, uint32_t lengthMs, int framesPerSecond);

// Pixels are 32-bit, four 8-bit channels. Each channel of the result is
// (to * weight + from * (255 - weight) + 127) / 255, exactly what GDI's AlphaBlend gives for a
// constant source alpha of `weight` drawn over `from`. A weight above 255 counts as 255.
uint32_t BlendPixel(uint32_t from, uint32_t to, uint32_t weight);
void BlendPixels(const uint32_t* from, const uint32_t* to, uint32_t* out, size_t count, uint32_t weight);

}  // namespace orv
