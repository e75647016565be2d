#include "core/show/OrderRandom.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

using orv::DrawBelow;
using orv::FairShuffle;

namespace {

// A generator that gives these 64-bit values in turn.
orv::OrderDraw Values(std::vector<uint64_t> values) {
    auto at = std::make_shared<size_t>(0);
    return [values, at] { return values.at((*at)++); };
}

}  // namespace

// The high half of value * bound; a low half below 2^64 mod bound is drawn again.
TEST(OrderRandom, DrawBelowScalesByTheBoundAndRejectsTheBiasedLowHalves) {
    struct Case {
        const char* what;
        std::vector<uint64_t> values;
        uint64_t bound;
        uint64_t expected;
    };
    const std::vector<Case> cases = {
        {"0 is the first value", {0x0000000000000001ull}, 10, 0},
        {"half way", {0x8000000000000001ull}, 10, 5},
        {"the top is the last value", {~0ull}, 10, 9},
        // 2^64 mod 3 = 1: a low half of 0 would make 0 one part in 2^64 likelier; drawn again.
        {"a rejected low half draws again", {0, 0xAAAAAAAAAAAAAAABull}, 3, 2},
        {"bound 1 always 0", {~0ull}, 1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DrawBelow(Values(c.values), c.bound), c.expected) << c.what;
}

// Every order of five equally likely: over 50,000 shuffles from fixed seeds, each picture comes
// first about a fifth of the time, and last as often (the written scale left the last one last).
// Chi-square with 4 degrees of freedom; 18.47 is its 0.1 % point.
TEST(OrderRandom, FairShuffleGivesEveryPictureEveryPlaceAlike) {
    constexpr int kRuns = 50000;
    std::array<int, 5> first{}, last{};
    for (int run = 0; run < kRuns; ++run) {
        std::vector<int> items = {0, 1, 2, 3, 4};
        FairShuffle(items, orv::SeededOrderDraw(static_cast<uint64_t>(run)));
        ++first[static_cast<size_t>(items.front())];
        ++last[static_cast<size_t>(items.back())];
    }
    const double expected = kRuns / 5.0;
    double chiFirst = 0, chiLast = 0;
    for (size_t i = 0; i < 5; ++i) {
        chiFirst += (first[i] - expected) * (first[i] - expected) / expected;
        chiLast += (last[i] - expected) * (last[i] - expected) / expected;
    }
    EXPECT_LT(chiFirst, 18.47);
    EXPECT_LT(chiLast, 18.47);
}

TEST(OrderRandom, TheSameSeedDrawsTheSameAndAnotherDiffers) {
    const orv::OrderDraw a = orv::SeededOrderDraw(42), b = orv::SeededOrderDraw(42),
                         c = orv::SeededOrderDraw(43);
    const uint64_t first = a();
    EXPECT_EQ(first, b());
    EXPECT_NE(first, c());
    EXPECT_NE(orv::EntropyOrderDraw()(), orv::EntropyOrderDraw()());
}
