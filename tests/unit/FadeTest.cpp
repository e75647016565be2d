#include "core/show/Fade.h"

#include <gtest/gtest.h>

using orv::BlendPixel;
using orv::FadeFrame;
using orv::FadeFrameAt;

TEST(FadeLength, OneSecondOrAThirdOfTheDelayForEveryDelay) {
    // Delays 1 to 120: a third of one and two seconds (truncated), a whole second from three on.
    for (uint32_t delay = 1; delay <= 120; ++delay) {
        const uint32_t expected = delay == 1 ? 333u : delay == 2 ? 666u : 1000u;
        EXPECT_EQ(orv::FadeLengthMs(delay), expected) << "delay " << delay;
    }
}

TEST(FadeLength, OutOfRangeDelaysNeitherOverflowNorFade) {
    EXPECT_EQ(orv::FadeLengthMs(0), 0u);
    EXPECT_EQ(orv::FadeLengthMs(0xFFFFFFFFu), 1000u);
    EXPECT_EQ(orv::FadeLengthMs(4294968u), 1000u);  // times 1000 would wrap to 704
}

TEST(FrameRate, ReportedRatesOutsideReasonUseSixty) {
    const struct {
        int reported;
        int expected;
    } cases[] = {{0, 60},  {1, 60},  {-1, 60},   {23, 60},   {24, 24},  {59, 59},
                 {60, 60}, {75, 75}, {144, 144}, {240, 240}, {241, 60}, {100000, 60}};
    for (const auto& c : cases)
        EXPECT_EQ(orv::FrameRateFor(c.reported), c.expected) << "reported " << c.reported;
}

TEST(FadeFrameAt, WeightsFollowTimeAndFramesKeepTheirBeat) {
    const struct {
        const char* what;
        uint32_t elapsed, length;
        int rate;
        FadeFrame expected;
    } cases[] = {
        {"start: nothing of the new yet, frame 1 at 17 ms", 0, 1000, 60, {0, false, 17}},
        {"frame 1 on time: frame 2 is due at 34", 17, 1000, 60, {4, false, 17}},
        {"frame 1 late: frame 2 keeps its time", 20, 1000, 60, {5, false, 14}},
        {"half way rounds up to 128", 500, 1000, 60, {128, false, 17}},
        {"near the end: the last frame comes exactly at the end", 990, 1000, 60, {252, false, 10}},
        {"one millisecond before the end", 999, 1000, 60, {255, false, 1}},
        {"at the end: the last frame", 1000, 1000, 60, {255, true, 0}},
        {"long after the end (a stalled thread): the last frame", 5000, 1000, 60, {255, true, 0}},
        {"no length: the last frame at once", 0, 0, 60, {255, true, 0}},
        {"a third of one second at 30 frames", 100, 333, 30, {77, false, 34}},
        {"144 frames: every 7 ms", 7, 1000, 144, {2, false, 7}},
        {"rate 0 counts as 60", 0, 1000, 0, {0, false, 17}},
        {"rate above 1000 counts as 60", 0, 1000, 5000, {0, false, 17}},
    };
    for (const auto& c : cases) {
        const FadeFrame f = FadeFrameAt(c.elapsed, c.length, c.rate);
        EXPECT_EQ(f, c.expected) << c.what << ": got weight " << f.weight << ", last " << f.last
                                 << ", next in " << f.nextInMs;
    }
}

TEST(FadeFrameAt, SixtyFramesASecondGiveSixtyFramesAFade) {
    // Drawing each frame exactly when it is due: 59 in-between frames and the last one.
    uint32_t t = 0;
    int frames = 0;
    uint32_t lastWeight = 0;
    for (;;) {
        const FadeFrame f = FadeFrameAt(t, 1000, 60);
        ++frames;
        EXPECT_GE(f.weight, lastWeight) << "at " << t;
        lastWeight = f.weight;
        if (f.last) break;
        t += f.nextInMs;
    }
    EXPECT_EQ(frames, 61);  // the first at 0 is the old screen itself
    EXPECT_EQ(t, 1000u);
}

TEST(BlendPixel, MatchesAlphaBlendReadBack) {
    // Pixels are 0x00RRGGBB. The first row is what GDI's AlphaBlend gives under Wine, read back.
    const struct {
        const char* what;
        uint32_t from, to, weight, expected;
    } cases[] = {
        {"red over blue at 128", 0x000000FF, 0x00FF0000, 128, 0x0080007F},
        {"weight 0 is the old pixel", 0x00123456, 0x00ABCDEF, 0, 0x00123456},
        {"weight 255 is the new pixel", 0x00123456, 0x00ABCDEF, 255, 0x00ABCDEF},
        {"a weight above 255 is the new pixel", 0x00123456, 0x00ABCDEF, 1000, 0x00ABCDEF},
        {"black to white at 1", 0x00000000, 0x00FFFFFF, 1, 0x00010101},
        {"white to black at 1", 0x00FFFFFF, 0x00000000, 1, 0x00FEFEFE},
        {"from black: 100 * 77 / 255 rounds to 30", 0x00000000, 0x00646464, 77, 0x001E1E1E},
        {"the fourth byte blends like the others", 0xFF000000, 0x00000000, 128, 0x7F000000},
        {"equal pixels stay", 0x00808080, 0x00808080, 200, 0x00808080},
    };
    for (const auto& c : cases) {
        const uint32_t got = BlendPixel(c.from, c.to, c.weight);
        EXPECT_EQ(got, c.expected) << c.what << ": got " << std::hex << got;
    }
}

TEST(BlendPixel, EveryChannelPairAndWeightRoundsLikeAlphaBlend) {
    // The lanes' division trick against the plain rounded division, with neighbouring channels
    // far apart so a carry from one lane into the next would show.
    int wrong = 0;
    for (uint32_t w = 0; w <= 255 && wrong < 5; ++w) {
        for (uint32_t a = 0; a <= 255; ++a) {
            for (uint32_t b = 0; b <= 255; ++b) {
                const uint32_t from = a | (b << 8) | ((255 - a) << 16) | ((255 - b) << 24);
                const uint32_t to = b | (a << 8) | ((255 - b) << 16) | ((255 - a) << 24);
                const uint32_t got = BlendPixel(from, to, w);
                for (int shift = 0; shift < 32; shift += 8) {
                    const uint32_t f = (from >> shift) & 0xFF, t = (to >> shift) & 0xFF;
                    const uint32_t want = (t * w + f * (255 - w) + 127) / 255;
                    if (((got >> shift) & 0xFF) != want && ++wrong <= 5)
                        ADD_FAILURE() << "from " << f << " to " << t << " at " << w << ": got "
                                      << ((got >> shift) & 0xFF) << ", want " << want;
                }
            }
        }
    }
}

TEST(BlendPixels, BlendsEveryPixelOfARow) {
    const uint32_t from[3] = {0x000000FF, 0x00000000, 0x00FFFFFF};
    const uint32_t to[3] = {0x00FF0000, 0x00FFFFFF, 0x00FFFFFF};
    uint32_t out[4] = {0, 0, 0, 0xDEADBEEF};
    orv::BlendPixels(from, to, out, 3, 128);
    EXPECT_EQ(out[0], 0x0080007Fu);
    EXPECT_EQ(out[1], 0x00808080u);
    EXPECT_EQ(out[2], 0x00FFFFFFu);
    EXPECT_EQ(out[3], 0xDEADBEEFu) << "wrote past the count";
}
