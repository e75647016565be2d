#include "core/show/Fade.h"

#include <algorithm>

namespace orv {

uint32_t FadeLengthMs(uint32_t delaySeconds) {
    // Compared before multiplying: a stored delay can be any 32-bit number.
    if (delaySeconds >= 3) return kLongestFadeMs;
    return delaySeconds * 1000u / 3u;
}

int FrameRateFor(int reportedHz) {
    if (reportedHz < 24 || reportedHz > 240) return kDefaultFrameRate;
    return reportedHz;
}

FadeFrame FadeFrameAt(uint32_t elapsedMs, uint32_t lengthMs, int framesPerSecond) {
    FadeFrame frame;
    if (elapsedMs >= lengthMs) {
        frame.weight = kFullWeight;
        frame.last = true;
        return frame;
    }
    const uint64_t rate = (framesPerSecond >= 1 && framesPerSecond <= 1000)
                              ? static_cast<uint64_t>(framesPerSecond)
                              : static_cast<uint64_t>(kDefaultFrameRate);
    frame.weight = static_cast<uint32_t>((uint64_t{elapsedMs} * kFullWeight + lengthMs / 2) / lengthMs);
    // The first frame due after now: frame k is due at ceil(k * 1000 / rate) ms.
    const uint64_t k = uint64_t{elapsedMs} * rate / 1000u + 1u;
    uint64_t due = (k * 1000u + rate - 1u) / rate;
    due = std::min<uint64_t>(due, lengthMs);
    frame.nextInMs = static_cast<uint32_t>(due - elapsedMs);
    return frame;
}

uint32_t BlendPixel(uint32_t from, uint32_t to, uint32_t weight) {
    const uint32_t w = std::min(weight, kFullWeight);
    const uint32_t v = kFullWeight - w;
    // Two channels at a time, each in a 16-bit lane: a lane holds at most 255 * 255 + 127, and
    // x / 255 == (x + 1 + (x >> 8)) >> 8 for every such x, with no carry into the next lane.
    uint32_t even = (to & 0x00FF00FFu) * w + (from & 0x00FF00FFu) * v + 0x007F007Fu;
    uint32_t odd = ((to >> 8) & 0x00FF00FFu) * w + ((from >> 8) & 0x00FF00FFu) * v + 0x007F007Fu;
    even = ((even + 0x00010001u + ((even >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    odd = ((odd + 0x00010001u + ((odd >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    return even | (odd << 8);
}

void BlendPixels(const uint32_t* from, const uint32_t* to, uint32_t* out, size_t count, uint32_t weight) {
    for (size_t i = 0; i < count; ++i)
        out[i] = BlendPixel(from[i], to[i], weight);
}

}  // namespace orv
