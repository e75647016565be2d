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

TEST(PictureListShuffle, NoEntryOrOneEntryDrawsNothing) {
    orv::SeedRandom(1);
    Paths none;
    ShufflePictures(none);
    Paths one{"only"};
    ShufflePictures(one);
    EXPECT_EQ(one, Paths{"only"});
    EXPECT_EQ(orv::NextRandom(), 41) << "the generator was not advanced";
}

// Seed 1 draws 41, 18467, 6334, 26500, 19169, ...; scaled by n - 1 = 1 all four give index 0.
TEST(PictureListShuffle, TwoEntriesStayUnlessAMaximumIsDrawn) {
    orv::SeedRandom(1);
    Paths two{"A", "B"};
    ShufflePictures(two);
    EXPECT_EQ(two, (Paths{"A", "B"}));
    EXPECT_EQ(orv::NextRandom(), 19169) << "exactly four draws";

    // This seed draws 32767 first: indices (1, 0), then (0, 0).
    orv::SeedRandom(4028364353u);
    ShufflePictures(two);
    EXPECT_EQ(two, (Paths{"B", "A"}));
}

// Seed 1, n = 5, scale 4: draws 41 18467 | 6334 26500 | 19169 15724 | 11478 29358 | 26962 24464 |
// 5705 28145 | 23281 16827 | 9961 491 give the exchanges (0,2) (0,3) (2,1) (1,3) (3,2) (0,3) (2,2)
// (1,0): ABCDE -> CBADE -> DBACE -> DABCE -> DCBAE -> DCABE -> BCADE -> BCADE -> CBADE.
TEST(PictureListShuffle, FiveEntriesWithSeedOne) {
    orv::SeedRandom(1);
    Paths five{"A", "B", "C", "D", "E"};
    ShufflePictures(five);
    EXPECT_EQ(five, (Paths{"C", "B", "A", "D", "E"}));
    EXPECT_EQ(orv::NextRandom(), 2995) << "exactly sixteen draws";
}

// 26500 * 99999 exceeds 2^31 on the fourth draw already; every index must stay inside the list.
TEST(PictureListShuffle, ListsAbove65539EntriesStayAPermutation) {
    Paths big;
    for (int i = 0; i < 100000; ++i)
        big.push_back(std::to_string(i));
    orv::SeedRandom(1);
    Paths shuffled = big;
    ShufflePictures(shuffled);
    EXPECT_NE(shuffled, big);
    std::sort(shuffled.begin(), shuffled.end());
    std::sort(big.begin(), big.end());
    EXPECT_EQ(shuffled, big);
}
