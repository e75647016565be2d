#include "core/show/Pairs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/picture/Orientation.h"
#include "core/show/ShowSequence.h"

using orv::PairsOn;
using orv::Rect;
using orv::Size;
using orv::SlotPart;

namespace {

constexpr Size kWide{1920, 1080};
constexpr Size kTall{1080, 1920};
constexpr Size kSquare{1000, 1000};
constexpr Size P{600, 800};  // portrait
constexpr Size L{800, 600};  // landscape
constexpr Size Q{700, 700};  // square

using Sizes = std::vector<std::optional<Size>>;

orv::CandidateSizeFn SizesOf(const Sizes& sizes, std::vector<size_t>* asked = nullptr) {
    return [sizes, asked](size_t i) -> std::optional<Size> {
        if (asked) asked->push_back(i);
        return i < sizes.size() ? sizes[i] : std::nullopt;
    };
}

}  // namespace

// The picture's size is its upright one: a landscape stored with an orientation that turns it a
// quarter pairs as the portrait it shows as.
TEST(Pairs, APicturePairsWhenItIsTurnedAgainstItsArea) {
    struct Case {
        const char* what;
        Size stored;
        int orientation;
        Size area;
        bool pairs;
    };
    const Case cases[] = {
        {"portrait on a wide monitor", {600, 800}, 1, kWide, true},
        {"landscape on a wide monitor", {800, 600}, 1, kWide, false},
        {"square picture on a wide monitor", {700, 700}, 1, kWide, false},
        {"landscape on a tall monitor", {800, 600}, 1, kTall, true},
        {"portrait on a tall monitor", {600, 800}, 1, kTall, false},
        {"square picture on a tall monitor", {700, 700}, 1, kTall, false},
        {"portrait on a square monitor", {600, 800}, 1, kSquare, false},
        {"landscape on a square monitor", {800, 600}, 1, kSquare, false},
        {"landscape tagged to turn clockwise, wide", {4000, 3000}, 6, kWide, true},
        {"landscape tagged to turn anticlockwise, wide", {4000, 3000}, 8, kWide, true},
        {"landscape tagged upside down, wide", {4000, 3000}, 3, kWide, false},
        {"portrait tagged to turn, tall", {3000, 4000}, 6, kTall, true},
        {"one pixel taller than wide", {600, 601}, 1, kWide, true},
        {"empty picture", {0, 800}, 1, kWide, false},
        {"empty area", {600, 800}, 1, {0, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PairsOn(orv::UprightSize(c.stored, c.orientation), c.area), c.pairs) << c.what;
}

TEST(Pairs, HalvesSplitAcrossTheLongSide) {
    EXPECT_EQ(orv::FirstHalf(kWide), SlotPart::Left);
    EXPECT_EQ(orv::SecondHalf(kWide), SlotPart::Right);
    EXPECT_EQ(orv::FirstHalf(kTall), SlotPart::Top);
    EXPECT_EQ(orv::SecondHalf(kTall), SlotPart::Bottom);
    struct Case {
        Rect area;
        SlotPart part;
        Rect expected;
    };
    const Case cases[] = {
        {{0, 0, 1921, 1080}, SlotPart::Left, {0, 0, 960, 1080}},
        {{0, 0, 1921, 1080}, SlotPart::Right, {960, 0, 1921, 1080}},
        {{1920, 100, 3000, 2020}, SlotPart::Top, {1920, 100, 3000, 1060}},
        {{1920, 100, 3000, 2020}, SlotPart::Bottom, {1920, 1060, 3000, 2020}},
        {{-800, 0, 0, 600}, SlotPart::Right, {-400, 0, 0, 600}},
        {{10, 20, 30, 40}, SlotPart::Whole, {10, 20, 30, 40}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(orv::PartOf(c.area, c.part), c.expected) << c.area.left << "," << c.area.top;
}

// Each case deals the candidates (their upright sizes, in the order they come) to the slots.
TEST(Pairs, EachSlotTakesTheNextPictureAndItsPartner) {
    struct Case {
        const char* what;
        std::vector<Size> areas;
        Sizes sizes;
        bool random;
        std::vector<std::vector<size_t>> slots;  // each slot's candidates
        std::vector<size_t> taken;
    };
    const std::optional<Size> unknown;
    const Case cases[] = {
        {"sorted: two portraits pair", {kWide}, {P, P, L}, false, {{0, 1}}, {0, 1}},
        {"sorted: a landscape next leaves the portrait alone", {kWide}, {P, L, P}, false, {{0}}, {0}},
        {"sorted: a landscape first shows alone", {kWide}, {L, P, P}, false, {{0}}, {0}},
        {"sorted: the last picture has no partner", {kWide}, {P}, false, {{0}}, {0}},
        {"sorted: an unreadable next picture is no partner", {kWide}, {P, unknown}, false, {{0}}, {0}},
        {"sorted: square pictures never pair", {kWide}, {Q, Q}, false, {{0}}, {0}},
        {"sorted: a tall monitor pairs landscapes", {kTall}, {L, L, P}, false, {{0, 1}}, {0, 1}},
        {"sorted: a tall monitor shows a portrait alone", {kTall}, {P, P}, false, {{0}}, {0}},
        {"sorted: a square monitor never pairs", {kSquare}, {P, P}, false, {{0}}, {0}},
        {"sorted, two monitors: the second goes on after the pair",
         {kWide, kWide},
         {P, P, P, L},
         false,
         {{0, 1}, {2}},
         {0, 1, 2}},
        {"sorted, a wide and a tall monitor",
         {kWide, kTall},
         {P, P, L, L},
         false,
         {{0, 1}, {2, 3}},
         {0, 1, 2, 3}},
        {"random: the next portrait is brought forward", {kWide}, {P, L, L, P, P}, true, {{0, 3}}, {0, 3}},
        {"random: no portrait to come shows alone", {kWide}, {P, L, L}, true, {{0}}, {0}},
        {"random: a landscape first is not paired", {kWide}, {L, P, P}, true, {{0}}, {0}},
        {"random, two monitors: the second takes what the pair passed over",
         {kWide, kWide},
         {P, L, P, L},
         true,
         {{0, 2}, {1}},
         {0, 2, 1}},
        {"random: a partner past the reach is not looked for",
         {kWide},
         {P, L, L, L, L, L, L, L, L, P},
         true,
         {{0}},
         {0}},
        {"random: the last within the reach", {kWide}, {P, L, L, L, L, L, L, L, P}, true, {{0, 8}}, {0, 8}},
        {"more slots than candidates", {kWide, kWide, kWide}, {L, L}, false, {{0}, {1}}, {0, 1}},
        {"two monitors, two portraits: each its own, none left dark",
         {kWide, kWide},
         {P, P},
         false,
         {{0}, {1}},
         {0, 1}},
        {"two monitors, three portraits: a pair and one",
         {kWide, kWide},
         {P, P, P},
         true,
         {{0, 1}, {2}},
         {0, 1, 2}},
    };
    for (const Case& c : cases) {
        const orv::PairDeal deal = orv::DealPairs(c.areas, c.sizes.size(), SizesOf(c.sizes), c.random);
        std::vector<std::vector<size_t>> slots;
        for (const orv::SlotDeal& s : deal.slots) {
            slots.push_back({s.first});
            if (s.second) slots.back().push_back(*s.second);
        }
        EXPECT_EQ(slots, c.slots) << c.what;
        EXPECT_EQ(deal.taken, c.taken) << c.what;
    }
}

TEST(Pairs, OnlySizesThatDecideAreAskedFor) {
    std::vector<size_t> asked;
    // A landscape first: whatever follows it is not read.
    orv::DealPairs({kWide}, 5, SizesOf({L, P, P, P, P}, &asked), true);
    EXPECT_EQ(asked, (std::vector<size_t>{0}));
}

// A whole show of a sorted list and of a random cycle, dealt through the sequence as the worker
// and the controller deal it: every picture shows once a round, none skipped, none twice.
TEST(Pairs, ARoundShowsEveryPictureOnceInEitherOrder) {
    const std::map<std::string, Size> sizes = {{"a", P}, {"b", L}, {"c", P}, {"d", P}, {"e", L},
                                               {"f", L}, {"g", P}, {"h", Q}, {"i", P}};
    for (bool random : {false, true}) {
        // A fixed generator: the shuffle is of no interest here, only what pairing does to it.
        orv::ShowSequence sequence([] { return uint64_t{12345}; });
        sequence.Restart(random);
        std::vector<std::string> names;
        for (const auto& entry : sizes)
            names.push_back(entry.first);
        sequence.Append(names);
        sequence.EndWalk();
        const std::vector<std::string> cycle = sequence.Entries();

        // Two rounds: each shows every picture once, and the second goes on where the first ended.
        std::vector<std::string> shown;
        std::vector<std::vector<std::string>> screens;
        for (int deal = 0; deal < 40 && shown.size() < 2 * sizes.size(); ++deal) {
            const std::vector<size_t> upcoming = sequence.Upcoming(2 + orv::kPartnerReach, 1);
            const auto sizeOf = [&](size_t i) -> std::optional<Size> {
                return sizes.at(sequence.Entries()[upcoming[i]]);
            };
            const orv::PairDeal pairs = orv::DealPairs({kWide}, upcoming.size(), sizeOf, random);
            std::vector<std::string> screen;
            for (size_t t : pairs.taken)
                screen.push_back(sequence.Entries()[upcoming[t]]);
            shown.insert(shown.end(), screen.begin(), screen.end());
            screens.push_back(screen);
            sequence.Take(pairs.taken);
        }
        ASSERT_EQ(shown.size(), 2 * sizes.size()) << (random ? "random" : "sorted");
        for (size_t round = 0; round < 2; ++round) {
            std::vector<std::string> seen(shown.begin() + round * sizes.size(),
                                          shown.begin() + (round + 1) * sizes.size());
            std::sort(seen.begin(), seen.end());
            EXPECT_EQ(seen, names) << (random ? "random" : "sorted") << " round " << round;
        }
        // Every screen of two is a pair of portraits.
        for (const std::vector<std::string>& screen : screens) {
            if (screen.size() != 2) continue;
            EXPECT_TRUE(PairsOn(sizes.at(screen[0]), kWide) && PairsOn(sizes.at(screen[1]), kWide))
                << screen[0] << screen[1];
        }
        if (!random) {
            // Sorted: the order itself is kept; a pair is two neighbours, and the list's last
            // picture does not pair with its first.
            EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + sizes.size()), cycle);
            EXPECT_EQ(std::vector<std::vector<std::string>>(screens.begin(), screens.begin() + 7),
                      (std::vector<std::vector<std::string>>{
                          {"a"}, {"b"}, {"c", "d"}, {"e"}, {"f"}, {"g"}, {"h"}}));
            EXPECT_EQ(screens[7], (std::vector<std::string>{"i"}));
        } else {
            // Random: a pair was brought forward at least once in this cycle.
            EXPECT_NE(std::vector<std::string>(shown.begin(), shown.begin() + sizes.size()), cycle);
        }
    }
}
