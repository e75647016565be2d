#pragma once
// The settings dialog's way to the pictures the full-screen show hid (H with BrowseKeys on): they
// are kept in the library index, which the show's workers own; this one short step opens it on
// the caller's thread. Its waits are the index's busy time-out (a quarter second against another
// process's transaction) on a local file, so a dialog may call it from its button. Win32 only.

#include <cstdint>
#include <optional>
#include <string>

// The index's file, %LOCALAPPDATA%\Orvanta\Library.db; empty when the profile has no such folder.
// makeFolder: the show's worker, which may be the first to write it, makes its folder if need be.
std::string LibraryIndexFile(bool makeFolder);

// How many pictures are hidden: 0 without an index; nothing when it cannot be read now.
std::optional<int64_t> HiddenPictureCount();
// Every hidden picture shows again. False when the index could not be had or stayed busy: the
// pictures then stay hidden. True also when there is no index yet, and so nothing hidden.
bool ShowHiddenPicturesAgain();
