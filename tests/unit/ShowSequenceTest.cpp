#include "core/show/ShowSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/show/Random.h"

using orv::DealAhead;
using orv::ShowSequence;

namespace {

using Indices = std::vector<std::size_t>;

std::vector<std::string> Names(std::initializer_list<const char*> names) {
    return {names.begin(), names.end()};
}

// A generator that gives its values in turn, then repeats the last.
ShowSequence::DrawFn Draws(std::vector<uint64_t> values) {
    auto at = std::make_shared<size_t>(0);
    return [values, at] { return values[std::min(values.size() - 1, (*at)++)]; };
}

}  // namespace

// What each step of a sorted show deals while the walk delivers; "+" appends, "end" ends the walk,
// a number of monitors deals.
TEST(ShowSequence, SortedMovesThroughEntriesAsTheyArriveAndWrapsOnlyAfterTheWalk) {
    struct Step {
        const char* what;
        std::vector<std::string> append;  // appended before the deal
        bool end;
        std::size_t monitors;
        Indices expected;
    };
    const std::vector<Step> steps = {
        {"nothing known yet", {}, false, 1, {}},
        {"the first entry shows as soon as it is known", Names({"a"}), false, 1, {0}},
        {"no entry past it: the show waits", {}, false, 1, {}},
        {"two more arrive", Names({"b", "c"}), false, 1, {1}},
        {"the next", {}, false, 1, {2}},
        {"at the end of what is known: no wrap during the walk", {}, false, 1, {}},
        {"two monitors, one entry past the end: wraps inside the known ones", Names({"d"}), false, 2, {3, 0}},
        {"and then waits for entries beyond", {}, false, 2, {}},
        {"the walk ends: the show wraps to the first", {}, true, 2, {0, 1}},
        {"goes on", {}, false, 2, {2, 3}},
        {"and wraps", {}, false, 1, {0}},
    };
    ShowSequence sequence(Draws({0}));
    sequence.Restart(false);
    for (const Step& step : steps) {
        if (!step.append.empty()) sequence.Append(step.append);
        if (step.end) sequence.EndWalk();
        EXPECT_EQ(sequence.NextDeal(step.monitors), step.expected) << step.what;
    }
}

TEST(ShowSequence, RandomDuringTheWalkNeverRepeatsTheOneJustShown) {
    struct Step {
        const char* what;
        std::vector<std::string> append;
        std::vector<uint64_t> draws;  // one draw makes one index: the high half of draw * candidates
        Indices expected;
    };
    const std::vector<Step> steps = {
        {"nothing known", {}, {5}, {}},
        {"one known: it shows", Names({"a"}), {0}, {0}},
        {"only the one on show: wait", {}, {0}, {}},
        {"two known: the other", Names({"b"}), {0}, {1}},
        {"four known, 1 excluded: pick 1 of 3 skips it", Names({"c", "d"}), {0x6000000000000000ull}, {2}},
        {"pick 2 of 3 after excluding 2 is 3", {}, {0xB000000000000000ull}, {3}},
        {"the top draw picks the last candidate below the excluded one", {}, {~0ull}, {2}},
    };
    std::vector<uint64_t> all;
    for (const Step& step : steps)
        all.insert(all.end(), step.draws.begin(), step.draws.end());
    auto at = std::make_shared<size_t>(0);
    ShowSequence sequence([&all, at] { return all.at((*at)++); });
    sequence.Restart(true);
    size_t drawn = 0;
    for (const Step& step : steps) {
        if (!step.append.empty()) sequence.Append(step.append);
        const Indices got = sequence.NextDeal(1);
        EXPECT_EQ(got, step.expected) << step.what;
        drawn += step.draws.size();
        *at = drawn;  // each step consumes its own draws, used or not
    }
}

// Fisher-Yates from the end with every draw 1 (the least one the bounded draw does not reject):
// each place from the last down takes the entry at the front, so the list comes out turned by
// one: abcdefghi -> bcdefghia. The shuffle draws from
// the sequence's generator, never from the process generator (the caption's).
TEST(ShowSequence, RandomWalkEndShufflesTheWholeListAndStartsOver) {
    const std::vector<std::string> names = Names({"a", "b", "c", "d", "e", "f", "g", "h", "i"});
    const std::vector<std::string> expected = Names({"b", "c", "d", "e", "f", "g", "h", "i", "a"});

    ShowSequence sequence(Draws({1}));
    sequence.Restart(true);
    sequence.Append({names.begin(), names.begin() + 4});
    EXPECT_EQ(sequence.NextDeal(1).size(), 1u);
    sequence.Append({names.begin() + 4, names.end()});
    orv::SeedRandom(7);
    sequence.EndWalk();
    EXPECT_EQ(sequence.Entries(), expected);
    EXPECT_EQ(orv::NextRandom(), 61) << "the process generator was not drawn from";
    for (std::size_t i = 0; i < names.size() + 2; ++i)
        EXPECT_EQ(sequence.NextDeal(1), Indices{i % names.size()}) << "tick " << i;
    // A finished list is final: a late delivery of the walk is not appended.
    sequence.Append(Names({"z"}));
    EXPECT_EQ(sequence.Entries().size(), names.size());
}

TEST(ShowSequence, RestartEmptiesTheListAndStartsAtTheFirst) {
    ShowSequence sequence(Draws({0}));
    sequence.Restart(false);
    sequence.Append(Names({"a", "b"}));
    sequence.EndWalk();
    EXPECT_EQ(sequence.NextDeal(1), Indices{0});
    sequence.Restart(false);
    EXPECT_EQ(sequence.NextDeal(1), Indices{});
    sequence.Append(Names({"c"}));
    EXPECT_EQ(sequence.NextDeal(1), Indices{0});
    EXPECT_EQ(sequence.Entries(), Names({"c"}));
}

// The life of a prepared deal: each row is one event, then the state, the due ticks and whether a
// hand-over happens.
TEST(DealAhead, PreparedStaleSwappedDropped) {
    enum Event { kWantFirst, kRequest, kArriveCurrent, kArriveOld, kTick, kDrop };
    struct Row {
        const char* what;
        Event event;
        bool arrivalKept;  // for arrivals
        DealAhead::State state;
        unsigned due;
        bool handOver;
    };
    using S = DealAhead::State;
    const std::vector<Row> rows = {
        {"the show starts wanting its first deal", kWantFirst, false, S::Idle, 1, false},
        {"asked", kRequest, false, S::Pending, 1, false},
        {"ready: the waiting first deal goes on screen at once", kArriveCurrent, true, S::Idle, 0, true},
        {"the next is asked for", kRequest, false, S::Pending, 0, false},
        {"prepared ahead of its tick", kArriveCurrent, true, S::Ready, 0, false},
        {"the tick swaps it in at once", kTick, false, S::Idle, 0, true},
        {"asked again", kRequest, false, S::Pending, 0, false},
        {"a setting changes: dropped", kDrop, false, S::Idle, 0, false},
        {"the answer to the dropped request is stale", kArriveOld, false, S::Idle, 0, false},
        {"asked again under the new generation", kRequest, false, S::Pending, 0, false},
        {"a slow disk: the tick comes first and waits", kTick, false, S::Pending, 1, false},
        {"a second tick waits too", kTick, false, S::Pending, 2, false},
        {"the deal comes: handed over for one tick", kArriveCurrent, true, S::Idle, 1, true},
        {"asked for the waiting tick", kRequest, false, S::Pending, 1, false},
        {"a drop while a tick waits keeps the tick", kDrop, false, S::Idle, 1, false},
        {"an answer nothing asked for is dropped", kArriveCurrent, false, S::Idle, 1, false},
        {"asked", kRequest, false, S::Pending, 1, false},
        {"ready: the waiting tick takes it", kArriveCurrent, true, S::Idle, 0, true},
        {"ready with no tick due", kRequest, false, S::Pending, 0, false},
        {"arrives", kArriveCurrent, true, S::Ready, 0, false},
        {"a drop of a ready deal", kDrop, false, S::Idle, 0, false},
    };
    DealAhead ahead;
    for (const Row& row : rows) {
        const uint64_t before = ahead.Generation();
        switch (row.event) {
        case kWantFirst:
            ahead.WantFirst();
            break;
        case kRequest:
            ahead.Requested();
            break;
        case kArriveCurrent:
            EXPECT_EQ(ahead.Arrived(before), row.arrivalKept) << row.what;
            break;
        case kArriveOld:
            EXPECT_EQ(ahead.Arrived(before - 1), row.arrivalKept) << row.what;
            break;
        case kTick:
            ahead.Tick();
            break;
        case kDrop:
            ahead.Drop();
            EXPECT_NE(ahead.Generation(), before) << row.what;
            break;
        }
        EXPECT_EQ(ahead.TakeHandOver(), row.handOver) << row.what;
        EXPECT_EQ(ahead.GetState(), row.state) << row.what;
        EXPECT_EQ(ahead.DueTicks(), row.due) << row.what;
    }
}
