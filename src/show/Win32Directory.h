#pragma once
// Directory enumeration and code-page facts for the picture list, on Windows.
#include "core/show/PictureList.h"

class Win32DirectoryEnumerator final : public orv::IDirectoryEnumerator {
public:
    bool Enumerate(const std::string& pattern,
                   const std::function<bool(const orv::DirEntry&)>& visit) override;
    bool FolderIndex(const std::string& folder, uint64_t& index) override;
    bool FolderVolume(const std::string& folder, uint64_t& volume) override;
};

// IsDBCSLeadByte when the ANSI code page is a double-byte one, null otherwise (single-byte code
// pages, and UTF-8, whose bytes sort as they are).
orv::LeadByteTest AnsiLeadByteTest();
