#include "core/framework/Placement.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using orv::Point;
using orv::Rect;

TEST(CenteredPosition, CentresOverTheOwnerAndStaysInsideTheWorkArea) {
    const Rect work{0, 0, 800, 570};  // 800 x 600 screen with a 30-pixel task bar
    struct Case {
        Rect window;
        Rect center;
        Point expected;
    };
    const std::vector<Case> cases = {
        // About box 287 x 190 over a settings dialog at (200, 100) of 287 x 366.
        {{0, 0, 287, 190}, {200, 100, 487, 466}, {200, 188}},
        // Odd sizes: (201 + 500) / 2 = 350, 301 / 2 = 150.
        {{0, 0, 301, 101}, {201, 0, 500, 300}, {200, 100}},
        // No owner: centred in the work area.
        {{0, 0, 287, 366}, work, {257, 102}},
        // Owner hanging off the right and bottom edges: pushed back inside.
        {{0, 0, 287, 190}, {700, 500, 1000, 700}, {513, 380}},
        // Owner off the left and top edges.
        {{0, 0, 287, 190}, {-400, -300, 0, 0}, {0, 0}},
        // Window larger than the work area: left and top edges win.
        {{0, 0, 1000, 700}, work, {0, 0}},
        // The window's own position does not matter, only its size.
        {{-50, 999, 237, 1189}, {200, 100, 487, 466}, {200, 188}},
    };
    for (const Case& c : cases) {
        const Point p = orv::CenteredPosition(c.window, c.center, work);
        EXPECT_EQ(p, c.expected) << p.x << "," << p.y;
    }
}

TEST(CenteredPosition, WorkAreaOffsetFromTheOriginOnASecondMonitor) {
    const Rect work{1920, 40, 3200, 1024};
    EXPECT_EQ(orv::CenteredPosition({0, 0, 200, 100}, work, work), (Point{2460, 482}));
    EXPECT_EQ(orv::CenteredPosition({0, 0, 200, 100}, {0, 0, 100, 100}, work), (Point{1920, 40}));
}

TEST(CenteredPosition, NegativeCentresTruncateTowardZero) {
    // (-301 + 0) / 2 = -150 (not -151); 3 / 2 = 1.
    EXPECT_EQ(orv::CenteredPosition({0, 0, 3, 3}, {-301, -301, 0, 0}, {-1000, -1000, 1000, 1000}),
              (Point{-151, -151}));
}

}  // namespace
