// The information line's place: the nearest town to a position in the table the .scr carries,
// as the worker asks it once per picture with a GPS position. Opening the table (checking its bytes
// and building the cell index, once per process), and lookups over land, near the date line, at
// sea (the widest search: nothing within reach) and near a pole (every longitude in the band).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/picture/Towns.h"

namespace {

const std::vector<uint8_t>& Table() {
    static const std::vector<uint8_t> data = [] {
        std::ifstream in(ORV_TOWNS_TABLE, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }();
    return data;
}

void BM_OpenTable(benchmark::State& state) {
    const std::vector<uint8_t>& data = Table();
    for (auto _ : state) {
        orv::TownTable table;
        benchmark::DoNotOptimize(table.Open(data.data(), data.size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_OpenTable)->Unit(benchmark::kMillisecond);

void BM_PlaceOf(benchmark::State& state, double latitude, double longitude) {
    const std::vector<uint8_t>& data = Table();
    orv::TownTable table;
    if (!table.Open(data.data(), data.size())) {
        state.SkipWithError("the town table does not open");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(table.PlaceOf(latitude, longitude));
}
BENCHMARK_CAPTURE(BM_PlaceOf, heraklion, 35.3387, 25.1442)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PlaceOf, paris, 48.8566, 2.3522)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PlaceOf, date_line, 66.3, 179.95)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PlaceOf, atlantic, 0.0, -30.0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PlaceOf, north_pole, 89.9, 0.0)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
