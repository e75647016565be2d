// One crossfade frame: blending two composed 1920 x 1080 screens into a third, as the picture
// window does about sixty times a second during a fade.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "core/show/Fade.h"

static void BM_BlendFrame1080p(benchmark::State& state) {
    const size_t count = size_t{1920} * 1080;
    std::vector<uint32_t> from(count, 0x000000FFu), to(count, 0x00FF0000u), out(count);
    for (size_t i = 0; i < count; ++i)
        from[i] ^= static_cast<uint32_t>(i * 2654435761u) & 0x00FFFF00u;
    uint32_t weight = 0;
    for (auto _ : state) {
        orv::BlendPixels(from.data(), to.data(), out.data(), count, weight);
        benchmark::DoNotOptimize(out.data());
        weight = (weight + 4) & 0xFF;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * count * 4));
}
BENCHMARK(BM_BlendFrame1080p)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
