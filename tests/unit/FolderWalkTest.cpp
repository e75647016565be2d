#include "core/show/FolderWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "FakeDirectory.h"

using orv::FolderWalk;
using Paths = std::vector<std::string>;

namespace {

// Lead bytes of a Shift-JIS-like double-byte code page.
bool ShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The walk run to its end, as the show's worker runs it.
Paths WalkAll(orv::IDirectoryEnumerator& dir, const std::string& folder, orv::PictureFilter filter = {},
              orv::LeadByteTest isLeadByte = nullptr) {
    Paths out;
    FolderWalk walk(dir, folder, filter, isLeadByte);
    while (walk.Step(out)) {
    }
    return out;
}

// Sets the cancel flag while a listing is being read, after cancelAfter more entries.
class CancellingDirectory : public orv::IDirectoryEnumerator {
public:
    CancellingDirectory(FakeDirectory& inner, std::atomic<bool>& cancel) : m_inner(inner), m_cancel(cancel) {}
    int cancelAfter = -1;  // never

    bool Enumerate(const std::string& pattern,
                   const std::function<bool(const orv::DirEntry&)>& visit) override {
        return m_inner.Enumerate(pattern, [&](const orv::DirEntry& entry) {
            if (cancelAfter >= 0 && cancelAfter-- == 0) m_cancel = true;
            return visit(entry);
        });
    }
    bool FolderIndex(const std::string& folder, uint64_t& index) override {
        return m_inner.FolderIndex(folder, index);
    }
    bool FolderVolume(const std::string& folder, uint64_t& volume) override {
        return m_inner.FolderVolume(folder, volume);
    }

private:
    FakeDirectory& m_inner;
    std::atomic<bool>& m_cancel;
};

// A chain of folders "d" inside each other, each holding p.jpg; the deepest also holds "up", a
// link back to the top. Enumerations still open are counted, so a walk that recursed with its
// handles open would show.
class DeepChain : public orv::IDirectoryEnumerator {
public:
    explicit DeepChain(int depth) : m_depth(depth) {}
    int open = 0;
    int mostOpen = 0;

    bool Enumerate(const std::string& pattern,
                   const std::function<bool(const orv::DirEntry&)>& visit) override {
        const int level = Level(pattern.substr(0, pattern.size() - 4));
        ++open;
        mostOpen = std::max(mostOpen, open);
        visit({"p.jpg", false});
        visit({level < m_depth ? "d" : "up", true});
        --open;
        return true;
    }
    bool FolderIndex(const std::string& folder, uint64_t& index) override {
        const int level = Level(folder);
        const bool up = folder.size() >= 3 && folder.compare(folder.size() - 3, 3, "\\up") == 0;
        index = up ? 1 : static_cast<uint64_t>(level) + 1;
        return true;
    }
    bool FolderVolume(const std::string&, uint64_t& volume) override {
        volume = 1;
        return true;
    }

private:
    static int Level(const std::string& folder) {
        return static_cast<int>(std::count(folder.begin(), folder.end(), '\\'));
    }
    int m_depth;
};

}  // namespace

TEST(FolderWalkStep, ReadsOneFolderAndHandsOnWhatComesBeforeTheNext) {
    FakeDirectory dir;
    dir.AddFile("X\\f.jpg");
    dir.AddFile("X\\b\\d\\e.jpg");
    dir.AddFile("X\\b\\c.jpg");
    dir.AddFile("X\\a.jpg");
    dir.AddFolder("X\\b\\empty");
    struct Expected {
        bool more;
        Paths out;
        const char* pattern;
    };
    const Expected steps[] = {
        {true, {"X\\a.jpg"}, "X\\*.*"},
        {true, {"X\\b\\c.jpg"}, "X\\b\\*.*"},
        {true, {"X\\b\\d\\e.jpg"}, "X\\b\\d\\*.*"},
        {false, {"X\\f.jpg"}, "X\\b\\empty\\*.*"},
    };
    FolderWalk walk(dir, "X", {});
    for (const Expected& step : steps) {
        Paths out;
        dir.patterns.clear();
        EXPECT_EQ(walk.Step(out), step.more) << step.pattern;
        EXPECT_EQ(out, step.out) << step.pattern;
        EXPECT_EQ(dir.patterns, Paths{step.pattern});
        EXPECT_EQ(walk.Ended(), !step.more);
    }
    Paths out;
    dir.patterns.clear();
    EXPECT_FALSE(walk.Step(out));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(dir.patterns.empty());
}

TEST(FolderWalkOrder, SubfolderSortsAsIfFollowedByBackslash) {
    // ' ' 20, '-' 2D, '.' 2E, '[' 5B below '\' 5C; ']' 5D, '_' 5F and the letters above it.
    FakeDirectory dir;
    for (const char* path : {"X\\ab.jpg", "X\\a_b.jpg", "X\\A_\\y.jpg", "X\\a]b.jpg", "X\\a\\z.jpg",
                             "X\\a[b.jpg", "X\\a.jpg", "X\\a-b.jpg", "X\\a b.jpg"})
        dir.AddFile(path);
    EXPECT_EQ(WalkAll(dir, "X"), (Paths{"X\\a b.jpg", "X\\a-b.jpg", "X\\a.jpg", "X\\a[b.jpg", "X\\a\\z.jpg",
                                        "X\\a]b.jpg", "X\\A_\\y.jpg", "X\\a_b.jpg", "X\\ab.jpg"}));
}

// Random trees, with names of few letters so that prefixes, case and the characters on both
// sides of '\' meet often: the walk must give what the stable sort of the whole list gives.
TEST(FolderWalkOrder, EqualsSortingTheWholeListOnRandomTrees) {
    const std::string letters = "aAbB -.[]_";
    const char* const extensions[] = {".jpg", ".JPG", ".bmp", ".txt", ""};
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 rng(seed);
        const auto draw = [&rng](size_t n) { return static_cast<size_t>(rng() % n); };
        FakeDirectory dir;
        Paths listed;
        std::vector<std::pair<std::string, int>> folders{{"R", 0}};
        while (!folders.empty()) {
            const auto [folder, depth] = folders.back();
            folders.pop_back();
            dir.AddFolder(folder);
            Paths siblings;
            const size_t count = draw(7);
            for (size_t i = 0; i < count; ++i) {
                std::string name;
                for (size_t n = 1 + draw(3); n > 0; --n)
                    name += letters[draw(letters.size())];
                const bool isFolder = depth < 4 && draw(3) == 0;
                if (!isFolder) name += extensions[draw(5)];
                // Windows holds no two names in one folder that differ only in case, nor "." or "..".
                if (name.find_first_not_of('.') == std::string::npos) continue;
                bool clash = false;
                for (const std::string& other : siblings)
                    clash = clash || orv::CompareNoCase(name, other) == 0;
                if (clash) continue;
                siblings.push_back(name);
                const std::string path = folder + "\\" + name;
                if (isFolder) {
                    // A dot-named folder is skipped with all it holds, so nothing below it is listed.
                    if (name[0] != '.')
                        folders.push_back({path, depth + 1});
                    else
                        dir.AddFile(path + "\\hidden.jpg");
                } else {
                    dir.AddFile(path);
                    const std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : "";
                    if (extension == ".jpg" || extension == ".JPG" || extension == ".bmp")
                        listed.push_back(path);
                }
            }
        }
        // The whole list's stable sort, as the saver once sorted it after a full scan.
        std::stable_sort(listed.begin(), listed.end(), [](const std::string& a, const std::string& b) {
            return orv::CompareNoCase(a, b) < 0;
        });
        ASSERT_EQ(WalkAll(dir, "R"), listed) << "seed " << seed;
    }
}

TEST(FolderWalkCancel, StopsWithinTheFolderBeingRead) {
    struct Case {
        const char* what;
        int stepsBefore;  // Steps taken before the cancel is armed
        int cancelAfter;  // entries of the next listing before the flag is set; -1: set it now
        Paths out;        // everything the walk handed on
        int visited;      // entries the fake handed out in all
        size_t patterns;  // listings started
    };
    // X lists a.jpg, then big (no dot entries: a top folder here is like a drive's root); big
    // lists ".", ".." and 1000 pictures.
    const Case cases[] = {
        {"cancelled before the first step", 0, -1, {}, 0, 0},
        {"cancelled at the top folder's first entry", 0, 0, {}, 1, 1},
        {"cancelled between two steps", 1, -1, {"X\\a.jpg"}, 2, 1},
        {"cancelled inside a huge folder", 1, 10, {"X\\a.jpg"}, 2 + 11, 2},
    };
    for (const Case& c : cases) {
        FakeDirectory fake;
        fake.AddFile("X\\a.jpg");
        for (int i = 0; i < 1000; ++i)
            fake.AddFile("X\\big\\" + std::to_string(i) + ".jpg");
        std::atomic<bool> cancel{false};
        CancellingDirectory dir(fake, cancel);
        FolderWalk walk(dir, "X", {}, nullptr, &cancel);
        Paths out;
        for (int i = 0; i < c.stepsBefore; ++i)
            EXPECT_TRUE(walk.Step(out)) << c.what;
        if (c.cancelAfter < 0) cancel = true;
        dir.cancelAfter = c.cancelAfter;
        EXPECT_FALSE(walk.Step(out)) << c.what;
        EXPECT_TRUE(walk.Ended()) << c.what;
        EXPECT_FALSE(walk.Step(out)) << c.what;
        EXPECT_EQ(out, c.out) << c.what;
        EXPECT_EQ(fake.visited, c.visited) << c.what;
        EXPECT_EQ(fake.patterns.size(), c.patterns) << c.what;
    }
}

TEST(FolderWalkDeep, ThousandsOfFoldersDeepWithOneListingOpenAndTheLoopCaught) {
    constexpr int kDepth = 3000;
    DeepChain dir(kDepth);
    const Paths out = WalkAll(dir, "X");
    ASSERT_EQ(out.size(), static_cast<size_t>(kDepth) + 1);
    // "d\" sorts before "p.jpg", and "p.jpg" before "up\": the deepest picture comes first.
    EXPECT_EQ(out.front().size(), 2u * kDepth + 7);
    EXPECT_EQ(out[kDepth - 1], "X\\d\\p.jpg");
    EXPECT_EQ(out.back(), "X\\p.jpg");
    EXPECT_EQ(dir.mostOpen, 1);
}

TEST(FolderWalkList, EnumeratesFolderStarDotStar) {
    FakeDirectory dir;  // holds nothing, so no pattern leads to a second one
    WalkAll(dir, "C:\\Pictures");
    WalkAll(dir, "C:");
    WalkAll(dir, "");
    EXPECT_EQ(dir.patterns, (Paths{"C:\\Pictures\\*.*", "C:\\*.*", "\\*.*"}));
}

TEST(FolderWalkList, WalksSubfoldersDepthFirstInSortedOrder) {
    FakeDirectory dir;
    dir.AddFile("X\\z.jpg");
    dir.AddFile("X\\sub\\s2.bmp");
    dir.AddFile("X\\sub\\deeper\\d.jpg");
    dir.AddFile("X\\sub\\s1.jpg");
    dir.AddFile("X\\a.bmp");
    dir.AddFile("X\\other\\o.jpg");
    EXPECT_EQ(WalkAll(dir, "X"), (Paths{"X\\a.bmp", "X\\other\\o.jpg", "X\\sub\\deeper\\d.jpg",
                                        "X\\sub\\s1.jpg", "X\\sub\\s2.bmp", "X\\z.jpg"}));
    EXPECT_EQ(dir.patterns, (Paths{"X\\*.*", "X\\other\\*.*", "X\\sub\\*.*", "X\\sub\\deeper\\*.*"}));
}

TEST(FolderWalkList, SkipsDotNamedFoldersButListsDotNamedFiles) {
    FakeDirectory dir;
    dir.AddFile("X\\.cache\\c.jpg");
    dir.AddFile("X\\.hidden.bmp");
    dir.AddFile("X\\..jpg");
    dir.AddFile("X\\v.jpg");
    EXPECT_EQ(WalkAll(dir, "X"), (Paths{"X\\..jpg", "X\\.hidden.bmp", "X\\v.jpg"}));
    // "." and ".." of X are directories too, so they are never entered.
    EXPECT_EQ(dir.patterns, (Paths{"X\\*.*"}));
}

TEST(FolderWalkList, FolderNamedLikeAPictureIsEnteredNotListed) {
    FakeDirectory dir;
    dir.AddFile("X\\album.jpg\\inside.jpg");
    dir.AddFolder("X\\empty.bmp");
    EXPECT_EQ(WalkAll(dir, "X"), (Paths{"X\\album.jpg\\inside.jpg"}));
}

TEST(FolderWalkList, ExtensionIsTextFromLastDotComparedOnAsciiCase) {
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
        EXPECT_EQ(WalkAll(dir, "X").size(), c.listed ? 1u : 0u) << c.name;
    }
}

TEST(FolderWalkList, FilterFlagsChooseTheTypes) {
    FakeDirectory dir;
    dir.AddFile("X\\a.bmp");
    dir.AddFile("X\\b.jpg");
    dir.AddFile("X\\c.BMP");
    dir.AddFile("X\\d.txt");
    EXPECT_EQ(WalkAll(dir, "X", {true, true, {}}), (Paths{"X\\a.bmp", "X\\b.jpg", "X\\c.BMP"}));
    EXPECT_EQ(WalkAll(dir, "X", {true, false, {}}), (Paths{"X\\a.bmp", "X\\c.BMP"}));
    EXPECT_EQ(WalkAll(dir, "X", {false, true, {}}), (Paths{"X\\b.jpg"}));
    EXPECT_EQ(WalkAll(dir, "X", {false, false, {}}), Paths{});
    dir.AddFile("X\\e.PNG");
    dir.AddFile("X\\f.webp");
    EXPECT_EQ(WalkAll(dir, "X", {false, false, {".png"}}), (Paths{"X\\e.PNG"}));
}

TEST(FolderWalkList, UnreadableFoldersAddNothingAndTheWalkGoesOn) {
    FakeDirectory dir;
    dir.AddFile("X\\a.jpg");
    dir.MakeUnreadable("X\\locked");
    dir.AddFile("X\\b.jpg");
    EXPECT_EQ(WalkAll(dir, "X"), (Paths{"X\\a.jpg", "X\\b.jpg"}));
    EXPECT_EQ(WalkAll(dir, "X\\locked"), Paths{});
    EXPECT_EQ(WalkAll(dir, "Missing"), Paths{});
}

TEST(FolderWalkRoots, EachRootSortedInTurnWithoutExcludedOrHousekeepingFolders) {
    FakeDirectory dir;
    dir.AddFile("C:\\B\\z.jpg");
    dir.AddFile("C:\\B\\a.jpg");
    dir.AddFile("C:\\B\\Private\\p.jpg");
    dir.AddFile("C:\\B\\Private\\deeper\\q.jpg");
    dir.AddFile("C:\\B\\Privates\\kept.jpg");
    dir.AddFile("C:\\B\\@eaDir\\a.jpg\\SYNOPHOTO_THUMB_XL.jpg");
    dir.AddFile("C:\\B\\sub\\#Recycle\\gone.jpg");
    dir.AddFile("C:\\B\\sub\\s.jpg");
    dir.AddFile("D:\\A\\.@__thumb\\t.jpg");
    dir.AddFile("D:\\A\\#snapshot\\old.jpg");
    dir.AddFile("D:\\A\\$RECYCLE.BIN\\r.jpg");
    dir.AddFile("D:\\A\\System Volume Information\\v.jpg");
    dir.AddFile("D:\\A\\b.jpg");
    dir.AddFile("D:\\A\\Tmp\\t.jpg");
    Paths out;
    FolderWalk walk(dir, Paths{"C:\\B", "D:\\A"}, Paths{"c:\\b\\PRIVATE", "D:\\A\\tmp"}, {});
    while (walk.Step(out)) {
    }
    // The second root comes after the whole first one, though "A" sorts before "B".
    EXPECT_EQ(out, (Paths{"C:\\B\\a.jpg", "C:\\B\\Privates\\kept.jpg", "C:\\B\\sub\\s.jpg", "C:\\B\\z.jpg",
                          "D:\\A\\b.jpg"}));
    // Left-out folders are not even listed.
    EXPECT_EQ(dir.patterns, (Paths{"C:\\B\\*.*", "C:\\B\\Privates\\*.*", "C:\\B\\sub\\*.*", "D:\\A\\*.*"}));
}

TEST(FolderWalkRoots, NoRootsEndsAtOnceAndAnUnreadableRootIsPassedOver) {
    FakeDirectory dir;
    dir.AddFile("E:\\x.jpg");
    Paths out;
    FolderWalk none(dir, Paths{}, Paths{}, {});
    EXPECT_FALSE(none.Step(out));
    FolderWalk walk(dir, Paths{"Missing", "E:"}, Paths{}, {});
    while (walk.Step(out)) {
    }
    EXPECT_EQ(out, Paths{"E:\\x.jpg"});
}

TEST(FolderWalkLoopGuard, FolderOnTheWalkedPathIsNotEnteredAgain) {
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
        EXPECT_EQ(WalkAll(dir, c.start), c.expected) << c.what;
        EXPECT_GT(dir.enumerateBudget, 0) << c.what;
    }
}

TEST(FolderWalkLoopGuard, VolumeDecidesBetweenFoldersOfOneIndex) {
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
        EXPECT_EQ(WalkAll(dir, "P"), c.expected) << c.what;
        EXPECT_EQ(dir.volumeQueries, 2) << c.what;
    }
}

TEST(FolderWalkLoopGuard, VolumesAreAskedOnlyWhenIndexesMeet) {
    // The volume query is the costly half of an identity: a tree without links never needs it.
    FakeDirectory dir;
    dir.AddFile("P\\a.jpg");
    dir.AddFile("P\\one\\two\\b.jpg");
    dir.AddFile("P\\three\\c.jpg");
    EXPECT_EQ(WalkAll(dir, "P").size(), 3u);
    EXPECT_EQ(dir.volumeQueries, 0);
    // With a link back to P: once for the link, once for P, however long the walk.
    dir.AddLink("P\\one\\two\\up", "P");
    EXPECT_EQ(WalkAll(dir, "P").size(), 3u);
    EXPECT_EQ(dir.volumeQueries, 2);
}

TEST(FolderWalkLoopGuard, FolderWithoutIdentityIsWalkedAsBefore) {
    // The identity of the linked folder cannot be told: its own link back is still caught at the
    // first folder that has one, and nothing is lost.
    FakeDirectory dir;
    dir.AddFile("P\\a.jpg");
    dir.AddFile("P\\q\\b.jpg");
    dir.AddLink("P\\q\\up", "P");
    dir.MakeUnidentifiable("P\\q");
    EXPECT_EQ(WalkAll(dir, "P"), (Paths{"P\\a.jpg", "P\\q\\b.jpg"}));
}

TEST(FolderWalkOrder, DotSortsBeforeUnderscoreAndBackslash) {
    FakeDirectory dir;
    dir.AddFile("X\\sub\\x.jpg");
    dir.AddFile("X\\b.jpg");
    dir.AddFile("X\\sub.jpg");
    dir.AddFile("X\\A_c.jpg");
    dir.AddFile("X\\a.jpg");
    EXPECT_EQ(WalkAll(dir, "X"),
              (Paths{"X\\a.jpg", "X\\A_c.jpg", "X\\b.jpg", "X\\sub.jpg", "X\\sub\\x.jpg"}));
}

// Windows holds no two such names in one folder; should a file system list them, they keep its order.
TEST(FolderWalkOrder, NamesEqualButForCaseKeepTheListingsOrder) {
    FakeDirectory dir;
    for (const char* name : {"B.jpg", "a.JPG", "b.jpg", "A.jpg", "b.JPG"})
        dir.AddFile(std::string("X\\") + name);
    EXPECT_EQ(WalkAll(dir, "X"), (Paths{"X\\a.JPG", "X\\A.jpg", "X\\B.jpg", "X\\b.jpg", "X\\b.JPG"}));
}

TEST(FolderWalkOrder, DoubleByteOrderWhenALeadByteTestIsGiven) {
    FakeDirectory dir;
    for (const char* name : {"\x81\x40.jpg", "\xA1.jpg",
                             "\x81"
                             "A.jpg",
                             "\x81"
                             "a.jpg",
                             "z.jpg"})
        dir.AddFile(std::string("X\\") + name);
    EXPECT_EQ(WalkAll(dir, "X"), (Paths{"X\\z.jpg", "X\\\x81\x40.jpg",
                                        "X\\\x81"
                                        "A.jpg",
                                        "X\\\x81"
                                        "a.jpg",
                                        "X\\\xA1.jpg"}));
    EXPECT_EQ(WalkAll(dir, "X", {}, ShiftJisLead), (Paths{"X\\z.jpg", "X\\\xA1.jpg", "X\\\x81\x40.jpg",
                                                          "X\\\x81"
                                                          "A.jpg",
                                                          "X\\\x81"
                                                          "a.jpg"}));
}

TEST(FolderWalkOrder, Utf8NamesSortByTheirBytesAndAsciiNamesAsBefore) {
    // Кот (D0 9A), café (63 61 66 C3 A9), 日本 (E6 97 A5), 🌅 (F0 9F 8C 85), Zebra folded to z.
    const std::string cat = "X\\\xD0\x9A\xD0\xBE\xD1\x82.jpg";
    const std::string cafe = "X\\caf\xC3\xA9.jpg";
    const std::string japan = "X\\\xE6\x97\xA5\xE6\x9C\xAC.jpg";
    const std::string sunrise = "X\\\xF0\x9F\x8C\x85.jpg";
    FakeDirectory dir;
    for (const std::string& path : {sunrise, japan, std::string("X\\Zebra.jpg"), cat,
                                    std::string("X\\cafe.jpg"), cafe, std::string("X\\CAF.jpg")})
        dir.AddFile(path);
    EXPECT_EQ(WalkAll(dir, "X"),
              (Paths{"X\\CAF.jpg", "X\\cafe.jpg", cafe, "X\\Zebra.jpg", cat, japan, sunrise}));
}
