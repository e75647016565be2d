// The picture list on large in-memory trees, as the show's worker builds it: the folder walk to its
// end, the walk up to its first delivery (what the first picture waits for), and the shuffle that
// random order makes of the whole list once the walk has ended.
//
// The tree looks like a camera archive: top folders by year, folders of 400 files each, names
// such as "IMG_01234.JPG", a caption ".txt" beside every tenth picture and a few ".bmp" scans.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/show/FolderWalk.h"
#include "core/show/PictureList.h"
#include "core/show/Random.h"

namespace {

constexpr int kFilesPerFolder = 400;
constexpr int kYears = 10;

class MemoryTree : public orv::IDirectoryEnumerator {
public:
    explicit MemoryTree(int pictures) {
        const int folders = pictures / kFilesPerFolder;
        auto& root = m_folders["D:\\Photos"];
        root = {{".", true}, {"..", true}};
        for (int year = 0; year < kYears; ++year)
            root.push_back({std::to_string(2010 + year), true});
        int number = 0;
        for (int f = 0; f < folders; ++f) {
            const std::string year = std::to_string(2010 + f % kYears);
            char album[32];
            std::snprintf(album, sizeof album, "Album %04d", f);
            m_folders["D:\\Photos\\" + year].push_back({album, true});
            auto& listing = m_folders["D:\\Photos\\" + year + "\\" + album];
            listing = {{".", true}, {"..", true}};
            for (int i = 0; i < kFilesPerFolder; ++i, ++number) {
                char name[32];
                const bool scan = i % 50 == 0;
                std::snprintf(name, sizeof name, scan ? "Scan_%05d.bmp" : "IMG_%05d.JPG", number % 100000);
                listing.push_back({name, false});
                if (i % 10 == 0) {
                    std::snprintf(name, sizeof name, "IMG_%05d.txt", number % 100000);
                    listing.push_back({name, false});
                }
            }
        }
        for (int year = 0; year < kYears; ++year) {
            auto& listing = m_folders["D:\\Photos\\" + std::to_string(2010 + year)];
            listing.insert(listing.begin(), {{".", true}, {"..", true}});
        }
    }

    bool Enumerate(const std::string& pattern,
                   const std::function<bool(const orv::DirEntry&)>& visit) override {
        auto it = m_folders.find(pattern.substr(0, pattern.size() - 4));  // drop "\*.*"
        if (it == m_folders.end()) return false;
        for (const orv::DirEntry& e : it->second)
            if (!visit(e)) break;
        return true;
    }

    // Each folder is its own: the walk's loop guard is measured along with it.
    bool FolderIndex(const std::string& folder, uint64_t& index) override {
        auto it = m_folders.find(folder);
        if (it == m_folders.end()) return false;
        index = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&it->second));
        return true;
    }
    bool FolderVolume(const std::string&, uint64_t& volume) override {
        volume = 1;
        return true;
    }

private:
    std::map<std::string, std::vector<orv::DirEntry>> m_folders;
};

// One tree per size, built once: building it is not what is measured.
MemoryTree& Tree(int pictures) {
    static std::map<int, std::unique_ptr<MemoryTree>> trees;
    auto& tree = trees[pictures];
    if (!tree) tree = std::make_unique<MemoryTree>(pictures);
    return *tree;
}

std::vector<std::string> Walked(int pictures) {
    std::vector<std::string> list;
    orv::FolderWalk walk(Tree(pictures), "D:\\Photos", {});
    while (walk.Step(list)) {
    }
    return list;
}

// The whole walk, one folder a step, in the list's final order.
void BM_FolderWalk(benchmark::State& state) {
    const int pictures = static_cast<int>(state.range(0));
    MemoryTree& tree = Tree(pictures);
    for (auto _ : state) {
        std::vector<std::string> list;
        orv::FolderWalk walk(tree, "D:\\Photos", {});
        while (walk.Step(list)) {
        }
        benchmark::DoNotOptimize(list.data());
    }
    state.SetItemsProcessed(state.iterations() * pictures);
}

// Steps until the walk delivers its first entries: the show can deal once it has them, however
// large the rest of the tree.
void BM_FolderWalkFirstEntries(benchmark::State& state) {
    MemoryTree& tree = Tree(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::string> list;
        orv::FolderWalk walk(tree, "D:\\Photos", {});
        while (list.empty() && walk.Step(list)) {
        }
        benchmark::DoNotOptimize(list.data());
    }
}

void BM_ShufflePictures(benchmark::State& state) {
    const std::vector<std::string> walked = Walked(static_cast<int>(state.range(0)));
    const orv::OrderDraw draw = orv::SeededOrderDraw(1);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> list = walked;
        state.ResumeTiming();
        orv::ShufflePictures(list, draw);
        benchmark::DoNotOptimize(list.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(walked.size()));
}

}  // namespace

BENCHMARK(BM_FolderWalk)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FolderWalkFirstEntries)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShufflePictures)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
