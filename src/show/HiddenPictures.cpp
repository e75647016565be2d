#include "show/HiddenPictures.h"

#include <shlobj.h>

#include <ctime>
#include <memory>
#include <string>

#include "core/library/LibraryIndex.h"
#include "framework/TextConvert.h"
#include "framework/Win32.h"
#include "framework/WidePath.h"

bool ShowHiddenPicturesAgain() {
    // The folder is not made here: without it there is no index, and nothing is hidden.
    PWSTR wide = nullptr;
    std::string folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &wide)) && wide)
        folder = AnsiFromWide(wide);
    ::CoTaskMemFree(wide);
    if (folder.empty()) return false;
    const std::string file = orv::LibraryFileIn(folder);
    if (::GetFileAttributesW(LongWidePath(file).c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    std::unique_ptr<orv::LibraryIndex> index =
        orv::LibraryIndex::Open(file, orv::EntropyOrderDraw(), static_cast<int64_t>(std::time(nullptr)));
    return index && index->ClearHidden();
}
