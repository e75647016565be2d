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

// The index's file; empty without a local application-data folder.
std::string IndexFile() {
    // The folder is not made here: without it there is no index, and nothing is hidden.
    PWSTR wide = nullptr;
    std::string folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &wide)) && wide)
        folder = AnsiFromWide(wide);
    ::CoTaskMemFree(wide);
    return folder.empty() ? std::string() : orv::LibraryFileIn(folder);
}

bool Exists(const std::string& file) {
    return ::GetFileAttributesW(LongWidePath(file).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::unique_ptr<orv::LibraryIndex> OpenIndex(const std::string& file) {
    return orv::LibraryIndex::Open(file, orv::EntropyOrderDraw(), static_cast<int64_t>(std::time(nullptr)));
}

}  // namespace

std::optional<int64_t> HiddenPictureCount() {
    const std::string file = IndexFile();
    if (file.empty()) return std::nullopt;
    if (!Exists(file)) return 0;
    const std::unique_ptr<orv::LibraryIndex> index = OpenIndex(file);
    if (!index) return std::nullopt;
    return index->HiddenCount();
}

bool ShowHiddenPicturesAgain() {
    const std::string file = IndexFile();
    if (file.empty()) return false;
    if (!Exists(file)) return true;
    const std::unique_ptr<orv::LibraryIndex> index = OpenIndex(file);
    return index && index->ClearHidden();
}
