#pragma once
// Which folders a walk covers: the configured folders made into the walk's roots and the subtrees
// it leaves out, and the folder names no walk ever enters. Paths are UTF-8 (the process code page)
// and compared the way Windows compares them: case ignored, "/" taken as "\", repeated and
// trailing separators ignored.
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The name of a folder that file servers and Windows keep beside the pictures for themselves
// (thumbnails, recycle bins, snapshots, the volume's own records). Never walked, whatever the
// settings; the walk also skips every name that begins with ".".
bool IsHousekeepingFolder(std::string_view name);

// The form two paths are compared in: separators as one "\" (a UNC path keeps its leading two),
// none at the end, letters in upper case by the simple one-to-one mapping (ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic, full-width Latin; other characters compare as they are).
std::string PathKey(std::string_view path);

// True when the path with key `key` is the folder with key `folder` or lies below it.
bool PathWithin(std::string_view key, std::string_view folder);

struct WalkFolders {
    // In listing order: the directory first, then the other folders as listed. None is empty but
    // the directory (its written rule: the current drive's root), none lies within another or
    // within an excluded folder, none is listed twice; a folder below another listed one is
    // dropped whichever of the two comes first. Spelt as given, less trailing separators (the
    // directory less one, as it always was).
    std::vector<std::string> roots;
    // The excluded folders that lie strictly below a root, each once, none within another.
    std::vector<std::string> excluded;
};

WalkFolders WalkFoldersOf(const std::string& directory, const std::vector<std::string>& moreFolders,
                          const std::vector<std::string>& excludedFolders);

}  // namespace orv
