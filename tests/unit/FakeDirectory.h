#pragma once
// An in-memory IDirectoryEnumerator over a folder tree with backslash paths. Each folder lists
// its entries in the order they were added, after "." and ".." when the tree is built with them
// (a real folder below a drive root reports both first). Adding a path creates the folders on its way,
// each entered in its parent's listing when it is first created. The patterns asked for are
// recorded in order.
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/show/PictureList.h"

class FakeDirectory : public orv::IDirectoryEnumerator {
public:
    explicit FakeDirectory(bool dotEntries = true) : m_dotEntries(dotEntries) {}

    std::vector<std::string> patterns;

    // A file at path, e.g. "C:\\Pictures\\sub\\a.jpg"; creates "C:\\Pictures\\sub" and above.
    void AddFile(const std::string& path) { Add(path, false); }
    // A folder at path; an empty folder is enumerable and lists only the dot entries.
    void AddFolder(const std::string& path) { EnsureFolder(path); }
    // Keeps the folder in its parent's listing but makes its own enumeration fail.
    void MakeUnreadable(const std::string& path) {
        EnsureFolder(path);
        m_unreadable.insert(path);
    }
    // A raw entry added to folder's listing as given (no folder is created for a directory).
    void AddRawEntry(const std::string& folder, const std::string& name, bool isDirectory) {
        EnsureFolder(folder);
        m_folders[folder].push_back({name, isDirectory});
    }
    // The pattern for enumerating every entry of folder, as ScanFolder builds it.
    static std::string PatternFor(const std::string& folder) { return folder + "\\*.*"; }

    bool Enumerate(const std::string& pattern,
                   const std::function<void(const orv::DirEntry&)>& visit) override {
        patterns.push_back(pattern);
        const std::string suffix = "\\*.*";
        const bool endsWithSuffix =
            pattern.size() >= suffix.size() &&
            pattern.compare(pattern.size() - suffix.size(), suffix.size(), suffix) == 0;
        if (!endsWithSuffix) return false;
        const std::string folder = pattern.substr(0, pattern.size() - suffix.size());
        auto it = m_folders.find(folder);
        if (it == m_folders.end() || m_unreadable.count(folder) != 0) return false;
        for (const orv::DirEntry& e : it->second)
            visit(e);
        return true;
    }

private:
    void Add(const std::string& path, bool isDirectory) {
        const size_t slash = path.rfind('\\');
        const std::string parent = slash == std::string::npos ? std::string() : path.substr(0, slash);
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        EnsureFolder(parent);
        m_folders[parent].push_back({name, isDirectory});
    }
    void EnsureFolder(const std::string& path) {
        if (m_folders.count(path) != 0) return;
        std::vector<orv::DirEntry>& listing = m_folders[path];
        const size_t slash = path.rfind('\\');
        // A drive root ("C:") has no dot entries; every folder below it has both.
        if (m_dotEntries && slash != std::string::npos) {
            listing.push_back({".", true});
            listing.push_back({"..", true});
        }
        if (slash != std::string::npos) Add(path, true);
    }

    bool m_dotEntries;
    std::map<std::string, std::vector<orv::DirEntry>> m_folders;
    std::set<std::string> m_unreadable;
};
