#include "core/picture/Resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

using orv::ImageSpan;
using orv::ImageView;
using orv::Rect;
using orv::RectF;
using orv::Sampling;
using orv::SimdLevel;

namespace {

constexpr uint32_t kUntouched = 0xDEADBEEF;
constexpr SimdLevel kLevels[] = {SimdLevel::kScalar, SimdLevel::kSse2, SimdLevel::kAvx2};

// Buffers sized exactly, so that the sanitiser sees any read or write past them.
struct Picture {
    int width, height;
    std::vector<uint32_t> pixels;
    Picture(int w, int h, std::vector<uint32_t> p) : width(w), height(h), pixels(std::move(p)) {}
    ImageView View() const { return ImageView{pixels.data(), width, height, width}; }
};
struct Screen {
    int width, height;
    std::vector<uint32_t> pixels;
    Screen(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, kUntouched) {}
    ImageSpan Span() { return ImageSpan{pixels.data(), width, height, width}; }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Pixels with every channel different from every other pixel's.
Picture Numbered(int width, int height) {
    std::vector<uint32_t> p(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<uint32_t>(i * 2654435761u);
    return Picture(width, height, p);
}

uint32_t Blue(uint32_t pixel) { return pixel & 0xFF; }

const Rect kEverywhere{-100000, -100000, 100000, 100000};

}  // namespace

TEST(DrawImage, PointAtOneToOneCopiesWholePixelsExactly) {
    const Picture picture = Numbered(6, 5);
    const struct {
        const char* what;
        RectF source, target;
    } cases[] = {
        {"whole picture at the corner", {0, 0, 6, 5}, {0, 0, 6, 5}},
        {"an inner part, moved", {1, 2, 4, 4}, {3, 1, 6, 3}},
        {"one pixel", {5, 4, 6, 5}, {0, 0, 1, 1}},
    };
    for (const auto& c : cases) {
        for (Sampling sampling : {Sampling::kPoint, Sampling::kBilinear}) {
            for (SimdLevel level : kLevels) {
                Screen screen(8, 6);
                orv::DrawImage(picture.View(), c.source, screen.Span(), c.target, kEverywhere, sampling,
                               level);
                for (int y = 0; y < screen.height; ++y) {
                    for (int x = 0; x < screen.width; ++x) {
                        const bool inside = x >= c.target.left && x < c.target.right && y >= c.target.top &&
                                            y < c.target.bottom;
                        const int sx = x - static_cast<int>(c.target.left) + static_cast<int>(c.source.left);
                        const int sy = y - static_cast<int>(c.target.top) + static_cast<int>(c.source.top);
                        const uint32_t expected =
                            inside ? picture.pixels[sy * picture.width + sx] : kUntouched;
                        ASSERT_EQ(screen.At(x, y), expected)
                            << c.what << " at " << x << "," << y << " level " << static_cast<int>(level);
                    }
                }
            }
        }
    }
}

TEST(DrawImage, BilinearGivesHandComputedValuesBetweenPixels) {
    // Blue channel only; every channel is weighed alike.
    const Picture ramp(2, 1, {0, 200});
    const Picture square(2, 2, {0, 100, 200, 255});
    const struct {
        const char* what;
        const Picture& picture;
        RectF source, target;
        std::vector<uint32_t> expected;  // the first screen row
    } cases[] = {
        {"half way: the mean", ramp, {0.5, 0, 1.5, 1}, {0, 0, 1, 1}, {100}},
        {"a quarter of the way", ramp, {0.25, 0, 1.25, 1}, {0, 0, 1, 1}, {50}},
        {"twice the size: the edges repeat", ramp, {0, 0, 2, 1}, {0, 0, 4, 1}, {0, 50, 150, 200}},
        {"the centre of four: (555 / 4 = 138.75)", square, {0.5, 0.5, 1.5, 1.5}, {0, 0, 1, 1}, {139}},
        {"a target starting past a pixel's centre leaves that pixel",
         ramp,
         {0.5, 0, 1.5, 1},
         {0.6, 0, 1.6, 1},
         {kUntouched, 180}},
        {"mirrored", ramp, {2, 0, 0, 1}, {0, 0, 4, 1}, {200, 150, 50, 0}},
    };
    for (const auto& c : cases) {
        for (SimdLevel level : kLevels) {
            Screen screen(static_cast<int>(c.expected.size()), 1);
            orv::DrawImage(c.picture.View(), c.source, screen.Span(), c.target, kEverywhere,
                           Sampling::kBilinear, level);
            for (size_t x = 0; x < c.expected.size(); ++x) {
                const uint32_t got = c.expected[x] == kUntouched ? screen.At(x, 0) : Blue(screen.At(x, 0));
                EXPECT_EQ(got, c.expected[x])
                    << c.what << " at " << x << " level " << static_cast<int>(level);
            }
        }
    }
}

TEST(DrawImage, GreenRoundsHalfUpLikeEveryChannel) {
    // 0 and 255 in green, red and the fourth byte: half way is 127.5, drawn as 128.
    const Picture picture(2, 1, {0x00000000u, 0xFFFFFF00u});
    for (SimdLevel level : kLevels) {
        Screen screen(1, 1);
        orv::DrawImage(picture.View(), {0.5, 0, 1.5, 1}, screen.Span(), {0, 0, 1, 1}, kEverywhere,
                       Sampling::kBilinear, level);
        EXPECT_EQ(screen.At(0, 0), 0x80808000u) << "level " << static_cast<int>(level);
    }
}

TEST(DrawImage, ASlowDriftChangesPixelsInSmallEvenSteps) {
    // A sharp edge moved by 1/64 of a pixel a frame: each frame's pixel moves a little, never
    // jumping or standing still for long (a position rounded to whole pixels would do both).
    const Picture edge(2, 1, {0, 255});
    for (SimdLevel level : kLevels) {
        uint32_t before = 0;
        int still = 0;
        for (int step = 0; step <= 64; ++step) {
            const double offset = step / 64.0;
            Screen screen(1, 1);
            orv::DrawImage(edge.View(), {offset, 0, offset + 1, 1}, screen.Span(), {0, 0, 1, 1}, kEverywhere,
                           Sampling::kBilinear, level);
            const uint32_t now = Blue(screen.At(0, 0));
            if (step > 0) {
                EXPECT_GE(now, before) << "step " << step;
                EXPECT_LE(now - before, 5u) << "step " << step;
                still = now == before ? still + 1 : 0;
                EXPECT_LT(still, 2) << "step " << step;
            }
            before = now;
        }
        EXPECT_EQ(before, 255u);
    }
}

TEST(DrawImage, OnlyPixelsInsideTheClipAndTheScreenChange) {
    const Picture picture = Numbered(4, 4);
    const struct {
        const char* what;
        RectF target;
        Rect clip;
        Rect drawn;  // the screen pixels that must change, all others stay
    } cases[] = {
        {"clip inside the target", {0, 0, 10, 8}, {2, 3, 5, 6}, {2, 3, 5, 6}},
        {"target inside the clip", {1.5, 1.5, 4.5, 3.5}, {0, 0, 10, 8}, {1, 1, 4, 3}},
        {"target past the screen's edges", {-3, -3, 20, 20}, kEverywhere, {0, 0, 10, 8}},
        {"clip past the screen's edges", {0, 0, 10, 8}, {-5, 6, 50, 50}, {0, 6, 10, 8}},
        {"reversed clip", {0, 0, 10, 8}, {5, 5, 2, 2}, {0, 0, 0, 0}},
        {"target narrower than a pixel centre", {2.6, 2.6, 3.4, 3.4}, kEverywhere, {0, 0, 0, 0}},
        {"target covering one centre", {2.4, 2.4, 3.4, 3.4}, kEverywhere, {2, 2, 3, 3}},
    };
    for (const auto& c : cases) {
        for (Sampling sampling : {Sampling::kPoint, Sampling::kBilinear}) {
            for (SimdLevel level : kLevels) {
                Screen screen(10, 8);
                EXPECT_EQ(orv::CoveredPixels(screen.Span(), c.target, c.clip),
                          (c.drawn.Width() > 0 ? c.drawn : Rect{}))
                    << c.what;
                orv::DrawImage(picture.View(), {0, 0, 4, 4}, screen.Span(), c.target, c.clip, sampling,
                               level);
                for (int y = 0; y < screen.height; ++y) {
                    for (int x = 0; x < screen.width; ++x) {
                        const bool drawn =
                            x >= c.drawn.left && x < c.drawn.right && y >= c.drawn.top && y < c.drawn.bottom;
                        EXPECT_EQ(screen.At(x, y) != kUntouched, drawn) << c.what << " at " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(DrawImage, HostileRectanglesNeverReachOutsideTheBuffers) {
    // Run under the address sanitiser: the buffers are sized exactly. Whatever is drawn, it is
    // drawn from the picture's own pixels or nothing is drawn.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double big = 1e300;
    const RectF cases[][2] = {
        // source, target
        {{0, 0, 5, 3}, {nan, 0, 9, 7}},
        {{nan, 0, 5, 3}, {0, 0, 9, 7}},
        {{0, 0, inf, 3}, {0, 0, 9, 7}},
        {{0, 0, 5, 3}, {-inf, -inf, inf, inf}},
        {{-big, -big, big, big}, {0, 0, 9, 7}},
        {{0, 0, 5, 3}, {-big, -big, big, big}},
        {{-1e308, 0, 1e308, 3}, {-1e308, 0, 1e308, 7}},
        {{100, 100, 200, 200}, {0, 0, 9, 7}},
        {{-200, -200, -100, -100}, {0, 0, 9, 7}},
        {{0, 0, 5, 3}, {9, 7, 0, 0}},
        {{5, 3, 0, 0}, {0, 0, 9, 7}},
        {{2, 1, 2, 1}, {0, 0, 9, 7}},
        {{0, 0, 1e-12, 1e-12}, {0, 0, 9, 7}},
        {{0, 0, 5, 3}, {4.5, 3.5, 4.5000001, 3.5000001}},
        {{4.999, 2.999, 5, 3}, {0, 0, 9, 7}},
        {{-0.5, -0.5, 5.5, 3.5}, {-0.5, -0.5, 9.5, 7.5}},
        {{0, 0, 5, 3}, {8.9, 6.9, 1e9, 1e9}},
        {{0, 0, 5, 3}, {2147483647.0, 0, 4294967296.0, 7}},
    };
    const Picture wide = Numbered(5, 3);
    const Picture single = Numbered(1, 1);
    const Picture column = Numbered(1, 3);
    for (const Picture* picture : {&wide, &single, &column}) {
        for (const auto& c : cases) {
            for (Sampling sampling : {Sampling::kPoint, Sampling::kBilinear}) {
                Screen scalar(9, 7);
                for (SimdLevel level : kLevels) {
                    Screen screen(9, 7);
                    orv::DrawImage(picture->View(), c[0], screen.Span(), c[1], kEverywhere, sampling, level);
                    if (level == SimdLevel::kScalar)
                        scalar = screen;
                    else
                        EXPECT_EQ(screen.pixels, scalar.pixels) << "SIMD and scalar differ";
                }
            }
        }
    }
    // Pictures and screens that are not there draw nothing.
    Screen screen(9, 7);
    orv::DrawImage(ImageView{nullptr, 5, 3, 5}, {0, 0, 5, 3}, screen.Span(), {0, 0, 9, 7}, kEverywhere,
                   Sampling::kBilinear);
    orv::DrawImage(ImageView{wide.pixels.data(), 5, 3, 4}, {0, 0, 5, 3}, screen.Span(), {0, 0, 9, 7},
                   kEverywhere, Sampling::kBilinear);
    orv::DrawImage(ImageView{wide.pixels.data(), 0, 3, 5}, {0, 0, 5, 3}, screen.Span(), {0, 0, 9, 7},
                   kEverywhere, Sampling::kPoint);
    EXPECT_EQ(screen.pixels, Screen(9, 7).pixels);
    orv::DrawImage(wide.View(), {0, 0, 5, 3}, ImageSpan{nullptr, 9, 7, 9}, {0, 0, 9, 7}, kEverywhere,
                   Sampling::kBilinear);
}

TEST(DrawImage, SimdAndScalarAgreeAtEveryScaleAndOffset) {
    const Picture picture = Numbered(61, 37);
    const double scales[] = {1.0, 0.8, 1.25, 0.5, 3.0, 0.31};
    for (double scale : scales) {
        for (double offset : {0.0, 0.123, 0.5, 0.77, 13.9}) {
            const RectF source{offset, offset / 2, offset + 50 / scale, offset / 2 + 30 / scale};
            const RectF target{1.3, 0.6, 51.3, 30.6};
            Screen scalar(53, 32);
            orv::DrawImage(picture.View(), source, scalar.Span(), target, kEverywhere, Sampling::kBilinear,
                           SimdLevel::kScalar);
            for (SimdLevel level : {SimdLevel::kSse2, SimdLevel::kAvx2}) {
                Screen simd(53, 32);
                orv::DrawImage(picture.View(), source, simd.Span(), target, kEverywhere, Sampling::kBilinear,
                               level);
                EXPECT_EQ(simd.pixels, scalar.pixels) << "scale " << scale << " offset " << offset;
            }
        }
    }
}

TEST(DrawImage, BandsOfRowsDrawWhatOneDrawDraws) {
    // The renderer splits a draw over threads by clipping each to a band of rows: the bands
    // together must give exactly the one draw, whatever the band edges fall on.
    const Picture picture = Numbered(23, 17);
    const RectF source{0.3, 0.7, 22.1, 16.2}, target{-1.5, 2.25, 40.75, 31.6};
    for (Sampling sampling : {Sampling::kPoint, Sampling::kBilinear}) {
        Screen whole(41, 33);
        orv::DrawImage(picture.View(), source, whole.Span(), target, kEverywhere, sampling);
        for (int bands : {2, 3, 7}) {
            Screen split(41, 33);
            for (int b = 0; b < bands; ++b)
                orv::DrawImage(picture.View(), source, split.Span(), target,
                               Rect{0, 33 * b / bands, 41, 33 * (b + 1) / bands}, sampling);
            EXPECT_EQ(split.pixels, whole.pixels) << bands << " bands";
        }
    }
}

TEST(BlendRows, WeightsZeroOneAndHalfAreExact) {
    const std::vector<uint32_t> from = {0x00000000, 0xFFFFFFFF, 0x10203040, 0x01FF7F80, 0x00000000,
                                        0xFFFFFFFF, 0x10203040, 0x01FF7F80, 0x12345678};
    const std::vector<uint32_t> to = {0xFFFFFFFF, 0x00000000, 0x30405060, 0x02008081, 0xFFFFFFFF,
                                      0x00000000, 0x30405060, 0x02008081, 0x9ABCDEF0};
    const struct {
        uint32_t weight;
        std::vector<uint32_t> expected;
    } cases[] = {
        {0, from},
        {256, to},
        {1000, to},
        // Each channel (a + b + 1) / 2.
        {128,
         {0x80808080, 0x80808080, 0x20304050, 0x02808081, 0x80808080, 0x80808080, 0x20304050, 0x02808081,
          0x56789AB4}},
    };
    for (const auto& c : cases) {
        for (SimdLevel level : kLevels) {
            std::vector<uint32_t> out(from.size());
            orv::BlendRows(from.data(), to.data(), out.data(), out.size(), c.weight, level);
            EXPECT_EQ(out, c.expected) << "weight " << c.weight << " level " << static_cast<int>(level);
        }
    }
}

TEST(BlendRows, SimdAndScalarAgreeForEveryWeight) {
    const Picture a = Numbered(37, 1), b = Numbered(1, 41);
    for (uint32_t weight = 0; weight <= 256; ++weight) {
        std::vector<uint32_t> scalar(37), simd(37);
        orv::BlendRows(a.pixels.data(), b.pixels.data() + 3, scalar.data(), 37, weight, SimdLevel::kScalar);
        for (SimdLevel level : {SimdLevel::kSse2, SimdLevel::kAvx2}) {
            orv::BlendRows(a.pixels.data(), b.pixels.data() + 3, simd.data(), 37, weight, level);
            ASSERT_EQ(simd, scalar) << "weight " << weight;
        }
    }
}

TEST(BlendWeightFor, FractionsRoundAndClamp) {
    const struct {
        double fraction;
        uint32_t expected;
    } cases[] = {{0, 0},     {1, 256},          {0.5, 128},
                 {0.25, 64}, {1.0 / 512, 1},    {-3, 0},
                 {7, 256},   {std::nan(""), 0}, {std::numeric_limits<double>::infinity(), 256}};
    for (const auto& c : cases)
        EXPECT_EQ(orv::BlendWeightFor(c.fraction), c.expected) << c.fraction;
}

TEST(HalveImage, MeansOfTwoByTwoBlocksWithOddEdgesAveragedWithThemselves) {
    // Blue only: 3 x 3 becomes 2 x 2.
    const Picture picture(3, 3, {0, 10, 20, 30, 41, 50, 60, 70, 80});
    const orv::OwnedImage half = orv::HalveImage(picture.View());
    ASSERT_EQ(half.width, 2);
    ASSERT_EQ(half.height, 2);
    // (0+10+30+41)/4 = 20.25, (20+20+50+50)/4 = 35, (60+70+60+70)/4 = 65, 80.
    EXPECT_EQ(half.pixels, (std::vector<uint32_t>{20, 35, 65, 80}));
    EXPECT_EQ(orv::HalveImage(ImageView{}).width, 0);
}
