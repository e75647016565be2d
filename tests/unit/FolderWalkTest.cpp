#include "core/show/FolderWalk.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "FakeDirectory.h"

using orv::FolderWalk;
using Paths = std::vector<std::string>;

namespace {

Paths WalkAll(orv::IDirectoryEnumerator& dir, const std::string& folder) {
    Paths out;
    FolderWalk walk(dir, folder, {});
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
        orv::SortPictures(listed);
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
