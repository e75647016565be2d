#include "show/Win32Directory.h"

#include "framework/Win32.h"

#include "framework/TextConvert.h"
#include "framework/Unique.h"
#include "framework/WidePath.h"

namespace {

bool IsLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

// A handle that stands for the folder itself. Links, junctions and mounts are followed, so every
// route to one folder gives the same volume and index (under Wine: the device and the inode).
UniqueFile OpenFolder(const std::string& folder) {
    // "C:" alone names the drive's current folder, and "" the current one: the walk means the
    // root in both, as its pattern "C:\*.*" does.
    std::string path = folder;
    if (path.empty() || path.back() == ':') path += '\\';
    // Only a handle opened with backup semantics can stand for a folder.
    return UniqueFile(::CreateFileW(LongWidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

bool Win32DirectoryEnumerator::Enumerate(const std::string& pattern,
                                         const std::function<bool(const orv::DirEntry&)>& visit) {
    // The wide call on the long form: FindFirstFileA's cFileName holds MAX_PATH bytes, too few for
    // a long name in UTF-8 (up to three bytes a character), and a plain path stops at 260
    // characters. "*" lists what "*.*" lists, and needs no translation of DOS wildcards.
    std::wstring wide = LongWidePath(pattern);
    if (wide.size() >= 4 && wide.compare(wide.size() - 4, 4, L"\\*.*") == 0) wide.resize(wide.size() - 2);
    // Basic: no short 8.3 name, which the file system may otherwise have to make up. Large fetch:
    // fewer, larger directory reads, one round trip for many entries on a share.
    WIN32_FIND_DATAW data;
    UniqueFind find(::FindFirstFileExW(wide.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return false;
    orv::DirEntry entry;
    do {
        entry.name = AnsiFromWide(data.cFileName);
        entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!visit(entry)) break;
    } while (::FindNextFileW(find.get(), &data));
    return true;
}

bool Win32DirectoryEnumerator::FolderIndex(const std::string& folder, uint64_t& index) {
    UniqueFile handle = OpenFolder(folder);
    if (!handle) return false;
    // The index alone, from NtQueryInformationFile: GetFileInformationByHandle also asks the
    // volume for its serial number, which under Wine goes to the mount manager and costs some
    // 0.2 ms a folder, ten times the open. The walk needs the serial only when indexes meet.
    using QueryInformationFile = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, int);
    static const auto query = reinterpret_cast<QueryInformationFile>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    constexpr int kFileInternalInformation = 6;
    if (query) {
        struct {
            void* pointer;  // IO_STATUS_BLOCK: the status or a pointer, then the count
            ULONG_PTR information;
        } status{};
        LARGE_INTEGER number{};
        if (query(handle.get(), &status, &number, sizeof number, kFileInternalInformation) >= 0) {
            index = static_cast<uint64_t>(number.QuadPart);
            // Some network file systems give every file the index 0, which tells nothing: taken
            // at its word, every subfolder would look like its parent and be left out.
            return index != 0;
        }
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(handle.get(), &info)) return false;
    index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return index != 0;
}

bool Win32DirectoryEnumerator::FolderVolume(const std::string& folder, uint64_t& volume) {
    UniqueFile handle = OpenFolder(folder);
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) return false;
    volume = info.dwVolumeSerialNumber;
    return true;
}

orv::LeadByteTest AnsiLeadByteTest() {
    // CP_UTF8 reports MaxCharSize 4, so a UTF-8 process code page sorts byte by byte.
    CPINFO info;
    if (::GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2) return &IsLeadByte;
    return nullptr;
}
