#include "show/Win32Directory.h"

#include "framework/Win32.h"

#include "framework/Unique.h"

namespace {

bool IsLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

}  // namespace

bool Win32DirectoryEnumerator::Enumerate(const std::string& pattern,
                                         const std::function<void(const orv::DirEntry&)>& visit) {
    WIN32_FIND_DATAA data;
    UniqueFind find(::FindFirstFileA(pattern.c_str(), &data));
    if (!find) return false;
    orv::DirEntry entry;
    do {
        entry.name = data.cFileName;
        entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // visit may recurse into a subfolder with a find handle of its own; ours stays open.
        visit(entry);
    } while (::FindNextFileA(find.get(), &data));
    return true;
}

orv::LeadByteTest AnsiLeadByteTest() {
    CPINFO info;
    if (::GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2) return &IsLeadByte;
    return nullptr;
}
