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

private:
    bool ListOpenFolder(HANDLE handle, const std::string& folder,
                        const std::function<bool(const orv::DirEntry&)>& visit, bool& listed);

    // Subfolders listed and not yet reached, by path, with the index their parent's listing gave.
    std::unordered_map<std::string, uint64_t> m_listedIndexes;
    std::vector<uint64_t> m_buffer;  // one listing read
};

// IsDBCSLeadByte when the ANSI code page is a double-byte one, null otherwise (single-byte code
// pages, and UTF-8, whose bytes sort as they are).
orv::LeadByteTest AnsiLeadByteTest();
