// The library index on a large library (host, a real SQLite file in a temp folder): the walk that
// builds it, a revalidating walk of the unchanged library, the open and first deal of a start in
// either order, and the file's size a picture. The library is N pictures in N / 10 folders of
// ten (one root, folders of ten folders), named as cameras name them.
//
//   bench_library_index [--benchmark_filter=...]      (N = 100,000 and 1,000,000)
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/library/LibraryIndex.h"

namespace {

struct Library {
    std::vector<std::pair<std::string, std::vector<orv::DirEntry>>> folders;  // in walk order
    std::vector<std::string> pictures;                                        // in walk order
};

Library MakeLibrary(int pictures) {
    Library library;
    const int folders = pictures / 10;
    char name[64];
    for (int f = 0; f < folders; ++f) {
        std::snprintf(name, sizeof name, "D:\\Photos\\%04d\\%05d", f / 10, f);
        std::vector<orv::DirEntry> entries;
        for (int p = 0; p < 10; ++p) {
            orv::DirEntry entry;
            char file[32];
            std::snprintf(file, sizeof file, "IMG_%06d.JPG", f * 10 + p);
            entry.name = file;
            entry.size = 3000000 + static_cast<uint64_t>(p);
            entry.writeTime = 133000000000000000ll + f;
            entries.push_back(entry);
            library.pictures.push_back(std::string(name) + "\\" + file);
        }
        library.folders.emplace_back(name, std::move(entries));
    }
    return library;
}

std::string TempFile() {
    char pattern[] = "/tmp/orvanta-index-bench-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return std::string(dir ? dir : "/tmp") + "/Library.db";
}

void WalkInto(orv::LibraryIndex& index, const Library& library) {
    const orv::PictureFilter filter;
    index.BeginWalk({"D:\\Photos"}, orv::FilterKey(filter));
    size_t next = 0;
    for (const auto& folder : library.folders) {
        index.FolderListed(folder.first, folder.second, filter);
        std::vector<std::string> delivered(
            library.pictures.begin() + static_cast<long>(next),
            library.pictures.begin() + static_cast<long>(next + folder.second.size()));
        next += folder.second.size();
        index.Delivered(delivered);
    }
    index.EndWalk();
}

off_t FileBytes(const std::string& file) {
    off_t total = 0;
    for (const char* suffix : {"", "-wal"}) {
        struct stat st;
        if (stat((file + suffix).c_str(), &st) == 0) total += st.st_size;
    }
    return total;
}

void BM_BuildingWalk(benchmark::State& state) {
    const Library library = MakeLibrary(static_cast<int>(state.range(0)));
    off_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string file = TempFile();
        auto index = orv::LibraryIndex::Open(file, orv::SeededOrderDraw(1), 0);
        state.ResumeTiming();
        WalkInto(*index, library);
        state.PauseTiming();
        index.reset();
        bytes = FileBytes(file);
        std::system(("rm -rf \"$(dirname '" + file + "')\"").c_str());
        state.ResumeTiming();
    }
    state.counters["bytes_per_picture"] = static_cast<double>(bytes) / static_cast<double>(state.range(0));
}

void BM_RevalidatingWalk(benchmark::State& state) {
    const Library library = MakeLibrary(static_cast<int>(state.range(0)));
    const std::string file = TempFile();
    auto index = orv::LibraryIndex::Open(file, orv::SeededOrderDraw(1), 0);
    WalkInto(*index, library);
    for (auto _ : state)
        WalkInto(*index, library);
    index.reset();
    std::system(("rm -rf \"$(dirname '" + file + "')\"").c_str());
}

void BM_StartToFirstDeal(benchmark::State& state) {
    const Library library = MakeLibrary(static_cast<int>(state.range(0)));
    const std::string file = TempFile();
    {
        auto index = orv::LibraryIndex::Open(file, orv::SeededOrderDraw(1), 0);
        WalkInto(*index, library);
    }
    const bool random = state.range(1) != 0;
    int64_t now = 1000;
    for (auto _ : state) {
        auto index = orv::LibraryIndex::Open(file, orv::SeededOrderDraw(2), 0);
        benchmark::DoNotOptimize(index->Covers({"D:\\Photos"}, orv::FilterKey(orv::PictureFilter{})));
        auto deal = index->Deal(random, 1, now += 1000);
        benchmark::DoNotOptimize(deal);
    }
    std::system(("rm -rf \"$(dirname '" + file + "')\"").c_str());
}

}  // namespace

BENCHMARK(BM_BuildingWalk)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RevalidatingWalk)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StartToFirstDeal)
    ->Args({100000, 1})
    ->Args({100000, 0})
    ->Args({1000000, 1})
    ->Args({1000000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_MAIN();
