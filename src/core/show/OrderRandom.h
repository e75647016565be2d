#pragma once
// The generator the show's order draws from: the shuffle of a walked list, the picks while a walk
// runs and the index's cycle. It is apart from the process generator (Random.h), which keeps its
// seed and its draws for the caption's place alone, so the order depends neither on the caption
// nor on when the disk answers.
//
// By default it is seeded from the system's entropy (std::random_device: rand_s, that is
// RtlGenRandom, under the mingw-w64 runtime; /dev/urandom on Linux); a test gives a fixed seed.
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace orv {

// 64 random bits a call.
using OrderDraw = std::function<uint64_t()>;

// A fast generator (xoshiro256**) seeded from the system's entropy.
OrderDraw EntropyOrderDraw();
// The same generator from a fixed seed: the same draws on every run.
OrderDraw SeededOrderDraw(uint64_t seed);

// A draw of 0 .. bound - 1, every value equally likely (Lemire's multiply-and-reject). bound 0
// gives 0.
uint64_t DrawBelow(const OrderDraw& draw, uint64_t bound);

// Fisher-Yates: every order of the items equally likely.
template <typename T>
void FairShuffle(std::vector<T>& items, const OrderDraw& draw) {
    for (size_t i = items.size(); i > 1; --i) {
        const size_t j = static_cast<size_t>(DrawBelow(draw, i));
        if (j != i - 1) std::swap(items[i - 1], items[j]);
    }
}

}  // namespace orv
