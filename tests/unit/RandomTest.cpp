#include "core/show/Random.h"

#include <gtest/gtest.h>

#include <vector>

using orv::NextRandom;
using orv::SeedRandom;

namespace {

std::vector<int> Draw(int count) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i)
        values.push_back(NextRandom());
    return values;
}

}  // namespace

// Expected values worked out from state = state * 214013 + 2531011 (mod 2^32), bits 16..30:
// seed 1 gives state 2745024 first, and 2745024 >> 16 = 41.
TEST(Random, SeedOneGivesTheRuntimeSequence) {
    SeedRandom(1);
    EXPECT_EQ(Draw(12), (std::vector<int>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464,
                                          5705, 28145}));
}

TEST(Random, OtherSeedsGiveTheirOwnSequence) {
    SeedRandom(0);
    EXPECT_EQ(Draw(3), (std::vector<int>{38, 7719, 21238}));
    SeedRandom(12345);
    EXPECT_EQ(Draw(6), (std::vector<int>{7584, 19164, 25795, 22125, 5828, 23405}));
}

TEST(Random, SeedingResetsTheState) {
    SeedRandom(1);
    Draw(5);
    SeedRandom(1);
    EXPECT_EQ(NextRandom(), 41);
    SeedRandom(0);
    Draw(1);
    SeedRandom(12345);
    EXPECT_EQ(NextRandom(), 7584);
}

// 4028364353 * 214013 + 2531011 = 0x7FFF0000 (mod 2^32): the very first draw is the maximum.
TEST(Random, FirstDrawCanBeTheMaximum) {
    SeedRandom(4028364353u);
    EXPECT_EQ(NextRandom(), orv::kRandomMax);
    EXPECT_EQ(NextRandom(), 15401);
}

// The top seed is -1 to the recurrence: -214013 + 2531011 = 2316998, and 2316998 >> 16 = 35.
TEST(Random, SeedWithHighBitSetWrapsModulo2To32) {
    SeedRandom(0xFFFFFFFFu);
    EXPECT_EQ(Draw(3), (std::vector<int>{35, 29739, 3374}));
}
