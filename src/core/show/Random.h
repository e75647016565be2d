#pragma once
// The process-wide pseudo-random generator. It follows the Microsoft C runtime's rand() exactly
// (state = state * 214013 + 2531011 mod 2^32, result = bits 16..30 of the state), so a given
// seed shuffles and places captions as the saver always has. One instance per process, seeded
// once at start-up; the picture list's shuffle and the caption placement both draw from it.
#include <cstdint>

namespace orv {

inline constexpr int kRandomMax = 32767;

void SeedRandom(uint32_t seed);
int NextRandom();  // 0 .. kRandomMax

}  // namespace orv
