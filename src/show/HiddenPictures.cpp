#include "show/HiddenPictures.h"

#include <shlobj.h>

#include <ctime>
#include <memory>
#include <string>

#include "core/library/LibraryIndex.h"
#include "framework/TextConvert.h"
#include "framework/Win32.h"
#include "framework/WidePath.h"

namespace {

bool Exists(const std::string& file) {
    return ::GetFileAttributesW(LongWidePath(file).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::unique_ptr<orv::LibraryIndex> OpenIndex(const std::string& file) {
    return orv::LibraryIndex::Open(file, orv::EntropyOrderDraw(), static_cast<int64_t>(std::time(nullptr)));
}

}  // namespace

std::string LibraryIndexFile(bool makeFolder) {
    PWSTR wide = nullptr;
    std::string file;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, makeFolder ? DWORD{KF_FLAG_CREATE} : DWORD{0},
                                         nullptr, &wide)) &&
        wide) {
        const std::string folder = AnsiFromWide(wide);
        if (!folder.empty()) {
            file = orv::LibraryFileIn(folder);
            // Made once; already there is the usual answer. Should it fail (a read-only profile),
            // the open fails too and the show runs without an index.
            if (makeFolder) ::CreateDirectoryW((std::wstring(wide) + L"\\Orvanta").c_str(), nullptr);
        }
    }
    ::CoTaskMemFree(wide);
    return file;
}

std::optional<int64_t> HiddenPictureCount() {
    // The folder is not made here: without it there is no index, and nothing is hidden.
    const std::string file = LibraryIndexFile(false);
    if (file.empty()) return std::nullopt;
    if (!Exists(file)) return 0;
    const std::unique_ptr<orv::LibraryIndex> index = OpenIndex(file);
    if (!index) return std::nullopt;
    return index->HiddenCount();
}

bool ShowHiddenPicturesAgain() {
    const std::string file = LibraryIndexFile(false);
    if (file.empty()) return false;
    if (!Exists(file)) return true;
    const std::unique_ptr<orv::LibraryIndex> index = OpenIndex(file);
    return index && index->ClearHidden();
}
