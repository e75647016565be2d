#include "core/show/InfoLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

using namespace orv;

TEST(InfoLine, PartsJoinWithMiddleDotsAndMissingOnesAreLeftOut) {
    struct Case {
        std::vector<std::string> parts;
        const char* line;
    };
    const Case cases[] = {
        {{"12 August 2019", "Heraklion, Greece", "Crete 2019"},
         "12 August 2019 \xC2\xB7 Heraklion, Greece \xC2\xB7 Crete 2019"},
        {{"12 August 2019", "", "Crete 2019"}, "12 August 2019 \xC2\xB7 Crete 2019"},
        {{"", "", "Crete 2019"}, "Crete 2019"},
        {{"", "Greece", ""}, "Greece"},
        {{"", "", ""}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JoinInfoParts(c.parts), c.line);
    EXPECT_EQ(PlaceText("Heraklion", "Greece"), "Heraklion, Greece");
    EXPECT_EQ(PlaceText("", "Greece"), "Greece");
    EXPECT_EQ(PlaceText("", ""), "");
}

TEST(InfoLine, FolderNameIsTheLastComponentOfThePicturesFolder) {
    struct Case {
        const char* path;
        const char* folder;
    };
    const Case cases[] = {
        {"D:\\Photos\\Crete 2019\\a.jpg", "Crete 2019"},
        {"D:\\Photos\\Crete 2019\\\\a.jpg", "Crete 2019"},
        {"\\\\?\\D:\\Photos\\\xCE\x9A\xCF\x81\xCE\xAE\xCF\x84\xCE\xB7\\a.jpg",
         "\xCE\x9A\xCF\x81\xCE\xAE\xCF\x84\xCE\xB7"},
        {"\\\\server\\share\\a.jpg", "share"},
        {"\\\\server\\a.jpg", ""},
        {"D:\\a.jpg", ""},
        {"\\\\?\\D:\\a.jpg", ""},
        {"a.jpg", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FolderNameOf(c.path), c.folder) << c.path;
}

TEST(InfoLine, UsablePositionsAndTheIndexsSeconds) {
    EXPECT_TRUE(UsablePosition(35.3387, 25.1442));
    EXPECT_TRUE(UsablePosition(-90, 180));
    for (const auto& bad :
         {std::pair<double, double>{0, 0}, {NAN, 25}, {35, INFINITY}, {90.01, 0}, {0, -180.01}})
        EXPECT_FALSE(UsablePosition(bad.first, bad.second)) << bad.first << ", " << bad.second;
    // The camera's own clock, counted as if it were UTC.
    struct Case {
        TakenAt taken;
        int64_t seconds;
    };
    const Case cases[] = {
        {{2019, 8, 12, 18, 4, 31}, 1565633071},
        {{1970, 1, 1, 0, 0, 0}, 0},
        {{1969, 12, 31, 23, 59, 59}, -1},
        {{1826, 1, 1, 0, 0, 0}, -4544208000LL},
        {{2999, 12, 31, 23, 59, 59}, 32503680000LL - 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SecondsOf(c.taken), c.seconds);
        EXPECT_EQ(TakenAtOfSeconds(c.seconds), c.taken) << c.seconds;
    }
    // Beyond what an Exif date can say: none, as a blank one.
    for (int64_t seconds : {int64_t(-4544208001LL), int64_t(32503680000LL), INT64_MIN, INT64_MAX})
        EXPECT_FALSE(TakenAtOfSeconds(seconds).Known()) << seconds;
}

TEST(InfoLine, FontFollowsTheMonitorsHeightAndTheDpi) {
    struct Case {
        int32_t height, dpi, font;
    };
    const Case cases[] = {
        {1080, 96, 27}, {2160, 96, 54}, {600, 96, 16}, {480, 96, 16}, {1080, 192, 32}, {0, 0, 12},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InfoFontHeight(c.height, c.dpi), c.font) << c.height << " at " << c.dpi;
}

TEST(InfoLine, PlacedInTheCornerAwayFromTheCaptionBox) {
    const Rect area{0, 0, 800, 600};
    const Size line{200, 20};
    struct Case {
        const char* what;
        Rect area;
        Size line;
        Rect caption;  // empty: no caption box
        std::optional<Rect> want;
    };
    const Case cases[] = {
        {"no caption: bottom left", area, line, {}, Rect{10, 570, 210, 590}},
        {"caption at the right edge, low: top left", area, line, {700, 400, 800, 500}, Rect{10, 10, 210, 30}},
        {"caption at the right edge, high: bottom left",
         area,
         line,
         {700, 50, 800, 150},
         Rect{10, 570, 210, 590}},
        {"caption at the bottom, left: top right", area, line, {40, 560, 240, 600}, Rect{590, 10, 790, 30}},
        {"caption at the bottom, right: top left", area, line, {500, 560, 700, 600}, Rect{10, 10, 210, 30}},
        {"a caption over all but one corner", area, line, {0, 0, 800, 560}, Rect{10, 570, 210, 590}},
        {"a caption over every corner: no line", area, line, {0, 0, 800, 600}, std::nullopt},
        {"a monitor to the right of the primary", {800, 0, 1440, 480}, line, {}, Rect{810, 450, 1010, 470}},
        {"a line wider than the area is narrowed", {0, 0, 150, 100}, line, {}, Rect{10, 70, 140, 90}},
        {"an area too low for the line", {0, 0, 800, 30}, line, {}, std::nullopt},
        {"nothing to draw", area, {0, 20}, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<Rect> got = PlaceInfoLine(c.area, c.line, c.caption, 10);
        ASSERT_EQ(got.has_value(), c.want.has_value()) << c.what;
        if (!got) continue;
        EXPECT_EQ(*got, *c.want) << c.what;
        // Inside the area and clear of the caption box, whatever the case.
        EXPECT_TRUE(got->left >= c.area.left && got->right <= c.area.right && got->top >= c.area.top &&
                    got->bottom <= c.area.bottom)
            << c.what;
        EXPECT_FALSE(got->left < c.caption.right && c.caption.left < got->right &&
                     got->top < c.caption.bottom && c.caption.top < got->bottom)
            << c.what;
    }
}
