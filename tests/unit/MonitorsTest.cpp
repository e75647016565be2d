#include "core/show/Monitors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

using orv::CaptionPlaceIn;
using orv::DealEntries;
using orv::MonitorRect;
using orv::PictureRectIn;
using orv::Point;
using orv::Rect;
using orv::ShowingOrder;
using orv::Size;

namespace orv {
// Readable failures for the tables below.
std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}
std::ostream& operator<<(std::ostream& os, const Point& p) { return os << "(" << p.x << ", " << p.y << ")"; }
}  // namespace orv

namespace {

// The two-monitor desk of the end-to-end suite: 800 x 600 primary, 640 x 480 to its right.
constexpr Rect kA{0, 0, 800, 600};
constexpr Rect kB{800, 0, 1440, 480};

}  // namespace

TEST(ShowingOrder, PrimaryFirstThenTheSystemsOrderInWindowCoordinates) {
    struct Case {
        const char* what;
        std::vector<MonitorRect> monitors;
        Point origin;
        std::vector<Rect> expected;
    };
    const Case cases[] = {
        {"one monitor is the whole window", {{kA, true}}, {0, 0}, {kA}},
        {"primary listed first", {{kA, true}, {kB, false}}, {0, 0}, {kA, kB}},
        {"primary listed second still leads", {{kB, false}, {kA, true}}, {0, 0}, {kA, kB}},
        {"the others keep the system's order",
         {{{0, 0, 10, 10}, false},
          {{20, 0, 30, 10}, true},
          {{40, 0, 50, 10}, false},
          {{-10, 0, 0, 10}, false}},
         {0, 0},
         {{20, 0, 30, 10}, {0, 0, 10, 10}, {40, 0, 50, 10}, {-10, 0, 0, 10}}},
        // A monitor left of and above the primary: the virtual screen starts at (-1280, -200).
        {"negative virtual origin moves every monitor",
         {{kA, true}, {{-1280, -200, 0, 824}, false}},
         {-1280, -200},
         {{1280, 200, 2080, 800}, {0, 0, 1280, 1024}}},
        {"no primary flagged: the system's order", {{kB, false}, {kA, false}}, {0, 0}, {kB, kA}},
        {"two flagged: the first leads",
         {{kB, false}, {kA, true}, {{0, 600, 10, 610}, true}},
         {0, 0},
         {kA, kB, {0, 600, 10, 610}}},
        {"monitors without area are left out",
         {{{5, 5, 5, 50}, true}, {kB, false}, {{0, 0, 10, -10}, false}},
         {0, 0},
         {kB}},
        {"nothing listed", {}, {0, 0}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShowingOrder(c.monitors, c.origin), c.expected) << c.what;
}

TEST(ShowingOrder, ExtremeCoordinatesAreClampedNotOverflowed) {
    const std::vector<MonitorRect> monitors{{{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, true}};
    const std::vector<Rect> order = ShowingOrder(monitors, {INT32_MAX, INT32_MAX});
    ASSERT_EQ(order.size(), 1u);
    EXPECT_EQ(order[0], (Rect{INT32_MIN, INT32_MIN, 0, 0}));
}

TEST(DealEntries, MonitorsTakeTheNextEntriesInTurn) {
    struct Case {
        const char* what;
        size_t list, monitors, next;
        std::vector<size_t> entries;
        size_t after;
    };
    const Case cases[] = {
        // p1, p2, p3 on A and B: p1 p2, then p3 p1, then p2 p3.
        {"first tick", 3, 2, 0, {0, 1}, 2},
        {"second tick wraps on the second monitor", 3, 2, 2, {2, 0}, 1},
        {"third tick", 3, 2, 1, {1, 2}, 3},
        {"next at the end wraps before the first monitor", 3, 2, 3, {0, 1}, 2},
        {"next far past the end (the list shrank)", 3, 2, 99, {0, 1}, 2},
        {"one monitor: one entry a tick, as always", 3, 1, 2, {2}, 3},
        {"one monitor at the end wraps", 3, 1, 3, {0}, 1},
        {"one entry: every monitor shows it", 1, 3, 1, {0, 0, 0}, 1},
        {"more monitors than entries go round more than once", 2, 5, 1, {1, 0, 1, 0, 1}, 2},
        {"empty list deals nothing, next kept", 0, 2, 7, {}, 7},
        {"no monitor deals nothing", 3, 0, 1, {}, 1},
    };
    for (const Case& c : cases) {
        const orv::Deal deal = DealEntries(c.list, c.monitors, c.next);
        EXPECT_EQ(deal.entries, c.entries) << c.what;
        EXPECT_EQ(deal.next, c.after) << c.what;
    }
}

TEST(PictureRectIn, EachMonitorLaysOutForItsOwnSize) {
    struct Case {
        const char* what;
        Rect area;
        Size picture;
        bool stretch;
        Rect expected;
    };
    const Case cases[] = {
        // On A exactly as on a lone 800 x 600 screen.
        {"A, stretch, wide picture", kA, {1000, 500}, true, {0, 100, 800, 500}},
        {"A, 1:1", kA, {101, 51}, false, {349, 274, 450, 325}},
        // On B (640 x 480 at x 800): 1000 x 500 -> w = 480 x 1000 / 500 = 960 > 640, so
        // 640 x 320 at (0, 80) of B.
        {"B, stretch, wide picture", kB, {1000, 500}, true, {800, 80, 1440, 400}},
        // 101 x 51 1:1 at ((640 - 101) / 2, (480 - 51) / 2) = (269, 214) of B.
        {"B, 1:1", kB, {101, 51}, false, {1069, 214, 1170, 265}},
        // 700 x 100 fits A but not B: stretched there, 640 x (100 x 640 / 700 = 91) at y 194.
        {"B, too wide for B only", kB, {700, 100}, false, {800, 194, 1440, 285}},
        {"A, same picture 1:1", kA, {700, 100}, false, {50, 250, 750, 350}},
        {"monitor at a negative place", {-640, -480, 0, 0}, {640, 480}, true, {-640, -480, 0, 0}},
        {"no picture", kB, {0, 0}, true, {}},
        {"monitor without area", {800, 0, 800, 480}, {10, 10}, false, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PictureRectIn(c.area, c.picture, {c.area.Width(), c.area.Height()}, c.stretch, false),
                  c.expected)
            << c.what;
}

TEST(PictureRectIn, PreviewIsItsClientAreaScaledLikeTheScreen) {
    // Preview 100 x 75 on a 1024 x 768 screen, 320 x 240 not stretched: 31 x 23 at (34, 26).
    EXPECT_EQ(PictureRectIn({0, 0, 100, 75}, {320, 240}, {1024, 768}, false, true), (Rect{34, 26, 65, 49}));
}

TEST(CaptionPlaceIn, TheBoxStaysOnItsMonitor) {
    struct Case {
        const char* what;
        Rect area;
        Rect picture;
        Size box;
        int random;
        Point expected;
    };
    const Case cases[] = {
        // A as a lone screen: 800 x 400 at (0, 100), box 100 x 30 -> bottom edge.
        {"A, bottom, left end", kA, {0, 100, 800, 500}, {100, 30}, 0, {0, 570}},
        {"A, bottom, right end", kA, {0, 100, 800, 500}, {100, 30}, 32767, {700, 570}},
        // B with its wide picture 640 x 320: room below 80 - 30 = 50, beside -100 -> bottom of B.
        {"B, bottom, left end", kB, {800, 80, 1440, 400}, {100, 30}, 0, {800, 450}},
        {"B, bottom, right end", kB, {800, 80, 1440, 400}, {100, 30}, 32767, {1340, 450}},
        // B with a tall picture 240 x 480: room below -30, beside 100 -> right edge of B.
        {"B, right, top", kB, {1000, 0, 1240, 480}, {100, 30}, 0, {1340, 0}},
        {"B, right, bottom", kB, {1000, 0, 1240, 480}, {100, 30}, 32767, {1340, 450}},
        // Failure box on B (no picture), 300 x 30: room below 210, beside 20 -> bottom.
        {"B, failure box", kB, {}, {300, 30}, 16384, {970, 450}},
        // A 1000 x 1 picture stretched on A is laid out 800 x 0: room below 300 - 30, beside
        // 0 - 100 -> bottom edge. Its width counts although it has no height.
        {"A, flat picture, bottom", kA, {0, 300, 800, 300}, {100, 30}, 0, {0, 570}},
        {"A, flat picture, bottom, right end", kA, {0, 300, 800, 300}, {100, 30}, 32767, {700, 570}},
        // The same on its side, 0 x 600, box 200 x 30: below 0 - 30, beside 400 - 200 -> right.
        {"A, thin picture, right, top", kA, {400, 0, 400, 600}, {200, 30}, 0, {600, 0}},
        {"A, thin picture, right, bottom", kA, {400, 0, 400, 600}, {200, 30}, 32767, {600, 570}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptionPlaceIn(c.area, c.picture, c.box, c.random), c.expected) << c.what;
}

TEST(CaptionPlaceIn, DegenerateInputGivesAClearPlace) {
    // A monitor without area puts the box at its corner; extreme rectangles do not overflow.
    EXPECT_EQ(CaptionPlaceIn({800, 0, 800, 480}, {}, {100, 30}, 5), (Point{800, 0}));
    const Rect huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(CaptionPlaceIn(huge, huge, {INT32_MAX, INT32_MAX}, 32767), (Point{INT32_MIN, INT32_MIN}));
    EXPECT_EQ(PictureRectIn(huge, {INT32_MAX, 1}, {1, 1}, true, false).left, INT32_MIN);
}
