#include "core/framework/Unicode.h"

#include <gtest/gtest.h>

#include <string>

TEST(Utf8ToUtf16, WellFormedTextRoundTripsAndEveryBadByteIsOneReplacement) {
    struct Case {
        const char* what;
        std::string utf8;
        std::u16string utf16;
        bool roundTrips;
    };
    const Case cases[] = {
        {"ASCII", "abc", u"abc", true},
        {"two, three and four bytes", "\xC3\xA9\xE6\x97\xA5\xF0\x9F\x8C\x85", u"\u00E9\u65E5\xD83C\xDF05",
         true},
        {"stray byte", "a\xFFz", u"a\uFFFDz", false},
        {"overlong two bytes", "\xC0\xAF", u"\uFFFD\uFFFD", false},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},
        {"cut at the end", "a\xE6\x97", u"a\uFFFD\uFFFD", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(orv::Utf8ToUtf16(c.utf8), c.utf16) << c.what;
        if (c.roundTrips) {
            EXPECT_EQ(orv::Utf16ToUtf8(c.utf16), c.utf8) << c.what;
        }
    }
}

TEST(Utf8CutPoint, NeverSplitsACharacter) {
    const std::string text = "a\xC3\xA9\xF0\x9F\x8C\x85z";  // a, e acute (1..2), sunrise (3..6), z
    struct Case {
        size_t max;
        size_t cut;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 3}, {5, 3}, {6, 3}, {7, 7}, {8, 8}, {100, 8}};
    for (const Case& c : cases)
        EXPECT_EQ(orv::Utf8CutPoint(text, c.max), c.cut) << c.max;
}
