#include "core/library/LibraryIndex.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

using orv::DirEntry;
using orv::IndexOpen;
using orv::LibraryIndex;
using orv::PictureFilter;

namespace {

// A folder of its own for each test, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/orvanta-index-XXXXXX";
        const char* made = mkdtemp(pattern);
        m_path = made ? made : "/tmp";
    }
    ~TempFolder() { std::system(("rm -rf '" + m_path + "'").c_str()); }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    bool Exists(const std::string& name) const { return std::ifstream(File(name)).good(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        FILE* list = popen(("ls -1 '" + m_path + "'").c_str(), "r");
        char line[512];
        while (list && std::fgets(line, sizeof line, list)) {
            std::string name(line);
            if (!name.empty() && name.back() == '\n') name.pop_back();
            names.push_back(name);
        }
        if (list) pclose(list);
        return names;
    }

private:
    std::string m_path;
};

// A tree as the walk sees it: each folder's entries, names ending in "\" being subfolders.
using Tree = std::vector<std::pair<std::string, std::vector<std::string>>>;

// Walks the tree into the index as the worker does: each folder listed, then the pictures in the
// walk's order, then the end.
void Walk(LibraryIndex& index, const std::vector<std::string>& roots, const Tree& tree) {
    const PictureFilter filter;
    ASSERT_TRUE(index.BeginWalk(roots, orv::FilterKey(filter)));
    std::vector<std::string> order;
    for (const auto& folder : tree) {
        std::vector<DirEntry> entries;
        for (std::string name : folder.second) {
            DirEntry entry;
            entry.isDirectory = !name.empty() && name.back() == '\\';
            if (entry.isDirectory) name.pop_back();
            entry.name = name;
            entry.size = 1000;
            entry.writeTime = 7;
            entries.push_back(entry);
            if (!entry.isDirectory) order.push_back(folder.first + "\\" + name);
        }
        ASSERT_TRUE(index.FolderListed(folder.first, entries, filter));
    }
    // The walk delivers in the order of the whole paths (FolderWalk.h).
    std::sort(order.begin(), order.end(),
              [](const std::string& a, const std::string& b) { return orv::CompareNoCase(a, b) < 0; });
    ASSERT_TRUE(index.Delivered(order));
    ASSERT_TRUE(index.EndWalk());
}

// One folder "R" of pictures p00.jpg .. p<n-1>.jpg.
Tree Flat(int n, int from = 0) {
    std::vector<std::string> names;
    for (int i = from; i < from + n; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%02d.jpg", i);
        names.push_back(name);
    }
    return {{"R", names}};
}

std::unique_ptr<LibraryIndex> OpenIndex(const TempFolder& dir, uint64_t seed, IndexOpen* outcome = nullptr) {
    return LibraryIndex::Open(dir.File("Library.db"), orv::SeededOrderDraw(seed), 123, outcome);
}

// One picture dealt at `now` and shown (recorded with a deal of nothing, as at the next deal).
std::string Single(LibraryIndex& index, bool random, int64_t now = 1000) {
    const auto deal = index.Deal(random, 1, now);
    if (!deal || deal->size() != 1) return "<none>";
    EXPECT_TRUE(index.Deal(random, 0, now, *deal));
    return deal->front();
}

}  // namespace

TEST(LibraryIndexCycle, EveryPictureOnceBeforeAnyAgainAcrossRuns) {
    TempFolder dir;
    {
        auto index = OpenIndex(dir, 1);
        ASSERT_TRUE(index);
        Walk(*index, {"R"}, Flat(12));
        EXPECT_TRUE(index->Covers({"R"}, orv::FilterKey(PictureFilter{})));
    }
    // Three runs of four deals each, each run a new connection with a generator of its own.
    std::set<std::string> seen;
    for (int run = 0; run < 3; ++run) {
        auto index = OpenIndex(dir, 100 + run);
        ASSERT_TRUE(index);
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(seen.insert(Single(*index, true)).second) << "run " << run << " deal " << i;
    }
    EXPECT_EQ(seen.size(), 12u);
    // The cycle is over: the next one deals the whole library again, once each.
    auto index = OpenIndex(dir, 9);
    std::set<std::string> again;
    for (int i = 0; i < 12; ++i)
        again.insert(Single(*index, true));
    EXPECT_EQ(again, seen);
}

TEST(LibraryIndexCycle, PicturesFoundLaterJoinTheRestAtRandomPlacesAndGoneOnesLeave) {
    TempFolder dir;
    auto index = OpenIndex(dir, 5);
    ASSERT_TRUE(index);
    Walk(*index, {"R"}, Flat(40));
    std::set<std::string> dealt;
    for (int i = 0; i < 20; ++i)
        dealt.insert(Single(*index, true));
    // The next walk: p00..p39 less p10..p19 (gone), and p40..p59 (new).
    Tree tree = Flat(10);
    const Tree later = Flat(40, 20);
    for (const std::string& name : later[0].second)
        tree[0].second.push_back(name);
    Walk(*index, {"R"}, tree);
    // The rest of the cycle: the pending old ones that are still there, and every new one, each
    // once; the new ones spread among the old rather than after them.
    std::set<std::string> rest;
    int newInFirstHalf = 0;
    std::set<std::string> expected;
    for (const auto& name : tree[0].second)
        if (!dealt.count("R\\" + name)) expected.insert("R\\" + name);
    const size_t pending = static_cast<size_t>(index->Pending());
    EXPECT_EQ(pending, expected.size());
    for (size_t i = 0; i < pending; ++i) {
        const std::string path = Single(*index, true);
        EXPECT_TRUE(rest.insert(path).second) << path << " twice";
        if (i < pending / 2 && path >= "R\\p40") ++newInFirstHalf;
    }
    EXPECT_EQ(rest, expected);
    EXPECT_GT(newInFirstHalf, 3) << "new pictures all came last";
    EXPECT_LT(newInFirstHalf, 17) << "new pictures all came first";
}

TEST(LibraryIndexCycle, TwoConnectionsNeverDealTheSamePicture) {
    TempFolder dir;
    auto a = OpenIndex(dir, 1);
    ASSERT_TRUE(a);
    Walk(*a, {"R"}, Flat(10));
    auto b = OpenIndex(dir, 2);
    ASSERT_TRUE(b);
    std::set<std::string> seen;
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(seen.insert(Single(*a, true)).second);
        EXPECT_TRUE(seen.insert(Single(*b, true)).second);
    }
    EXPECT_EQ(seen.size(), 10u);
}

TEST(LibraryIndexSorted, ResumesAfterTheLastDealtAndWraps) {
    TempFolder dir;
    {
        auto index = OpenIndex(dir, 1);
        Walk(*index, {"R"}, {{"R", {"a.jpg", "b.jpg", "s\\", "z.jpg"}}, {"R\\s", {"c.jpg"}}});
        EXPECT_EQ(Single(*index, false), "R\\a.jpg");
        EXPECT_EQ(Single(*index, false), "R\\b.jpg");
    }
    auto index = OpenIndex(dir, 1);
    // A picture found since, between the ones dealt next: it takes its place in the order.
    Walk(*index, {"R"}, {{"R", {"a.jpg", "b.jpg", "s\\", "z.jpg"}}, {"R\\s", {"c.jpg", "d.jpg"}}});
    const std::vector<std::string> expected = {"R\\s\\c.jpg", "R\\s\\d.jpg", "R\\z.jpg", "R\\a.jpg",
                                               "R\\b.jpg"};
    for (const std::string& path : expected)
        EXPECT_EQ(Single(*index, false), path);
    // Several monitors take the next ones in turn, wrapping inside one deal.
    EXPECT_EQ(index->Deal(false, 4, 1000),
              (std::vector<std::string>{"R\\s\\c.jpg", "R\\s\\d.jpg", "R\\z.jpg", "R\\a.jpg"}));
    // Dealt but never shown (the run ended first): the next start goes on after the last shown.
    index = OpenIndex(dir, 1);
    EXPECT_EQ(Single(*index, false), "R\\s\\c.jpg");
}

TEST(LibraryIndexSorted, ARestartGoesOnAfterWhatTheListShowedMeanwhile) {
    // The list changed under a running show: its walk restarts the sorted order, the show goes on
    // from its own list while the walk completes the index, and the index then takes over after
    // the last picture the list showed, not from the first again.
    TempFolder dir;
    auto index = OpenIndex(dir, 1);
    Walk(*index, {"R"}, {{"R", {"a.jpg", "b.jpg", "c.jpg"}}});
    EXPECT_EQ(Single(*index, false), "R\\a.jpg");
    index->RestartSorted();
    EXPECT_EQ(index->Deal(false, 1, 1000, {"R\\a.jpg", "R\\b.jpg"}), std::vector<std::string>{"R\\c.jpg"});
    // With nothing shown meanwhile a restart deals from the first.
    index->RestartSorted();
    EXPECT_EQ(Single(*index, false), "R\\a.jpg");
}

TEST(LibraryIndexCycle, ADealNeverShownComesAgainOnceItsClaimRunsOut) {
    TempFolder dir;
    auto index = OpenIndex(dir, 4);
    Walk(*index, {"R"}, Flat(5));
    const auto dealt = index->Deal(true, 1, 1000);
    ASSERT_TRUE(dealt && dealt->size() == 1);
    // Another process meanwhile: the claimed picture is not dealt to it.
    auto other = OpenIndex(dir, 5);
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(Single(*other, true, 1010), dealt->front());
    // The claim ran out without a show: the picture is the only one left in the cycle.
    EXPECT_EQ(Single(*other, true, 1000 + 600), dealt->front());
}

TEST(LibraryIndexFolders, RootsNoLongerConfiguredAreDroppedAndNewOnesAreNotCoveredYet) {
    TempFolder dir;
    auto index = OpenIndex(dir, 1);
    Walk(*index, {"A", "B"}, {{"A", {"1.jpg"}}, {"B", {"2.jpg", "sub\\"}}, {"B\\sub", {"3.jpg"}}});
    const std::string key = orv::FilterKey(PictureFilter{});
    EXPECT_TRUE(index->Covers({"A", "B"}, key));
    EXPECT_FALSE(index->Covers({"A"}, key)) << "B is still in the index";
    EXPECT_FALSE(index->Covers({"A", "B", "C"}, key)) << "C was never walked";
    PictureFilter bmpOnly;
    bmpOnly.showJpg = false;
    EXPECT_FALSE(index->Covers({"A", "B"}, orv::FilterKey(bmpOnly))) << "another filter";

    ASSERT_TRUE(index->BeginWalk({"A"}, key));
    EXPECT_EQ(index->Count(), 1) << "B and its subfolder went at the walk's start";
    EXPECT_FALSE(index->Covers({"A"}, key)) << "not until the walk ends";
    std::vector<DirEntry> entries(1);
    entries[0].name = "1.jpg";
    ASSERT_TRUE(index->FolderListed("A", entries, PictureFilter{}));
    ASSERT_TRUE(index->EndWalk());
    EXPECT_TRUE(index->Covers({"A"}, key));
    EXPECT_EQ(Single(*index, true), "A\\1.jpg");
}

TEST(LibraryIndexFolders, ForgottenAndHiddenPicturesAreNeverDealt) {
    TempFolder dir;
    auto index = OpenIndex(dir, 3);
    Walk(*index, {"R"}, Flat(3));
    EXPECT_TRUE(index->Forget("R\\p00.jpg"));
    EXPECT_TRUE(index->SetHidden("R\\p01.jpg", true));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Single(*index, i % 2 == 0), "R\\p02.jpg") << i;
}

// Hidden is for good: across later runs and walks of the same folder, in either order, until the
// user clears the list; a hidden picture deleted from the disk goes with its flag.
TEST(LibraryIndexFolders, HiddenPicturesStayHiddenAcrossRunsUntilCleared) {
    TempFolder dir;
    {
        auto index = OpenIndex(dir, 3);
        Walk(*index, {"R"}, Flat(3));
        ASSERT_TRUE(index->SetHidden("R\\p01.jpg", true));
        EXPECT_FALSE(index->SetHidden("R\\nowhere.jpg", true)) << "a picture the index does not hold";
    }
    {
        auto index = OpenIndex(dir, 4);
        Walk(*index, {"R"}, Flat(3));  // the next run's walk finds it again, unchanged
        EXPECT_EQ(index->HiddenPaths(), std::vector<std::string>{"R\\p01.jpg"});
        EXPECT_EQ(index->HiddenCount(), 1);
        for (int i = 0; i < 6; ++i)
            EXPECT_NE(Single(*index, i % 2 == 0), "R\\p01.jpg") << i;
        ASSERT_TRUE(index->ClearHidden());
    }
    {
        auto index = OpenIndex(dir, 5);
        EXPECT_EQ(index->HiddenCount(), 0);
        std::set<std::string> sorted;
        for (int i = 0; i < 3; ++i)
            sorted.insert(Single(*index, false));
        EXPECT_EQ(sorted.count("R\\p01.jpg"), 1u) << "cleared: dealt again";
        ASSERT_TRUE(index->SetHidden("R\\p02.jpg", true));
        Walk(*index, {"R"}, Flat(2));  // p02.jpg deleted
        EXPECT_TRUE(index->HiddenPaths().empty());
        EXPECT_EQ(index->Count(), 2);
    }
}

TEST(LibraryIndexFacts, StoredFactsReadBackAndUnknownOnesStayUnknown) {
    TempFolder dir;
    auto index = OpenIndex(dir, 3);
    Walk(*index, {"R"}, Flat(1));
    auto facts = index->Facts("R\\p00.jpg");
    ASSERT_TRUE(facts);
    EXPECT_FALSE(facts->width || facts->taken || facts->latitude);
    orv::PictureFacts stored;
    stored.width = 4000;
    stored.height = 3000;
    stored.latitude = 48.85;
    ASSERT_TRUE(index->StoreFacts("R\\p00.jpg", stored));
    facts = index->Facts("R\\p00.jpg");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->width, 4000);
    EXPECT_EQ(facts->height, 3000);
    EXPECT_EQ(facts->latitude, 48.85);
    EXPECT_FALSE(facts->taken || facts->longitude);
    EXPECT_FALSE(index->StoreFacts("R\\missing.jpg", stored));
}

// What Open makes of what it finds at the index's path.
TEST(LibraryIndexOpen, DamagedForeignNewerAndUnreachableFiles) {
    enum class Make { Garbage, Foreign, Newer, Truncated };
    struct Case {
        const char* what;
        Make make;
        IndexOpen outcome;
        bool setAside;
    };
    const std::vector<Case> cases = {
        {"bytes that are no database", Make::Garbage, IndexOpen::SetAside, true},
        {"another program's database", Make::Foreign, IndexOpen::SetAside, true},
        {"a newer release's index", Make::Newer, IndexOpen::Newer, false},
        {"an index cut short", Make::Truncated, IndexOpen::SetAside, true},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        const std::string file = dir.File("Library.db");
        if (c.make == Make::Garbage) {
            std::ofstream(file) << std::string(5000, 'x');
        } else if (c.make == Make::Truncated) {
            {
                auto index = OpenIndex(dir, 1);
                Walk(*index, {"R"}, Flat(200));
            }
            std::system(("truncate -s 9000 '" + file + "'").c_str());
        } else {
            sqlite3* db = nullptr;
            sqlite3_open(file.c_str(), &db);
            sqlite3_exec(db,
                         c.make == Make::Foreign ? "CREATE TABLE t(x)"
                                                 : "PRAGMA application_id=1330796110; PRAGMA user_version=2; "
                                                   "CREATE TABLE future(x)",
                         nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
        IndexOpen outcome = IndexOpen::Ready;
        auto index = OpenIndex(dir, 1, &outcome);
        EXPECT_EQ(outcome, c.outcome) << c.what;
        EXPECT_EQ(static_cast<bool>(index), c.outcome == IndexOpen::SetAside) << c.what;
        EXPECT_EQ(dir.Exists("Library.db.damaged-123"), c.setAside) << c.what;
        if (index) {
            Walk(*index, {"R"}, Flat(2));
            EXPECT_EQ(index->Count(), 2) << c.what << ": made again";
        }
        if (c.make == Make::Newer) {
            index.reset();
            IndexOpen again = IndexOpen::Ready;
            EXPECT_FALSE(OpenIndex(dir, 1, &again)) << "left as it was";
            EXPECT_EQ(again, IndexOpen::Newer);
        }
    }
    IndexOpen outcome = IndexOpen::Ready;
    EXPECT_FALSE(LibraryIndex::Open("/nonexistent-folder/Library.db", orv::SeededOrderDraw(1), 1, &outcome));
    EXPECT_EQ(outcome, IndexOpen::Unavailable);
}

// The worker records what went on screen with the next deal: across the seam of two cycles the
// picture on show never comes again at once.
TEST(LibraryIndexCycle, ANewCycleNeverOpensWithThePictureOnShow) {
    TempFolder dir;
    auto index = OpenIndex(dir, 8);
    Walk(*index, {"R"}, Flat(3));
    std::vector<std::string> onShow;
    for (int i = 0; i < 60; ++i) {
        const auto deal = index->Deal(true, 1, 1000, onShow);
        ASSERT_TRUE(deal && deal->size() == 1);
        if (!onShow.empty()) {
            EXPECT_NE(deal->front(), onShow.front()) << "deal " << i;
        }
        onShow = *deal;
    }
}

// A pair's partner is taken out of turn: in random order the pictures it passed over stay next in
// the cycle, and the cycle still shows each once; in sorted order the coming pictures stop at the
// end of the order rather than wrap to its start. Sizes stored come back with them.
TEST(LibraryIndexPairs, APartnerTakenOutOfTurnLeavesThePassedOverNext) {
    TempFolder dir;
    auto index = OpenIndex(dir, 5);
    ASSERT_TRUE(index);
    Walk(*index, {"R"}, Flat(6));
    ASSERT_TRUE(index->StoreSize("R\\p03.jpg", 600, 800));
    EXPECT_TRUE(index->StoreSize("R\\p03.jpg", 600, 800)) << "a size known already";
    const auto known = index->Facts("R\\p03.jpg");
    ASSERT_TRUE(known && known->width && known->height);
    EXPECT_EQ(*known->width, 600);

    // Random: deal one, take the third coming one as its partner.
    const auto first = index->Deal(true, 1, 1000);
    ASSERT_TRUE(first && first->size() == 1);
    const auto coming = index->Upcoming(true, 8, 1000);
    ASSERT_TRUE(coming && coming->size() == 5u);
    for (const orv::UpcomingPicture& c : *coming)
        EXPECT_NE(c.path, first->front()) << "the picture dealt is not to come again";
    ASSERT_TRUE(index->Take(true, (*coming)[2].path, 1000));
    ASSERT_TRUE(index->Deal(true, 0, 1000, {first->front(), (*coming)[2].path}));
    // The two passed over come next, in their order, then the rest.
    std::vector<std::string> next;
    for (int i = 0; i < 4; ++i)
        next.push_back(Single(*index, true));
    EXPECT_EQ(next, (std::vector<std::string>{(*coming)[0].path, (*coming)[1].path, (*coming)[3].path,
                                              (*coming)[4].path}));

    // Sorted, in a library of its own: after p04 only p05 is to come (no wrap); after p05 nothing.
    TempFolder sortedDir;
    index = OpenIndex(sortedDir, 6);
    ASSERT_TRUE(index);
    Walk(*index, {"R"}, Flat(6));
    ASSERT_TRUE(index->StoreSize("R\\p03.jpg", 600, 800));
    for (int i = 0; i < 5; ++i)
        Single(*index, false);
    const auto last = index->Upcoming(false, 8, 1000);
    ASSERT_TRUE(last);
    ASSERT_EQ(last->size(), 1u);
    EXPECT_EQ(last->front().path, "R\\p05.jpg");
    ASSERT_TRUE(index->Take(false, "R\\p05.jpg", 1000));
    const auto none = index->Upcoming(false, 8, 1000);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
    // And the position went on past the partner: the next sorted deal wraps to the first.
    EXPECT_EQ(Single(*index, false), "R\\p00.jpg");
    // The coming pictures carry the sizes the index knows.
    const auto withSize = index->Upcoming(false, 8, 1000);
    ASSERT_TRUE(withSize && withSize->size() >= 3u);
    EXPECT_EQ((*withSize)[2].path, "R\\p03.jpg");
    EXPECT_TRUE((*withSize)[2].width && *(*withSize)[2].width == 600);
    EXPECT_FALSE((*withSize)[0].width);
}

namespace {

std::vector<DirEntry> Listing(const std::vector<std::string>& names) {
    std::vector<DirEntry> entries;
    for (std::string name : names) {
        DirEntry entry;
        entry.isDirectory = !name.empty() && name.back() == '\\';
        if (entry.isDirectory) name.pop_back();
        entry.name = name;
        entry.size = 10;
        entry.writeTime = 3;
        entries.push_back(entry);
    }
    return entries;
}

// R (written at 100) holds a.jpg and the subfolders S (written at 200), which holds b.jpg, and T,
// empty. Without deliverS the walk stops once it has listed S.
void WalkTimed(LibraryIndex& index, const std::string& excludedKey, bool deliverS = true) {
    const PictureFilter filter;
    ASSERT_TRUE(index.BeginWalk({"R"}, orv::FilterKey(filter), excludedKey));
    ASSERT_TRUE(index.FolderListed("R", Listing({"a.jpg", "S\\", "T\\", "notes.txt"}), filter, 100));
    ASSERT_TRUE(index.Delivered({"R\\a.jpg"}));
    ASSERT_TRUE(index.FolderListed("R\\S", Listing({"b.jpg"}), filter, 200));
    if (!deliverS) return;  // the walk stops here
    ASSERT_TRUE(index.Delivered({"R\\S\\b.jpg"}));
    ASSERT_TRUE(index.FolderListed("R\\T", {}, filter, 300));
    ASSERT_TRUE(index.EndWalk());
}

std::vector<std::string> Names(const std::vector<DirEntry>& entries) {
    std::vector<std::string> names;
    for (const DirEntry& entry : entries)
        names.push_back(entry.name + (entry.isDirectory ? "\\" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(LibraryIndexFolders, AFolderIsTakenFromTheIndexOnlyAtTheWriteTimeItWasListedWholeAt) {
    struct Case {
        const char* what;
        std::function<void(LibraryIndex&)> after;  // what happens after the timed walk
        std::string folder;
        int64_t writeTime;
        std::vector<std::string> expected;  // empty: it must be listed
    };
    const auto nothing = [](LibraryIndex&) {};
    const std::vector<Case> cases = {
        {"unchanged: its pictures and the subfolders entered", nothing, "R", 100, {"S\\", "T\\", "a.jpg"}},
        {"unchanged subfolder", nothing, "R\\S", 200, {"b.jpg"}},
        {"written since", nothing, "R", 101, {}},
        {"never listed", nothing, "R\\T", 200, {}},
        {"other exclusions since",
         [](LibraryIndex& i) { i.BeginWalk({"R"}, orv::FilterKey({}), "R\\X\n"); },
         "R",
         100,
         {}},
        {"a subfolder could not be listed",
         [](LibraryIndex& i) {
             i.FolderUnlisted("R\\S");
             i.Flush();
         },
         "R",
         100,
         {}},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        auto index = OpenIndex(dir, 1);
        WalkTimed(*index, "");
        c.after(*index);
        std::vector<DirEntry> out;
        const bool unchanged = index->UnchangedListing(c.folder, c.writeTime, out);
        EXPECT_EQ(unchanged, !c.expected.empty()) << c.what;
        EXPECT_EQ(Names(out), c.expected) << c.what;
    }
    // A walk that stopped before it delivered a folder's new pictures leaves that folder to be
    // listed again, whatever its time.
    TempFolder dir;
    {
        auto index = OpenIndex(dir, 1);
        WalkTimed(*index, "", false);
        ASSERT_TRUE(index->Flush());
    }
    auto index = OpenIndex(dir, 1);
    std::vector<DirEntry> out;
    EXPECT_FALSE(index->UnchangedListing("R\\S", 200, out)) << "b.jpg never reached the index";
    EXPECT_TRUE(index->UnchangedListing("R", 100, out)) << "a.jpg did";
    EXPECT_EQ(Names(out), (std::vector<std::string>{"S\\", "T\\", "a.jpg"}))
        << "T, never reached, still comes";
}

TEST(LibraryIndexFolders, AWalkUnderWayNeverKeepsAnotherConnectionFromWriting) {
    TempFolder dir;
    auto walker = OpenIndex(dir, 1);
    auto other = OpenIndex(dir, 2);
    Walk(*other, {"R"}, Flat(3));
    const PictureFilter filter;
    ASSERT_TRUE(walker->BeginWalk({"R"}, orv::FilterKey(filter)));
    ASSERT_TRUE(walker->FolderListed("R", Listing({"p00.jpg", "p01.jpg", "p02.jpg", "new.jpg"}), filter));
    // The walk's records wait in memory, holding no lock: the other deals and records at once.
    const auto dealt = other->Deal(true, 1, 1000);
    ASSERT_TRUE(dealt && dealt->size() == 1);
    EXPECT_TRUE(other->Deal(true, 0, 1000, *dealt));
    ASSERT_TRUE(walker->Delivered({"R\\new.jpg", "R\\p00.jpg", "R\\p01.jpg", "R\\p02.jpg"}));
    ASSERT_TRUE(walker->EndWalk());
    EXPECT_EQ(other->Count(), 4) << "the walk's batch is in once it ended";
}

// Damage within the pages is not looked for at the open (that reads every page, seconds on a large
// library): the first step that meets it fails, the show goes on without the index, and the file
// is set aside when the index goes, for the next start to make anew.
TEST(LibraryIndexOpen, DamageMetInUseSetsTheFileAsideWhenTheIndexGoes) {
    TempFolder dir;
    const std::string file = dir.File("Library.db");
    {
        auto index = OpenIndex(dir, 1);
        Walk(*index, {"R"}, Flat(99));
    }
    {
        // Every page after the first two overwritten, the length kept.
        std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
        bytes.seekg(0, std::ios::end);
        const std::streamoff length = bytes.tellg();
        ASSERT_GT(length, 3 * 4096);
        bytes.seekp(2 * 4096);
        bytes << std::string(static_cast<size_t>(length - 2 * 4096), '\x5a');
    }
    auto index = OpenIndex(dir, 1);
    ASSERT_TRUE(index);
    EXPECT_FALSE(index->Deal(false, 1, 1000)) << "the picture pages are gone";
    index.reset();
    EXPECT_TRUE(dir.Exists("Library.db.damaged-123"));
    EXPECT_FALSE(dir.Exists("Library.db"));
}

// The cycle's index is left out while a walk fills an empty index and made at the walk's end; a
// walk cut short leaves it to the next one, and an index made before the hidden pictures had an
// index of their own gets one when it opens. Either way the file ends up with both.
TEST(LibraryIndexOpen, TheIndexesAWalkLeavesOutComeBack) {
    auto indexes = [](const std::string& file) {
        sqlite3* db = nullptr;
        std::set<std::string> names;
        if (sqlite3_open(file.c_str(), &db) == SQLITE_OK)
            sqlite3_exec(
                db, "SELECT name FROM sqlite_schema WHERE type = 'index' AND name LIKE 'picture_%'",
                [](void* out, int, char** values, char**) {
                    static_cast<std::set<std::string>*>(out)->insert(values[0]);
                    return 0;
                },
                &names, nullptr);
        sqlite3_close(db);
        return names;
    };
    const std::set<std::string> all{"picture_cycle", "picture_hidden", "picture_sorted"};
    enum class Before { CutShort, NoHiddenIndex };
    for (const Before before : {Before::CutShort, Before::NoHiddenIndex}) {
        TempFolder dir;
        const std::string file = dir.File("Library.db");
        {
            auto index = OpenIndex(dir, 1);
            ASSERT_TRUE(index);
            if (before == Before::CutShort) {
                ASSERT_TRUE(index->BeginWalk({"R"}, orv::FilterKey(PictureFilter{})));
                ASSERT_TRUE(index->FolderListed("R", Listing({"p00.jpg", "p01.jpg"}), PictureFilter{}));
                ASSERT_TRUE(index->Delivered({"R\\p00.jpg", "R\\p01.jpg"}));
                ASSERT_TRUE(index->Flush());
                EXPECT_EQ(indexes(file).count("picture_cycle"), 0u) << "left out while the walk fills it";
            } else {
                Walk(*index, {"R"}, Flat(3));
            }
        }
        if (before == Before::NoHiddenIndex) {
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
            sqlite3_exec(db, "DROP INDEX picture_hidden", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
        auto index = OpenIndex(dir, 2);
        ASSERT_TRUE(index);
        Walk(*index, {"R"}, Flat(3));
        index->SetHidden("R\\p01.jpg", true);
        EXPECT_EQ(indexes(file), all);
        EXPECT_EQ(index->HiddenPaths(), std::vector<std::string>{"R\\p01.jpg"});
        std::set<std::string> dealt;
        for (int i = 0; i < 2; ++i)
            dealt.insert(Single(*index, true));
        EXPECT_EQ(dealt, (std::set<std::string>{"R\\p00.jpg", "R\\p02.jpg"}));
    }
}
