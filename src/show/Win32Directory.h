#pragma once
// Directory enumeration and code-page facts for the picture list, on Windows.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/show/PictureList.h"
#include "framework/Unique.h"

// One walk's enumerator, used on one thread.
class Win32DirectoryEnumerator final : public orv::IDirectoryEnumerator {
public:
    Win32DirectoryEnumerator();
    ~Win32DirectoryEnumerator() override;
    bool Enumerate(const std::string& pattern,
                   const std::function<bool(const orv::DirEntry&)>& visit) override;
    bool FolderIndex(const std::string& folder, uint64_t& index) override;
    bool FolderVolume(const std::string& folder, uint64_t& volume) override;
    bool TrustedWriteTime(const std::string& folder, int64_t& writeTime) override;

private:
    // A subfolder's identity and write time as its parent's listing gave them.
    struct Listed {
        uint64_t index = 0;
        int64_t writeTime = 0;
    };
    // Whether the volume of this folder keeps folder times that can be trusted (local NTFS or ReFS).
    bool KeepsFolderTimes(const std::string& folder);
    bool ListOpenFolder(HANDLE handle, const std::string& folder,
                        const std::function<bool(const orv::DirEntry&)>& visit, bool& listed);

    // Subfolders listed and not yet reached, by path, with the index their parent's listing gave.
    std::unordered_map<std::string, Listed> m_listed;
    // The folder FolderIndex was last asked about, and its write time: the walk asks for the
    // index just before it lists the folder, and for the time as it lists it.
    std::string m_nextFolder;
    int64_t m_nextWriteTime = 0;
    signed char m_driveTrust[26] = {};  // by drive letter: 0 not asked yet, 1 trusted, -1 not
    std::vector<uint64_t> m_buffer;     // one listing read
};

// IsDBCSLeadByte when the ANSI code page is a double-byte one, null otherwise (single-byte code
// pages, and UTF-8, whose bytes sort as they are).
orv::LeadByteTest AnsiLeadByteTest();
