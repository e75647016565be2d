#pragma once
// The scene the render check draws and the driver's render cases read back: shared by both, so
// that the picture drawn and the picture expected are defined once. Plain numbers, no Win32.
#include <cstdint>

namespace render_scene {

// The check's window: a popup at the screen's corner.
constexpr int kWidth = 320;
constexpr int kHeight = 240;

// A 64 x 48 picture drawn at 1:1 with point sampling at (kPatternX, kPatternY): every pixel a
// different colour, so a shift or a swap of channels shows.
constexpr int kPatternWidth = 64;
constexpr int kPatternHeight = 48;
constexpr int kPatternX = 16;
constexpr int kPatternY = 16;
// 0x00RRGGBB, as the screen reads back and as the renderers take it (B, G, R in memory).
constexpr uint32_t PatternPixel(int x, int y) {
    return (static_cast<uint32_t>(x * 4) << 16) | (static_cast<uint32_t>(y * 5) << 8) |
           static_cast<uint32_t>((x + y) * 2);
}

// A 2 x 1 grey ramp (0, then 200 in every channel) drawn bilinear over 4 x 4 pixels at
// (kRampX, kRampY): each row reads 0, 50, 150, 200 (the edges repeat the end pixels).
constexpr int kRampX = 160;
constexpr int kRampY = 16;
constexpr uint32_t kRampLeft = 0x00000000;
constexpr uint32_t kRampRight = 0x00C8C8C8;

// The new screen: one pixel of this colour stretched over the whole window.
constexpr uint32_t kNewColour = 0x00C86432;

// The stages, stepped by the driver with WM_APP + 1: the old screen alone, the blend at 0.5,
// the new screen alone.
constexpr unsigned kNextStageMessage = 0x8000 + 1;
constexpr double kStageWeights[] = {0.0, 0.5, 1.0};
// Sent (not posted) by the driver: the check makes and drops renderers of several sizes, each
// drawing and presenting a frame, and answers when done, for the driver to count GDI objects.
constexpr unsigned kChurnMessage = 0x8000 + 2;
constexpr int kChurnRenderers = 10;

}  // namespace render_scene
