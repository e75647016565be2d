#include "show/Win32Directory.h"

#include "framework/Win32.h"

#include "framework/TextConvert.h"
#include "framework/Unique.h"
#include "framework/WidePath.h"
#ifdef ORVANTA_SLOW_IO
#include "framework/SlowIo.h"
#endif

namespace {

bool IsLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

// A listed name in the process code page, into out (whose buffer is reused from name to name).
// Most names are ASCII, which every ANSI code page, UTF-8 included, writes as the same bytes: those
// are narrowed here, without the two conversion calls a name would otherwise cost.
void NameFromWide(std::wstring_view wide, std::string& out) {
    out.clear();
    for (const wchar_t c : wide) {
        if (c >= 0x80) {
            out = AnsiFromWide(wide);
            return;
        }
        out += static_cast<char>(c);
    }
}

// A handle that stands for the folder itself. Links, junctions and mounts are followed, so every
// route to one folder gives the same volume and index (under Wine: the device and the inode).
// With list, the handle can also read the folder's entries.
UniqueFile OpenFolder(const std::string& folder, bool list) {
    // "C:" alone names the drive's current folder, and "" the current one: the walk means the
    // root in both, as its pattern "C:\*.*" does.
    std::string path = folder;
    if (path.empty() || path.back() == ':') path += '\\';
    // Only a handle opened with backup semantics can stand for a folder.
    return UniqueFile(::CreateFileW(LongWidePath(path).c_str(),
                                    list ? FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES : FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

constexpr char kAllEntries[] = "\\*.*";

}  // namespace

Win32DirectoryEnumerator::Win32DirectoryEnumerator() = default;
Win32DirectoryEnumerator::~Win32DirectoryEnumerator() = default;

bool Win32DirectoryEnumerator::Enumerate(const std::string& pattern,
                                         const std::function<bool(const orv::DirEntry&)>& visit) {
#ifdef ORVANTA_SLOW_IO
    static const DWORD slowFolderMs = SlowIoMilliseconds("ORVANTA_SLOW_FOLDER_MS");
    if (slowFolderMs != 0) ::Sleep(slowFolderMs);
#endif
    // A whole folder is listed through a handle of its own, which also tells each subfolder's
    // index: the loop guard then needs no open of its own per folder.
    const size_t suffix = sizeof kAllEntries - 1;
    if (pattern.size() >= suffix && pattern.compare(pattern.size() - suffix, suffix, kAllEntries) == 0) {
        const std::string folder = pattern.substr(0, pattern.size() - suffix);
        if (UniqueFile handle = OpenFolder(folder, true)) {
            bool listed = false;
            if (ListOpenFolder(handle.get(), folder, visit, listed)) return listed;
        }
    }
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
        NameFromWide(data.cFileName, entry.name);
        entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        entry.writeTime =
            static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                 data.ftLastWriteTime.dwLowDateTime);
        if (!visit(entry)) break;
    } while (::FindNextFileW(find.get(), &data));
    return true;
}

// Lists an open folder in reads of 64 KiB, as a large fetch does, and keeps each subfolder's
// index for FolderIndex. False when the system cannot list it this way (the first read fails):
// the caller then lists it by name. Otherwise listed tells whether the listing started, as
// Enumerate's result does.
bool Win32DirectoryEnumerator::ListOpenFolder(HANDLE handle, const std::string& folder,
                                              const std::function<bool(const orv::DirEntry&)>& visit,
                                              bool& listed) {
    constexpr DWORD kBufferBytes = 64 * 1024;
    if (m_buffer.empty()) m_buffer.resize(kBufferBytes / sizeof(uint64_t));  // 8-byte aligned
    orv::DirEntry entry;
    for (bool first = true;; first = false) {
        if (!::GetFileInformationByHandleEx(handle, FileIdBothDirectoryInfo, m_buffer.data(), kBufferBytes)) {
            // The end of the listing, or an error part-way, which ends it as FindNextFileW would.
            if (first && ::GetLastError() != ERROR_NO_MORE_FILES) return false;
            listed = true;
            return true;
        }
        const auto* bytes = reinterpret_cast<const unsigned char*>(m_buffer.data());
        for (size_t offset = 0;;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + offset);
            NameFromWide(std::wstring_view(info->FileName, info->FileNameLength / sizeof(wchar_t)),
                         entry.name);
            entry.isDirectory = (info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entry.size = static_cast<uint64_t>(info->EndOfFile.QuadPart);
            entry.writeTime = info->LastWriteTime.QuadPart;
            // A listing gives a link, junction or mount its own identity, not that of the folder
            // it leads to: those are opened and asked when the walk gets there. So is a folder
            // whose index is 0, which tells nothing. Dot-named folders are never walked.
            if (entry.isDirectory && (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
                info->FileId.QuadPart != 0 && !entry.name.empty() && entry.name[0] != '.')
                m_listed[folder + '\\' + entry.name] =
                    Listed{static_cast<uint64_t>(info->FileId.QuadPart), entry.writeTime};
            if (!visit(entry)) {
                listed = true;
                return true;
            }
            if (info->NextEntryOffset == 0) break;
            offset += info->NextEntryOffset;
        }
    }
}

bool Win32DirectoryEnumerator::FolderIndex(const std::string& folder, uint64_t& index) {
    // Known from its parent's listing: taken once, so the cache holds only the subfolders the
    // walk has yet to reach.
    m_nextFolder = folder;
    m_nextWriteTime = 0;
    auto listed = m_listed.find(folder);
    if (listed != m_listed.end()) {
        index = listed->second.index;
        m_nextWriteTime = listed->second.writeTime;
        m_listed.erase(listed);
        return true;
    }
    UniqueFile handle = OpenFolder(folder, false);
    if (!handle) return false;
    // The folder's own write time, on the handle that is open anyway: a folder reached through a
    // link, or below one the index answered for, has none from a listing.
    FILE_BASIC_INFO basic;
    if (::GetFileInformationByHandleEx(handle.get(), FileBasicInfo, &basic, sizeof basic))
        m_nextWriteTime = basic.LastWriteTime.QuadPart;
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
    UniqueFile handle = OpenFolder(folder, false);
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) return false;
    volume = info.dwVolumeSerialNumber;
    return true;
}

bool Win32DirectoryEnumerator::KeepsFolderTimes(const std::string& folder) {
    // Drive letters only: a UNC path is a share, and a share's folder times are the server's to
    // keep (some never change them, some lag behind a change made elsewhere).
    if (folder.size() < 2 || folder[1] != ':') return false;
    const char letter = static_cast<char>(folder[0] | 0x20);
    if (letter < 'a' || letter > 'z') return false;
    signed char& trust = m_driveTrust[letter - 'a'];
    if (trust == 0) {
        const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
        wchar_t fileSystem[MAX_PATH + 1] = L"";
        const UINT type = ::GetDriveTypeW(root);
        // NTFS and ReFS change a folder's write time whenever an entry is added, removed or
        // renamed in it; FAT and exFAT keep no such time for folders, and a network drive's (a
        // mapped share) is the server's. An unknown answer is taken as untrusted.
        const bool local = type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_RAMDISK;
        const bool keeps =
            local &&
            ::GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1) &&
            (::lstrcmpiW(fileSystem, L"NTFS") == 0 || ::lstrcmpiW(fileSystem, L"ReFS") == 0);
        trust = keeps ? 1 : -1;
    }
    return trust > 0;
}

bool Win32DirectoryEnumerator::TrustedWriteTime(const std::string& folder, int64_t& writeTime) {
    if (!KeepsFolderTimes(folder)) return false;
    if (folder == m_nextFolder && m_nextWriteTime != 0) {
        writeTime = m_nextWriteTime;
        return true;
    }
    UniqueFile handle = OpenFolder(folder, false);
    FILE_BASIC_INFO basic;
    if (!handle || !::GetFileInformationByHandleEx(handle.get(), FileBasicInfo, &basic, sizeof basic))
        return false;
    writeTime = basic.LastWriteTime.QuadPart;
    return writeTime != 0;
}

orv::LeadByteTest AnsiLeadByteTest() {
    // CP_UTF8 reports MaxCharSize 4, so a UTF-8 process code page sorts byte by byte.
    CPINFO info;
    if (::GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2) return &IsLeadByte;
    return nullptr;
}
