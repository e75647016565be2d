// The saver's own walk, timed as walk_bare.cpp is: FolderWalk over the Win32 enumerator, with the
// loop guard, the sort of each folder and the long path form, as a picture window runs it.
// Prints "files N, M ms, first after F ms" for the folder given (bench/walk_library.sh).
#include <cstdio>
#include <string>
#include <vector>

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

int main(int argc, char** argv) {
    if (argc < 2) return 2;
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
