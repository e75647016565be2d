#pragma once
// The list of pictures a slide show walks through: built from a folder tree through a directory
// enumeration interface (FindFirstFileExW on Windows, a fake in the tests), in sorted order as the
// walk finds it (core/show/FolderWalk.h), or then shuffled.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/show/OrderRandom.h"

namespace orv {

struct DirEntry {
    std::string name;  // the long name as the file system reports it
    bool isDirectory = false;
    uint64_t size = 0;      // a file's bytes, where the listing tells; else 0
    int64_t writeTime = 0;  // the last write as the listing gives it (FILETIME ticks); 0 unknown
};

class IDirectoryEnumerator {
public:
    virtual ~IDirectoryEnumerator() = default;
    // Calls visit for every entry matching pattern (folder + "\\*.*"), in the file system's
    // order, until visit returns false (the walk was cancelled: a huge folder is not read to its
    // end). Returns false, visiting nothing, when the enumeration cannot start.
    virtual bool Enumerate(const std::string& pattern, const std::function<bool(const DirEntry&)>& visit) = 0;

    // A folder is known, whatever path reaches it (a link, a junction, a mount), by its volume's
    // serial number and its file index on that volume. folder is a path as the walk builds it:
    // no trailing backslash, "C:" for the drive's root.
    //
    // The file index, asked for every folder the walk enters, so it must be cheap. False when it
    // cannot be told; the folder is then walked without the guard.
    virtual bool FolderIndex(const std::string& folder, uint64_t& index) = 0;
    // The volume's serial number, asked only when a folder's index equals that of a folder on the
    // path: the same index on another volume is another folder.
    virtual bool FolderVolume(const std::string& folder, uint64_t& volume) = 0;
    // The folder's last write time (FILETIME ticks), asked just before it is listed, and only
    // where its file system changes a folder's time whenever an entry is added to it, removed from
    // it or renamed in it, and the folder is on this machine. False anywhere else (FAT and exFAT
    // keep no such time, a share's may lag or lie, and so may an unknown file system): an
    // unchanged time then tells nothing, and the folder is listed.
    virtual bool TrustedWriteTime(const std::string& folder, int64_t& writeTime) {
        (void)folder;
        (void)writeTime;
        return false;
    }
};

// Tells whether a byte is the lead byte of a double-byte character in the ANSI code page.
// Null means a single-byte code page.
using LeadByteTest = bool (*)(unsigned char);

struct PictureFilter {
    bool showBmp = true;
    bool showJpg = true;
    // The extensions "Others" lists (OtherExtensionsOf); empty when the box is off.
    std::vector<std::string> otherExtensions;
};

// Removes one trailing backslash, if there is one.
std::string NormalizeFolder(std::string folder);
// Case-insensitive byte order of the framework string: ASCII A-Z folded, bytes unsigned, a DBCS
// lead byte and its trail compared as one 16-bit character. The walk sorts each folder by it.
int CompareNoCase(const std::string& a, const std::string& b, LeadByteTest isLeadByte = nullptr);
// Every order equally likely (FairShuffle), from the order's generator; never from the process
// generator, whose draws belong to the caption.
void ShufflePictures(std::vector<std::string>& pictures, const OrderDraw& draw);

}  // namespace orv
