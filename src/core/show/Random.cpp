#include "core/show/Random.h"

namespace orv {
namespace {

// The C runtime starts as if seeded with 1; keep that so an unseeded run is reproducible too.
uint32_t g_state = 1;

}  // namespace

void SeedRandom(uint32_t seed) { g_state = seed; }

int NextRandom() {
    g_state = g_state * 214013u + 2531011u;  // unsigned: wraps modulo 2^32 by definition
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

}  // namespace orv
