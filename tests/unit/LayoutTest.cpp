#include "core/show/Layout.h"

#include <gtest/gtest.h>

using orv::PictureRect;
using orv::Rect;
using orv::Size;

namespace {

struct LayoutCase {
    const char* what;
    Size client;
    Size picture;
    Size screen;
    bool stretch;
    bool preview;
    Rect expected;
};

void ExpectCases(const LayoutCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const LayoutCase& c = cases[i];
        const Rect r = PictureRect(c.client, c.picture, c.screen, c.stretch, c.preview);
        EXPECT_EQ(r, c.expected) << c.what << ": got (" << r.left << ", " << r.top << ", " << r.right << ", "
                                 << r.bottom << ")";
    }
}

constexpr Size kScreen800{800, 600};
constexpr Size kScreen1024{1024, 768};

}  // namespace

TEST(PictureRect, FullScreenCasesCentreAndStretch) {
    const LayoutCase cases[] = {
        {"wide picture, stretch on: width-bound",
         {800, 600},
         {1000, 500},
         kScreen800,
         true,
         false,
         {0, 100, 800, 500}},
        {"small picture, stretch on: enlarged",
         {800, 600},
         {640, 480},
         kScreen800,
         true,
         false,
         {0, 0, 800, 600}},
        {"too wide, stretch off: stretched anyway, 156.25 truncated",
         {800, 600},
         {1024, 200},
         kScreen800,
         false,
         false,
         {0, 222, 800, 378}},
        {"fits, stretch off: 1:1, halvings truncated",
         {800, 600},
         {101, 51},
         kScreen800,
         false,
         false,
         {349, 274, 450, 325}},
        {"too tall, stretch off: height-bound",
         {800, 600},
         {300, 700},
         kScreen800,
         false,
         false,
         {271, 0, 528, 600}},
        {"exactly the client size", {800, 600}, {800, 600}, kScreen800, false, false, {0, 0, 800, 600}},
    };
    ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(PictureRect, PreviewScalesLikeTheScreen) {
    const LayoutCase cases[] = {
        {"320x240 at ratio 10.24", {100, 75}, {320, 240}, kScreen1024, false, true, {34, 26, 65, 49}},
        {"bigger than the preview but not the screen: scaled, not stretched",
         {100, 75},
         {800, 600},
         kScreen1024,
         false,
         true,
         {11, 8, 89, 66}},
        {"bigger than the screen: stretched to the preview",
         {100, 75},
         {1200, 300},
         kScreen1024,
         false,
         true,
         {0, 25, 100, 50}},
        {"stretch on: fills the preview", {100, 75}, {320, 240}, kScreen1024, true, true, {0, 0, 100, 75}},
    };
    ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(PictureRect, PreviewOfOtherProportionsCentresWithNegativeTop) {
    const LayoutCase cases[] = {
        {"46 high in 20", {100, 20}, {640, 480}, kScreen1024, false, true, {19, -13, 81, 33}},
        {"(21 - 46) / 2 truncates toward zero",
         {100, 21},
         {640, 480},
         kScreen1024,
         false,
         true,
         {19, -12, 81, 34}},
    };
    ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(PictureRect, EmptyPictureOrPreviewGivesEmptyRect) {
    const LayoutCase cases[] = {
        {"zero width", {800, 600}, {0, 100}, kScreen800, true, false, {0, 0, 0, 0}},
        {"zero height", {800, 600}, {100, 0}, kScreen800, false, false, {0, 0, 0, 0}},
        {"negative height", {800, 600}, {100, -5}, kScreen800, true, false, {0, 0, 0, 0}},
        {"preview without width", {0, 75}, {320, 240}, kScreen1024, false, true, {0, 0, 0, 0}},
    };
    ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(PictureRect, HugePictureDoesNotOverflow) {
    // 600 x 2000000000 does not fit in 32 bits; the result is bounded by the client all the same.
    EXPECT_EQ(PictureRect({800, 600}, {2000000000, 1}, kScreen800, false, false), (Rect{0, 300, 800, 300}));
    EXPECT_EQ(PictureRect({800, 600}, {1, 2000000000}, kScreen800, false, false), (Rect{400, 0, 400, 600}));
    // 600 x 2147483647 / 300 = 4294967294, which would read as -2 once cut to 32 bits.
    EXPECT_EQ(PictureRect({800, 600}, {2147483647, 300}, kScreen800, false, false), (Rect{0, 300, 800, 300}));
}

TEST(PictureRect, CameraPhotosOnTodaysScreens) {
    // The sizes the JPEG loader is asked to cover; a block decoded smaller never changes them.
    const LayoutCase cases[] = {
        {"6000 x 4000 at 1920 x 1080",
         {1920, 1080},
         {6000, 4000},
         {1920, 1080},
         true,
         false,
         {150, 0, 1770, 1080}},
        {"6000 x 4000 at 1366 x 768",
         {1366, 768},
         {6000, 4000},
         {1366, 768},
         true,
         false,
         {107, 0, 1259, 768}},
        {"6000 x 4000 at 800 x 600", {800, 600}, {6000, 4000}, kScreen800, true, false, {0, 33, 800, 566}},
        {"4000 x 6000 (tagged 6) at 800 x 600",
         {800, 600},
         {4000, 6000},
         kScreen800,
         true,
         false,
         {200, 0, 600, 600}},
        {"6000 x 4000 in a 152 x 112 preview",
         {152, 112},
         {6000, 4000},
         {1920, 1080},
         false,
         true,
         {0, 5, 152, 106}},
    };
    ExpectCases(cases, sizeof cases / sizeof cases[0]);
}
