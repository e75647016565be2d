#include "core/show/PictureList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/show/Random.h"

using orv::CompareNoCase;
using orv::NormalizeFolder;
using orv::ShufflePictures;
using Paths = std::vector<std::string>;

namespace {

// Lead bytes of a Shift-JIS-like double-byte code page.
bool ShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

TEST(PictureListNormalizeFolder, RemovesExactlyOneTrailingBackslash) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"C:\\Pictures\\", "C:\\Pictures"},
        {"C:\\Pictures", "C:\\Pictures"},
        {"C:\\", "C:"},
        {"a\\\\", "a\\"},
        {"\\", ""},
        {"", ""},
        {"C:/Pictures/", "C:/Pictures/"},
        {"C:\\Pictures\\ ", "C:\\Pictures\\ "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NormalizeFolder(c.in), c.out) << c.in;
}

TEST(PictureListCompareNoCase, FoldsAsciiLettersOnlyAndComparesUnsignedBytes) {
    struct Case {
        std::string a;
        std::string b;
        int sign;
    };
    const Case cases[] = {
        {"abc", "ABC", 0},
        {"a.jpg", "A_c.jpg", -1},  // '.' 0x2E below '_' 0x5F
        {"A_c.jpg", "b.jpg", -1},  // '_' folded against 'b', not 'B'
        {"_", "a", -1},            // '_' 0x5F below 'a' 0x61, although above 'A' 0x41
        {"\\", "a", -1},           // '\\' 0x5C below every letter
        {"X\\sub.jpg", "X\\sub\\x.jpg", -1},
        {" ", "0", -1},
        {".", "0", -1},
        {"[", "a", -1},  // '[' 0x5B: not a letter, so not folded to '{'
        {"@", "`", -1},
        {"Z", "[", 1},         // 'Z' folds to 'z' 0x7A, above '['
        {"a", "\xE9", -1},     // bytes are unsigned: 0xE9 above every ASCII byte
        {"\xC9", "\xE9", -1},  // non-ASCII letters are not folded
        {"ab", "abc", -1},
        {"", "", 0},
        {"", "a", -1},
        {"abc", "abd", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sign(CompareNoCase(c.a, c.b)), c.sign) << "[" << c.a << "] vs [" << c.b << "]";
        EXPECT_EQ(Sign(CompareNoCase(c.b, c.a)), -c.sign) << "[" << c.b << "] vs [" << c.a << "]";
    }
}

TEST(PictureListCompareNoCase, DoubleByteCharacterComparesAsOneSixteenBitValue) {
    struct Case {
        std::string a;
        std::string b;
        int singleByte;  // without a lead-byte test
        int doubleByte;  // with the Shift-JIS lead bytes
    };
    const Case cases[] = {
        // A trail byte that looks like a capital is not folded inside a double-byte character.
        {"\x81"
         "A",
         "\x81"
         "a",
         0, -1},
        // A lead byte with its trail ranks above any single byte, 0xA1 (not a lead) included.
        {"\xA1", "\x81\x40", 1, -1},
        {"z", "\x81\x40", -1, -1},
        {"\x81"
         "Z",
         "\x81"
         "a",
         1, -1},
        {"\x81\x40", "\x81\x41", -1, -1},
        {"\x88\x9F", "\x89\x40", -1, -1},
        // A lead byte at the very end has no trail and ends the text.
        {"ab\x81", "ab", 1, 0},
    };
    for (const Case& c : cases) {
        const std::string both = "[" + c.a + "] vs [" + c.b + "]";
        EXPECT_EQ(Sign(CompareNoCase(c.a, c.b)), c.singleByte) << "single-byte " << both;
        EXPECT_EQ(Sign(CompareNoCase(c.b, c.a)), -c.singleByte) << "single-byte reversed";
        EXPECT_EQ(Sign(CompareNoCase(c.a, c.b, ShiftJisLead)), c.doubleByte) << "double-byte " << both;
        EXPECT_EQ(Sign(CompareNoCase(c.b, c.a, ShiftJisLead)), -c.doubleByte) << "double-byte reversed";
    }
}

// The shuffle draws from the order's generator alone: the process generator keeps its sequence
// for the caption's place, whatever the list.
TEST(PictureListShuffle, NeverDrawsFromTheProcessGenerator) {
    orv::SeedRandom(1);
    Paths none;
    ShufflePictures(none, orv::SeededOrderDraw(1));
    Paths one{"only"};
    ShufflePictures(one, orv::SeededOrderDraw(1));
    EXPECT_EQ(one, Paths{"only"});
    Paths five{"A", "B", "C", "D", "E"};
    ShufflePictures(five, orv::SeededOrderDraw(1));
    EXPECT_EQ(orv::NextRandom(), 41) << "the process generator was not advanced";
}

// Fisher-Yates from the end: the last entry is exchanged with the one a draw below 2 picks.
// A draw at or past half of 2^64 picks 1 (it stays), one below picks 0 (the two change places):
// the written scale of n - 1 kept the last entry last unless the draw was the very maximum.
TEST(PictureListShuffle, TheLastOfTwoMovesOnHalfTheDraws) {
    struct Case {
        uint64_t draw;
        Paths expected;
    };
    const std::vector<Case> cases = {
        {0x0000000000000010ull, {"B", "A"}},
        {0x7FFFFFFFFFFFFFFFull, {"B", "A"}},
        {0x8000000000000000ull, {"A", "B"}},
        {0xFFFFFFFFFFFFFFFFull, {"A", "B"}},
    };
    for (const Case& c : cases) {
        Paths two{"A", "B"};
        ShufflePictures(two, [&c] { return c.draw; });
        EXPECT_EQ(two, c.expected) << std::hex << c.draw;
    }
}

// Every index stays inside a list of 100,000 entries.
TEST(PictureListShuffle, ListsAbove65539EntriesStayAPermutation) {
    Paths big;
    for (int i = 0; i < 100000; ++i)
        big.push_back(std::to_string(i));
    Paths shuffled = big;
    ShufflePictures(shuffled, orv::SeededOrderDraw(1));
    EXPECT_NE(shuffled, big);
    std::sort(shuffled.begin(), shuffled.end());
    std::sort(big.begin(), big.end());
    EXPECT_EQ(shuffled, big);
}
