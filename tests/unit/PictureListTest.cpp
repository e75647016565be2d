#include "core/show/PictureList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeDirectory.h"
#include "core/show/Random.h"

using orv::BuildPictureList;
using orv::CompareNoCase;
using orv::NormalizeFolder;
using orv::PictureFilter;
using orv::ScanFolder;
using orv::ShufflePictures;
using orv::SortPictures;
using Paths = std::vector<std::string>;

namespace {

// Lead bytes of a Shift-JIS-like double-byte code page.
bool ShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

Paths Scan(FakeDirectory& dir, const std::string& folder, PictureFilter filter = {}) {
    Paths out;
    ScanFolder(dir, folder, filter, out);
    return out;
}

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

TEST(PictureListScan, EnumeratesFolderStarDotStar) {
    FakeDirectory dir;  // holds nothing, so no pattern leads to a second one
    Scan(dir, "C:\\Pictures");
    Scan(dir, "C:");
    Scan(dir, "");
    EXPECT_EQ(dir.patterns, (Paths{"C:\\Pictures\\*.*", "C:\\*.*", "\\*.*"}));
}

TEST(PictureListScan, WalksSubfoldersDepthFirstInSortedOrder) {
    FakeDirectory dir;
    dir.AddFile("X\\z.jpg");
    dir.AddFile("X\\sub\\s2.bmp");
    dir.AddFile("X\\sub\\deeper\\d.jpg");
    dir.AddFile("X\\sub\\s1.jpg");
    dir.AddFile("X\\a.bmp");
    dir.AddFile("X\\other\\o.jpg");
    EXPECT_EQ(Scan(dir, "X"), (Paths{"X\\a.bmp", "X\\other\\o.jpg", "X\\sub\\deeper\\d.jpg", "X\\sub\\s1.jpg",
                                     "X\\sub\\s2.bmp", "X\\z.jpg"}));
    EXPECT_EQ(dir.patterns, (Paths{"X\\*.*", "X\\other\\*.*", "X\\sub\\*.*", "X\\sub\\deeper\\*.*"}));
}

TEST(PictureListScan, SkipsDotNamedFoldersButListsDotNamedFiles) {
    FakeDirectory dir;
    dir.AddFile("X\\.cache\\c.jpg");
    dir.AddFile("X\\.hidden.bmp");
    dir.AddFile("X\\..jpg");
    dir.AddFile("X\\v.jpg");
    EXPECT_EQ(Scan(dir, "X"), (Paths{"X\\..jpg", "X\\.hidden.bmp", "X\\v.jpg"}));
    // "." and ".." of X are directories too, so they are never entered.
    EXPECT_EQ(dir.patterns, (Paths{"X\\*.*"}));
}

TEST(PictureListScan, FolderNamedLikeAPictureIsEnteredNotListed) {
    FakeDirectory dir;
    dir.AddFile("X\\album.jpg\\inside.jpg");
    dir.AddFolder("X\\empty.bmp");
    EXPECT_EQ(Scan(dir, "X"), (Paths{"X\\album.jpg\\inside.jpg"}));
}

TEST(PictureListScan, ExtensionIsTextFromLastDotComparedOnAsciiCase) {
    struct Case {
        const char* name;
        bool listed;
    };
    const Case cases[] = {
        {"Photo.JPG", true},  {"photo.jpg", true},      {"photo.Jpg", true},     {"scan.BMP", true},
        {"scan.bMp", true},   {"a.bmp.jpg", true},      {"a.jpg.bmp", true},     {".jpg", true},
        {"photo.jpeg", true}, {"photo.jpg.txt", false}, {"photo", false},        {"jpg", false},
        {"photo.", false},    {"photo.jpg ", false},    {"photo.jp", false},     {"photo.jpgg", false},
        {"photo.gif", false}, {"photo_jpg", false},     {"photo.\xCApg", false}, {"photo.j\xD0g", false},
    };
    for (const Case& c : cases) {
        FakeDirectory dir;
        dir.AddFile(std::string("X\\") + c.name);
        EXPECT_EQ(Scan(dir, "X").size(), c.listed ? 1u : 0u) << c.name;
    }
}

TEST(PictureListScan, FilterFlagsChooseTheTypes) {
    FakeDirectory dir;
    dir.AddFile("X\\a.bmp");
    dir.AddFile("X\\b.jpg");
    dir.AddFile("X\\c.BMP");
    dir.AddFile("X\\d.txt");
    EXPECT_EQ(Scan(dir, "X", {true, true, {}}), (Paths{"X\\a.bmp", "X\\b.jpg", "X\\c.BMP"}));
    EXPECT_EQ(Scan(dir, "X", {true, false, {}}), (Paths{"X\\a.bmp", "X\\c.BMP"}));
    EXPECT_EQ(Scan(dir, "X", {false, true, {}}), (Paths{"X\\b.jpg"}));
    EXPECT_EQ(Scan(dir, "X", {false, false, {}}), Paths{});
    dir.AddFile("X\\e.PNG");
    dir.AddFile("X\\f.webp");
    EXPECT_EQ(Scan(dir, "X", {false, false, {".png"}}), (Paths{"X\\e.PNG"}));
}

TEST(PictureListScan, UnreadableFoldersAddNothingAndTheWalkGoesOn) {
    FakeDirectory dir;
    dir.AddFile("X\\a.jpg");
    dir.MakeUnreadable("X\\locked");
    dir.AddFile("X\\b.jpg");
    EXPECT_EQ(Scan(dir, "X"), (Paths{"X\\a.jpg", "X\\b.jpg"}));
    EXPECT_EQ(Scan(dir, "X\\locked"), Paths{});
    EXPECT_EQ(Scan(dir, "Missing"), Paths{});
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

TEST(PictureListSort, DotSortsBeforeUnderscoreAndBackslash) {
    Paths list{"X\\b.jpg", "X\\A_c.jpg", "X\\a.jpg", "X\\sub\\x.jpg", "X\\sub.jpg"};
    SortPictures(list);
    EXPECT_EQ(list, (Paths{"X\\a.jpg", "X\\A_c.jpg", "X\\b.jpg", "X\\sub.jpg", "X\\sub\\x.jpg"}));
}

TEST(PictureListSort, EqualNamesKeepScanOrder) {
    Paths list{"X\\B.jpg", "X\\a.JPG", "X\\b.jpg", "X\\A.jpg", "X\\b.JPG"};
    SortPictures(list);
    EXPECT_EQ(list, (Paths{"X\\a.JPG", "X\\A.jpg", "X\\B.jpg", "X\\b.jpg", "X\\b.JPG"}));
}

TEST(PictureListSort, DoubleByteOrderWhenALeadByteTestIsGiven) {
    const Paths scanned{"X\\\x81\x40.jpg", "X\\\xA1.jpg",
                        "X\\\x81"
                        "A.jpg",
                        "X\\\x81"
                        "a.jpg",
                        "X\\z.jpg"};
    Paths single = scanned;
    SortPictures(single);
    EXPECT_EQ(single, (Paths{"X\\z.jpg", "X\\\x81\x40.jpg",
                             "X\\\x81"
                             "A.jpg",
                             "X\\\x81"
                             "a.jpg",
                             "X\\\xA1.jpg"}));
    Paths dbcs = scanned;
    SortPictures(dbcs, ShiftJisLead);
    EXPECT_EQ(dbcs, (Paths{"X\\z.jpg", "X\\\xA1.jpg", "X\\\x81\x40.jpg",
                           "X\\\x81"
                           "A.jpg",
                           "X\\\x81"
                           "a.jpg"}));
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

TEST(PictureListBuild, TrailingBackslashGivesTheSameList) {
    FakeDirectory dir;
    dir.AddFile("C:\\Pictures\\b.jpg");
    dir.AddFile("C:\\Pictures\\a.bmp");
    const Paths expected{"C:\\Pictures\\a.bmp", "C:\\Pictures\\b.jpg"};
    EXPECT_EQ(BuildPictureList(dir, "C:\\Pictures\\", {}, false), expected);
    EXPECT_EQ(BuildPictureList(dir, "C:\\Pictures", {}, false), expected);
}

TEST(PictureListBuild, DriveRootIsScannedAsTheRoot) {
    FakeDirectory dir;
    dir.AddFile("C:\\top.jpg");
    dir.AddFile("C:\\Pictures\\in.jpg");
    EXPECT_EQ(BuildPictureList(dir, "C:\\", {}, false), (Paths{"C:\\Pictures\\in.jpg", "C:\\top.jpg"}));
    EXPECT_EQ(dir.patterns, (Paths{"C:\\*.*", "C:\\Pictures\\*.*"}));
}

TEST(PictureListBuild, SequentialOrderSortsAcrossSubfolders) {
    FakeDirectory dir;
    dir.AddFile("X\\sub\\x.jpg");
    dir.AddFile("X\\b.jpg");
    dir.AddFile("X\\sub.jpg");
    dir.AddFile("X\\A_c.jpg");
    dir.AddFile("X\\a.jpg");
    EXPECT_EQ(BuildPictureList(dir, "X", {}, false),
              (Paths{"X\\a.jpg", "X\\A_c.jpg", "X\\b.jpg", "X\\sub.jpg", "X\\sub\\x.jpg"}));
}

TEST(PictureListBuild, RandomOrderShufflesTheSortedOrder) {
    FakeDirectory dir;
    for (const char* name : {"D.jpg", "B.jpg", "E.jpg", "A.jpg", "C.jpg"})
        dir.AddFile(std::string("X\\") + name);
    orv::SeedRandom(1);
    EXPECT_EQ(BuildPictureList(dir, "X\\", {}, true),
              (Paths{"X\\C.jpg", "X\\B.jpg", "X\\A.jpg", "X\\D.jpg", "X\\E.jpg"}));
}

TEST(PictureListBuild, MissingFolderGivesAnEmptyList) {
    FakeDirectory dir;
    EXPECT_EQ(BuildPictureList(dir, "Q:\\Nowhere\\", {}, false), Paths{});
    EXPECT_EQ(BuildPictureList(dir, "Q:\\Nowhere", {}, true), Paths{});
}

TEST(PictureListLoopGuard, FolderOnTheWalkedPathIsNotEnteredAgain) {
    struct Link {
        const char* path;
        const char* target;
    };
    struct Case {
        const char* what;
        std::vector<const char*> files;
        std::vector<Link> links;
        const char* start;
        Paths expected;
    };
    const Case cases[] = {
        {"two links to the folder itself", {"P\\a.jpg"}, {{"P\\x", "P"}, {"P\\y", "P"}}, "P", {"P\\a.jpg"}},
        {"a link to the parent",
         {"P\\a.jpg", "P\\sub\\b.jpg"},
         {{"P\\sub\\up", "P"}},
         "P",
         {"P\\a.jpg", "P\\sub\\b.jpg"}},
        {"a link three levels up",
         {"P\\a\\b\\c\\d.jpg"},
         {{"P\\a\\b\\c\\top", "P\\a"}},
         "P",
         {"P\\a\\b\\c\\d.jpg"}},
        {"a link to a sibling is walked by both routes",
         {"P\\one\\c.jpg"},
         {{"P\\two", "P\\one"}},
         "P",
         {"P\\one\\c.jpg", "P\\two\\c.jpg"}},
        {"one folder linked twice, each holding a link back to it",
         {"P\\real\\e.jpg"},
         {{"P\\real\\self", "P\\real"}, {"P\\alias", "P\\real"}},
         "P",
         {"P\\alias\\e.jpg", "P\\real\\e.jpg"}},
        {"the walk starts on a link that loops back to itself",
         {"P\\f.jpg"},
         {{"L", "P"}, {"P\\back", "P"}},
         "L",
         {"L\\f.jpg"}},
        {"two folders linked to each other",
         {"P\\m\\g.jpg", "P\\n\\h.jpg"},
         {{"P\\m\\ton", "P\\n"}, {"P\\n\\tom", "P\\m"}},
         "P",
         {"P\\m\\g.jpg", "P\\m\\ton\\h.jpg", "P\\n\\h.jpg", "P\\n\\tom\\g.jpg"}},
    };
    for (const Case& c : cases) {
        FakeDirectory dir;
        for (const char* file : c.files)
            dir.AddFile(file);
        for (const Link& link : c.links)
            dir.AddLink(link.path, link.target);
        EXPECT_EQ(Scan(dir, c.start), c.expected) << c.what;
        EXPECT_GT(dir.enumerateBudget, 0) << c.what;
    }
}

TEST(PictureListLoopGuard, VolumeDecidesBetweenFoldersOfOneIndex) {
    // P\q is given P's index; whether it is P again depends on the volume.
    struct Case {
        const char* what;
        uint64_t volume;  // of P\q; P is on volume 7
        bool hideVolume;  // P\q's volume cannot be told
        Paths expected;
    };
    const Case cases[] = {
        {"same index, same volume: P again", 7, false, {"P\\a.jpg"}},
        {"same index, another volume: another folder", 9, false, {"P\\a.jpg", "P\\q\\b.jpg"}},
        {"same index, volume unknown: taken as P again", 9, true, {"P\\a.jpg"}},
    };
    for (const Case& c : cases) {
        FakeDirectory dir;
        dir.AddFile("P\\a.jpg");
        dir.AddFile("P\\q\\b.jpg");
        dir.SetIdentity("P\\q", c.volume, dir.IndexOf("P"));
        if (c.hideVolume) dir.HideVolume("P\\q");
        EXPECT_EQ(Scan(dir, "P"), c.expected) << c.what;
        EXPECT_EQ(dir.volumeQueries, 2) << c.what;
    }
}

TEST(PictureListLoopGuard, VolumesAreAskedOnlyWhenIndexesMeet) {
    // The volume query is the costly half of an identity: a tree without links never needs it.
    FakeDirectory dir;
    dir.AddFile("P\\a.jpg");
    dir.AddFile("P\\one\\two\\b.jpg");
    dir.AddFile("P\\three\\c.jpg");
    EXPECT_EQ(Scan(dir, "P").size(), 3u);
    EXPECT_EQ(dir.volumeQueries, 0);
    // With a link back to P: once for the link, once for P, however long the walk.
    dir.AddLink("P\\one\\two\\up", "P");
    EXPECT_EQ(Scan(dir, "P").size(), 3u);
    EXPECT_EQ(dir.volumeQueries, 2);
}

TEST(PictureListLoopGuard, FolderWithoutIdentityIsWalkedAsBefore) {
    // The identity of the linked folder cannot be told: its own link back is still caught at the
    // first folder that has one, and nothing is lost.
    FakeDirectory dir;
    dir.AddFile("P\\a.jpg");
    dir.AddFile("P\\q\\b.jpg");
    dir.AddLink("P\\q\\up", "P");
    dir.MakeUnidentifiable("P\\q");
    EXPECT_EQ(Scan(dir, "P"), (Paths{"P\\a.jpg", "P\\q\\b.jpg"}));
}

TEST(PictureListSort, Utf8NamesSortByTheirBytesAndAsciiNamesAsBefore) {
    // Кот (D0 9A), café (63 61 66 C3 A9), 日本 (E6 97 A5), 🌅 (F0 9F 8C 85), Zebra folded to z.
    const std::string cat = "X\\\xD0\x9A\xD0\xBE\xD1\x82.jpg";
    const std::string cafe = "X\\caf\xC3\xA9.jpg";
    const std::string japan = "X\\\xE6\x97\xA5\xE6\x9C\xAC.jpg";
    const std::string sunrise = "X\\\xF0\x9F\x8C\x85.jpg";
    Paths list{sunrise, japan, "X\\Zebra.jpg", cat, "X\\cafe.jpg", cafe, "X\\CAF.jpg"};
    SortPictures(list, nullptr);
    EXPECT_EQ(list, (Paths{"X\\CAF.jpg", "X\\cafe.jpg", cafe, "X\\Zebra.jpg", cat, japan, sunrise}));
}
