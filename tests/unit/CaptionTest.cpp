#include "core/show/Caption.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using orv::CaptionBoxSize;
using orv::CaptionFileName;
using orv::ParseCaptionText;
using orv::PlaceCaption;
using orv::Point;
using orv::Rect;
using orv::Size;

TEST(CaptionFileName, CutsBeforeTheLastDotAndAppendsTxt) {
    EXPECT_EQ(CaptionFileName("C:\\Pictures\\Beach.jpg"), "C:\\Pictures\\Beach.txt");
    EXPECT_EQ(CaptionFileName("C:\\Pictures\\Beach.old.bmp"), "C:\\Pictures\\Beach.old.txt");
    EXPECT_EQ(CaptionFileName("C:\\Pictures\\noextension"), "C:\\Pictures\\noextension.txt");
    // The last dot of the whole path, even in a folder name.
    EXPECT_EQ(CaptionFileName("C:\\My.Pictures\\noextension"), "C:\\My.txt");
}

TEST(ParseCaptionText, FollowsTheTextFileRules) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"CR LF line ends", "first\r\nsecond\r\n", "first\nsecond"},
        {"middle line empty stays", "one\n\nthree\n", "one\n\nthree"},
        {"leading empty lines dropped", "\n\nword\n", "word"},
        {"leading CR LF lines dropped", "\r\n\r\nword\r\n", "word"},
        {"trailing empty lines stay", "a\n\n\n", "a\n\n"},
        {"last line without line end", "a\nb", "a\nb"},
        {"0x1A ends the file",
         "before\x1A"
         "after\n",
         "before"},
        {"0x1A at the start",
         "\x1A"
         "text",
         ""},
        {"empty file", "", ""},
        {"only empty lines", "\r\n\n\r\n", ""},
        {"lone CR stays", "a\rb\n", "a\rb"},
        {"CR at the very end stays", "a\r", "a\r"},
        {"only the CR before LF goes", "a\r\r\n", "a\r"},
        {"NUL ends a line's text", std::string("ab\0cd\nef", 8), "ab\nef"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseCaptionText(c.bytes), c.expected) << c.what;
}

TEST(CaptionBoxSize, AddsMarginsAndScalesInPreview) {
    EXPECT_EQ(CaptionBoxSize({80, 20}, false, 800, 800), (Size{100, 30}));
    // 100-pixel preview of a 1000-pixel screen: (180 + 20) / 10 and (13 + 10) / 10, truncated.
    EXPECT_EQ(CaptionBoxSize({180, 13}, true, 100, 1000), (Size{20, 2}));
    EXPECT_EQ(CaptionBoxSize({180, 13}, true, 0, 1000), (Size{0, 0}));
    // A preview far wider than its screen enlarges; the size stays within 32 bits.
    EXPECT_EQ(CaptionBoxSize({4000000, 13}, true, 32767, 1), (Size{INT32_MAX, 753641}));
}

TEST(PlaceCaption, WideMarginsAboveAndBelowPutTheBoxAtTheBottom) {
    // 800 x 600, picture 800 x 400 at (0, 100), box 100 x 30: room below 70, beside -100.
    const Rect picture{0, 100, 800, 500};
    struct Case {
        int random;
        Point expected;
    };
    const Case cases[] = {
        {0, {0, 570}}, {1, {0, 570}}, {100, {2, 570}}, {16384, {350, 570}}, {32767, {700, 570}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 30}, c.random), c.expected) << c.random;
}

TEST(PlaceCaption, WideMarginsBesidePutTheBoxAtTheRight) {
    // Picture 400 x 600 at (200, 0): room below -30, beside 100.
    const Rect picture{200, 0, 600, 600};
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 30}, 0), (Point{700, 0}));
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 30}, 16384), (Point{700, 285}));
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 30}, 32767), (Point{700, 570}));
}

TEST(PlaceCaption, NoPictureAndTiesGoToTheBottom) {
    // Load failure on 800 x 600, box 300 x 30: room below 270, beside 100.
    EXPECT_EQ(PlaceCaption({800, 600}, Rect{}, {300, 30}, 32767), (Point{500, 570}));
    // Box 200 x 100: 200 and 200, a tie.
    EXPECT_EQ(PlaceCaption({800, 600}, Rect{}, {200, 100}, 32767), (Point{600, 500}));
}

TEST(PlaceCaption, BoxLargerThanTheWindowGoesNegative) {
    const Rect picture{0, 100, 800, 500};
    // Room below -900, beside -100: right edge, random height in 600 - 1000 = -400.
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 1000}, 32767), (Point{700, -400}));
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 1000}, 16384), (Point{700, -200}));
    // A box far taller than 32 bits of (height x random) allow.
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 800000}, 32767), (Point{700, -799400}));
}
