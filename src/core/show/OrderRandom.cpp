#include "core/show/OrderRandom.h"

#include <chrono>
#include <exception>
#include <memory>
#include <random>

namespace orv {
namespace {

struct Xoshiro {
    uint64_t s[4];

    static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    explicit Xoshiro(uint64_t seed) {
        // splitmix64 spreads one seed over the four words, none of them left zero.
        for (uint64_t& word : s) {
            seed += 0x9E3779B97F4A7C15ull;
            uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = z ^ (z >> 31);
        }
    }

    uint64_t Next() {
        const uint64_t result = Rotl(s[1] * 5, 7) * 9;
        const uint64_t t = s[1] << 17;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = Rotl(s[3], 45);
        return result;
    }
};

// The 128-bit product of two 64-bit numbers as its two halves: the x86 build has no 128-bit type.
void Multiply(uint64_t a, uint64_t b, uint64_t& high, uint64_t& low) {
    const uint64_t aLow = a & 0xFFFFFFFFu, aHigh = a >> 32;
    const uint64_t bLow = b & 0xFFFFFFFFu, bHigh = b >> 32;
    const uint64_t ll = aLow * bLow, lh = aLow * bHigh, hl = aHigh * bLow, hh = aHigh * bHigh;
    const uint64_t middle = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
    low = (middle << 32) | (ll & 0xFFFFFFFFu);
    high = hh + (lh >> 32) + (hl >> 32) + (middle >> 32);
}

}  // namespace

OrderDraw SeededOrderDraw(uint64_t seed) {
    auto state = std::make_shared<Xoshiro>(seed);
    return [state] { return state->Next(); };
}

OrderDraw EntropyOrderDraw() {
    uint64_t seed = 0;
    try {
        std::random_device device;
        seed = (static_cast<uint64_t>(device()) << 32) ^ device();
    } catch (const std::exception&) {
        // No entropy source at all: the clock still differs from run to run, which is all an
        // order needs.
        seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    }
    return SeededOrderDraw(seed);
}

uint64_t DrawBelow(const OrderDraw& draw, uint64_t bound) {
    if (bound == 0) return 0;
    // Lemire: the high half of draw * bound, rejecting the few low halves that would favour the
    // first values.
    uint64_t high = 0, low = 0;
    Multiply(draw(), bound, high, low);
    if (low < bound) {
        const uint64_t threshold = (0 - bound) % bound;
        while (low < threshold)
            Multiply(draw(), bound, high, low);
    }
    return high;
}

}  // namespace orv
