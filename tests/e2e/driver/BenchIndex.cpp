// Not a test: the driver half of bench/index_start.sh, run by name ("bench_index") and left out of
// the ctest suite (its registration does not start a line with the case macro). With the library
// index of a large picture library:
//  1. builds the index: the saver (ORVANTA_SCR) started full screen on an empty index, until its
//     first walk has ended ("built MS ms", the saver's peak working set, the index's bytes);
//  2. starts the test-only OrvantaSlowIo.scr, whose every folder listing waits
//     ORVANTA_SLOW_FOLDER_MS (a cold share), in sorted and then in random order: how long after
//     its start the first picture came ("first picture ORDER MS ms"), then waits for its
//     revalidation walk to end ("revalidated ORDER MS ms", the peak working set).
//
// Environment: ORVANTA_BENCH_FOLDER (the library, a Windows path), ORVANTA_SLOW_FOLDER_MS (20
// unless given), ORVANTA_BENCH_LIMIT_MS (how long to wait for each event, 600000 unless given).
#include "Bench.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace e2e;

namespace {

// The number of the last walk begun, and whether every root is complete: a walk begun after
// `walk` has ended. The walk's number first: it changes together with the roots' completion,
// which a later read then sees at least as new.
bool WalkEndedAfter(long long walk, long long* last = nullptr) {
    const std::optional<long long> begun = IndexValue("SELECT value FROM meta WHERE key = 'walk'");
    if (!begun) return false;
    if (last) *last = *begun;
    return *begun > walk && IndexValue("SELECT min(complete) FROM root").value_or(0) == 1;
}

// Waits for the walk begun after `walk` to end, looking a few times a second, and notes how far
// the index has got every half minute (a full count): a long build shows where it slows or stops.
bool WaitWalkEnded(const Saver& saver, long long walk, long long* last, DWORD limit) {
    double noted = NowMs();
    return WaitUntil(
        [&] {
            if (WalkEndedAfter(walk, last)) return true;
            if (NowMs() - noted >= 30000) {
                noted = NowMs();
                Note("walking: %lld pictures in the index at %.0f ms",
                     IndexValue("SELECT count(*) FROM picture").value_or(-1), noted - saver.StartedAtMs());
            }
            Pump(250);
            return false;
        },
        limit);
}

double PeakMb(const Saver& saver) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(saver.Process(), &counters, sizeof counters)) return -1;
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

long long Bytes(const std::string& file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool WaitPicture(DWORD limit) {
    const int x = ScreenWidth() / 2;
    const int y = ScreenHeight() / 2;
    return WaitUntil([&] { return ScreenPixel(x, y) != RGB(0, 0, 0); }, limit);
}

void BenchIndex() {
    const std::string folder = Env("ORVANTA_BENCH_FOLDER", "");
    const DWORD limit = static_cast<DWORD>(std::atol(Env("ORVANTA_BENCH_LIMIT_MS", "600000").c_str()));
    const int slowMs = std::atoi(Env("ORVANTA_SLOW_FOLDER_MS", "20").c_str());
    E2E_REQUIRE(!folder.empty(), "ORVANTA_BENCH_FOLDER must be set");
    Settings s;
    s.delay = 120;  // no tick of its own while it is timed
    s.caption = 0;
    s.randomOrder = 0;
    s.folder = folder;
    s.Write();
    ForgetLibraryIndex();
    KeepLibraryIndexAcrossStarts();

    long long walk = 0;
    {
        Saver saver("/s");
        E2E_REQUIRE(saver.WaitFullScreen(limit), "no window within %lu ms", limit);
        E2E_REQUIRE(WaitWalkEnded(saver, 0, &walk, limit), "the first walk did not end");
        Note("built %.0f ms, peak working set %.1f MB", NowMs() - saver.StartedAtMs(), PeakMb(saver));
        saver.Kill();
    }
    // The saver was killed: its WAL is left as it stood, not checkpointed into the file.
    const long long file = Bytes(LibraryIndexFile());
    const long long wal = Bytes(LibraryIndexFile() + "-wal");
    Note("index %lld bytes (the file %lld, its WAL %lld)", file + wal, file, wal);

    UseSlowSaver(slowMs, 0);
    for (const int random : {0, 1}) {
        s.randomOrder = random;
        s.Write();
        const char* order = random ? "random" : "sorted";
        Saver saver("/s");
        E2E_REQUIRE(saver.WaitFullScreen(limit), "no window within %lu ms", limit);
        E2E_REQUIRE(WaitPicture(limit), "no picture within %lu ms", limit);
        Note("first picture %s %.0f ms", order, NowMs() - saver.StartedAtMs());
        const long long before = walk;
        E2E_REQUIRE(WaitWalkEnded(saver, before, &walk, limit), "the revalidation did not end");
        Note("revalidated %s %.0f ms, peak working set %.1f MB", order, NowMs() - saver.StartedAtMs(),
             PeakMb(saver));
        saver.Kill();
    }
}

const Registrar benchRegistrar("bench_index", BenchIndex);

}  // namespace
