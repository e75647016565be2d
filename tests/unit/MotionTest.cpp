#include "core/show/Motion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/show/Random.h"

using orv::MotionRandom;
using orv::Rect;
using orv::RectF;
using orv::Size;

namespace {

// Slides as the layout gives them: a picture, its rectangle on screen, its monitor, its time.
struct Slide {
    const char* name;
    Size picture;
    Rect target;
    Rect area;
    double lengthMs;
};
const std::vector<Slide> kSlides = {
    {"landscape stretched to a monitor", {4000, 3000}, {240, 0, 1680, 1080}, {0, 0, 1920, 1080}, 11000},
    {"small picture, stretch off", {320, 200}, {800, 440, 1120, 640}, {0, 0, 1920, 1080}, 11000},
    {"one pixel wide", {1, 10000}, {959, 0, 960, 1080}, {0, 0, 1920, 1080}, 11000},
    {"one pixel high", {10000, 1}, {0, 539, 1920, 540}, {0, 0, 1920, 1080}, 4000},
    {"preview miniature", {640, 480}, {0, 0, 152, 112}, {0, 0, 152, 112}, 2000},
    {"second monitor at 4K", {6000, 4000}, {1920, 0, 5160, 2160}, {1920, 0, 5760, 2160}, 121000},
};

// Where the picture point (px, py) shows on screen under framing f over target.
void ScreenOf(const RectF& f, const Rect& target, double px, double py, double& sx, double& sy) {
    sx = target.left + (px - f.left) / f.Width() * target.Width();
    sy = target.top + (py - f.top) / f.Height() * target.Height();
}

TEST(Motion, FramingStaysInsideThePictureAndWithinTheZoomsAtEveryMoment) {
    for (const Slide& s : kSlides)
        for (uint64_t seed = 1; seed <= 20; ++seed) {
            MotionRandom random(seed);
            const orv::SlideMotion m = orv::PlanMotion(random, s.picture, s.target, s.area, s.lengthMs);
            // Past the planned time too: the next picture may be late.
            for (double t = 0; t <= s.lengthMs * 3.5; t += s.lengthMs / 97) {
                const RectF f = orv::FramingAt(m, t);
                const double eps = 1e-9 * (s.picture.cx + s.picture.cy);
                ASSERT_GE(f.left, -eps) << s.name << " seed " << seed << " t " << t;
                ASSERT_GE(f.top, -eps) << s.name << " seed " << seed << " t " << t;
                ASSERT_LE(f.right, s.picture.cx + eps) << s.name << " seed " << seed << " t " << t;
                ASSERT_LE(f.bottom, s.picture.cy + eps) << s.name << " seed " << seed << " t " << t;
                // Zoom 1 .. 1.25 of the layout's size, the same along both sides: never distorted.
                ASSERT_GE(f.Width(), s.picture.cx / 1.25 - eps) << s.name << " seed " << seed;
                ASSERT_LE(f.Width(), s.picture.cx + eps) << s.name << " seed " << seed;
                ASSERT_NEAR(f.Width() / s.picture.cx, f.Height() / s.picture.cy, 1e-9) << s.name;
            }
        }
}

TEST(Motion, NoPointOfThePictureMovesFasterThanTwoPercentOfTheDiagonalASecond) {
    for (const Slide& s : kSlides)
        for (uint64_t seed = 1; seed <= 20; ++seed) {
            MotionRandom random(seed);
            const orv::SlideMotion m = orv::PlanMotion(random, s.picture, s.target, s.area, s.lengthMs);
            const double diagonal = std::hypot(s.area.Width(), s.area.Height());
            const double perMs = 0.02 * diagonal / 1000.0;
            const double step = 5;  // ms: a frame at 200 Hz
            for (double t = 0; t + step <= s.lengthMs * 2; t += step) {
                const RectF a = orv::FramingAt(m, t), b = orv::FramingAt(m, t + step);
                // The points seen at the target's corners at t, followed to t + step.
                for (double cx : {0.0, 1.0})
                    for (double cy : {0.0, 1.0}) {
                        const double px = a.left + a.Width() * cx, py = a.top + a.Height() * cy;
                        double x0, y0, x1, y1;
                        ScreenOf(a, s.target, px, py, x0, y0);
                        ScreenOf(b, s.target, px, py, x1, y1);
                        // "About" 2 %: a tenth over for the zoom's uneven pace within a sixteenth.
                        ASSERT_LE(std::hypot(x1 - x0, y1 - y0), perMs * step * 1.1)
                            << s.name << " seed " << seed << " t " << t;
                    }
            }
        }
}

TEST(Motion, EvenPaceAndNoJumpWhenTheNextPictureIsLate) {
    MotionRandom random(7);
    const Slide& s = kSlides[0];
    const orv::SlideMotion m = orv::PlanMotion(random, s.picture, s.target, s.area, s.lengthMs);
    // Every slide moves: either end zooms at least a tenth further in than the other.
    EXPECT_GE(std::fabs(m.start.Width() - m.end.Width()), s.picture.cx * (1 / 1.05 - 1 / 1.15) * 0.5);
    struct Case {
        double from, to;
    };
    // Equal times give equal moves of the framing's edges, across the planned end included.
    const Case cases[] = {{0, 1000}, {5000, 6000}, {10500, 11500}, {11000, 12000}, {30000, 31000}};
    const double expected = std::fabs(orv::FramingAt(m, 1000).left - orv::FramingAt(m, 0).left);
    EXPECT_GT(expected, 0.0);
    for (const Case& c : cases) {
        const double move = std::fabs(orv::FramingAt(m, c.to).left - orv::FramingAt(m, c.from).left);
        if (c.from < s.lengthMs && c.to > s.lengthMs) {
            // The turn at the planned end: it goes back, so the net move is less, never more.
            EXPECT_LE(move, expected + 1e-9) << c.from;
        } else {
            EXPECT_NEAR(move, expected, 1e-6) << c.from;
        }
    }
    // A millisecond either side of the planned end: no jump.
    EXPECT_NEAR(orv::FramingAt(m, s.lengthMs - 1).left, orv::FramingAt(m, s.lengthMs + 1).left,
                expected / 500);
}

TEST(Motion, OwnGeneratorLeavesTheProcessGeneratorsDrawsAlone) {
    orv::SeedRandom(1234);
    const int first = orv::NextRandom();
    orv::SeedRandom(1234);
    MotionRandom random(99);
    for (int i = 0; i < 10; ++i)
        orv::PlanMotion(random, {800, 600}, {0, 0, 800, 600}, {0, 0, 800, 600}, 5000);
    EXPECT_EQ(orv::NextRandom(), first);
    std::srand(55);
    const int c = std::rand();
    std::srand(55);
    orv::PlanMotion(random, {800, 600}, {0, 0, 800, 600}, {0, 0, 800, 600}, 5000);
    EXPECT_EQ(std::rand(), c);
    // The same seed plans the same drift; another seed another one.
    MotionRandom a(5), b(5), other(6);
    const orv::SlideMotion ma = orv::PlanMotion(a, {800, 600}, {0, 0, 800, 600}, {0, 0, 800, 600}, 5000);
    const orv::SlideMotion mb = orv::PlanMotion(b, {800, 600}, {0, 0, 800, 600}, {0, 0, 800, 600}, 5000);
    const orv::SlideMotion mo = orv::PlanMotion(other, {800, 600}, {0, 0, 800, 600}, {0, 0, 800, 600}, 5000);
    EXPECT_EQ(ma.start, mb.start);
    EXPECT_EQ(ma.end, mb.end);
    EXPECT_FALSE(ma.start == mo.start && ma.end == mo.end);
}

TEST(Motion, DegenerateSlidesStayStillOnTheWholePicture) {
    struct Case {
        const char* name;
        Size picture;
        Rect target;
        double lengthMs;
    };
    const Case cases[] = {
        {"empty picture", {0, 0}, {0, 0, 100, 100}, 5000},
        {"negative size", {-5, 10}, {0, 0, 100, 100}, 5000},
        {"empty target", {100, 100}, {10, 10, 10, 50}, 5000},
        {"no time on show", {100, 100}, {0, 0, 100, 100}, 0},
        {"not a time", {100, 100}, {0, 0, 100, 100}, NAN},
    };
    for (const Case& c : cases) {
        MotionRandom random(3);
        const orv::SlideMotion m = orv::PlanMotion(random, c.picture, c.target, {0, 0, 100, 100}, c.lengthMs);
        const RectF whole{0, 0, c.picture.cx > 0 ? double(c.picture.cx) : 0.0,
                          c.picture.cy > 0 ? double(c.picture.cy) : 0.0};
        EXPECT_EQ(orv::FramingAt(m, 0), whole) << c.name;
        EXPECT_EQ(orv::FramingAt(m, 2500), whole) << c.name;
    }
}

}  // namespace
