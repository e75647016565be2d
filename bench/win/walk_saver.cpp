// The saver's own walk, timed as walk_bare.cpp is: FolderWalk over the Win32 enumerator, with the
// loop guard, the sort of each folder and the long path form, as a picture window runs it.
// Prints "files N, M ms, first after F ms" for the folder given (bench/walk_library.sh).
//
// "walk_saver FOLDER index FILE" walks as the picture window's worker does with a library index:
// every listing recorded into the index at FILE (made when missing), the pictures delivered in
// order, the walk ended; a second run over an unchanged tree is a revalidation, which takes the
// folders whose write times are unchanged from the index. It adds "listed L, unlisted U" (folders
// read from the disk, folders taken from the index) and "index ok" or "index failed"
// (bench/index_walk.sh).
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "core/library/LibraryIndex.h"
#include "core/library/RecordingDirectory.h"
#include "core/show/FolderWalk.h"
#include "framework/Win32.h"
#include "show/Win32Directory.h"

namespace {

// The enumerator without folder identities: the walk without its loop guard, to tell what the
// guard costs ("walk_saver FOLDER noguard").
class Unguarded final : public orv::IDirectoryEnumerator {
public:
    bool Enumerate(const std::string& pattern,
                   const std::function<bool(const orv::DirEntry&)>& visit) override {
        return m_dir.Enumerate(pattern, visit);
    }
    bool FolderIndex(const std::string&, uint64_t&) override { return false; }
    bool FolderVolume(const std::string&, uint64_t&) override { return false; }

private:
    Win32DirectoryEnumerator m_dir;
};

}  // namespace

// The walk as ShowWorker's Walk runs it with an index: BeginWalk, the recording enumerator, each
// step's entries delivered, EndWalk.
int IndexedWalk(const std::string& folder, const std::string& file) {
    const ULONGLONG start = GetTickCount64();
    auto index =
        orv::LibraryIndex::Open(file, orv::EntropyOrderDraw(), static_cast<int64_t>(std::time(nullptr)));
    if (!index) {
        std::printf("index could not be opened\n");
        return 1;
    }
    const orv::PictureFilter filter;
    const std::vector<std::string> roots{orv::NormalizeFolder(folder)};
    Win32DirectoryEnumerator dir;
    bool ok = index->BeginWalk(roots, orv::FilterKey(filter));
    orv::RecordingDirectory recorder(dir, *index, filter);
    orv::FolderWalk walk(recorder, roots, {}, filter, AnsiLeadByteTest());
    std::vector<std::string> step;
    size_t pictures = 0;
    ULONGLONG first = 0;
    for (bool more = true; more;) {
        step.clear();
        more = walk.Step(step);
        pictures += step.size();
        if (first == 0 && pictures != 0) first = GetTickCount64();
        if (ok && recorder.Recording() && !index->Delivered(step)) ok = false;
    }
    ok = ok && recorder.Recording() && index->EndWalk();
    index.reset();
    const ULONGLONG end = GetTickCount64();
    std::printf("files %zu, %llu ms, first after %llu ms, listed %zu, unlisted %zu, index %s\n", pictures,
                end - start, first == 0 ? 0 : first - start, recorder.Listed(), recorder.Unlisted(),
                ok ? "ok" : "failed");
    return ok ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (argc > 3 && std::string(argv[2]) == "index") return IndexedWalk(argv[1], argv[3]);
    Win32DirectoryEnumerator guarded;
    Unguarded unguarded;
    orv::IDirectoryEnumerator& dir = argc > 2 && std::string(argv[2]) == "noguard"
                                         ? static_cast<orv::IDirectoryEnumerator&>(unguarded)
                                         : guarded;
    const ULONGLONG start = GetTickCount64();
    orv::FolderWalk walk(dir, orv::NormalizeFolder(argv[1]), {}, AnsiLeadByteTest());
    std::vector<std::string> pictures;
    ULONGLONG first = 0;
    for (bool more = true; more;) {
        more = walk.Step(pictures);
        if (first == 0 && !pictures.empty()) first = GetTickCount64();
    }
    const ULONGLONG end = GetTickCount64();
    std::printf("files %zu, %llu ms, first after %llu ms\n", pictures.size(), end - start,
                first == 0 ? 0 : first - start);
    return 0;
}
