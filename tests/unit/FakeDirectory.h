#pragma once
// An in-memory IDirectoryEnumerator over a folder tree with backslash paths. Each folder lists
// its entries in the order they were added, after "." and ".." when the tree is built with them
// (a real folder below a drive root reports both first). Adding a path creates the folders on its way,
// each entered in its parent's listing when it is first created. The patterns asked for are
// recorded in order.
//
// Links: AddLink puts a folder entry into a listing that leads to another folder, as a symbolic
// link, a junction or a mount does. Paths through links resolve to the real folder, whose
// identity they share. Every enumeration counts against a budget, and paths deeper than 40
// folders enumerate nothing, so a walk that would never end stops as a failed test instead.
#include <algorithm>
#include <cstdint>
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
    // A folder entry at path (its parent is created) that leads to the folder target, which must
    // be a real folder (no link on its way).
    void AddLink(const std::string& path, const std::string& target) {
        EnsureFolder(target);
        Add(path, true);
        m_links[path] = target;
    }
    // The folder (reached by whatever path) whose identity cannot be told.
    void MakeUnidentifiable(const std::string& path) { m_unidentifiable.insert(path); }
    int enumerateBudget = 10000;
    int visited = 0;  // entries handed to a visit, the one that said stop included

    // The pattern for enumerating every entry of folder, as the walk builds it.
    static std::string PatternFor(const std::string& folder) { return folder + "\\*.*"; }

    bool Enumerate(const std::string& pattern,
                   const std::function<bool(const orv::DirEntry&)>& visit) override {
        patterns.push_back(pattern);
        const std::string suffix = "\\*.*";
        const bool endsWithSuffix =
            pattern.size() >= suffix.size() &&
            pattern.compare(pattern.size() - suffix.size(), suffix.size(), suffix) == 0;
        if (!endsWithSuffix) return false;
        // Depth and count are both bounded, so a walk without a working loop guard ends.
        if (--enumerateBudget < 0 || std::count(pattern.begin(), pattern.end(), '\\') > 40) return false;
        const std::string folder = Resolve(pattern.substr(0, pattern.size() - suffix.size()));
        auto it = m_folders.find(folder);
        if (it == m_folders.end() || m_unreadable.count(folder) != 0) return false;
        for (const orv::DirEntry& e : it->second) {
            ++visited;
            if (!visit(e)) break;
        }
        return true;
    }

    bool FolderIndex(const std::string& path, uint64_t& index) override {
        const std::string folder = Resolve(path);
        auto it = m_ids.find(folder);
        if (it == m_ids.end() || m_unidentifiable.count(folder) != 0) return false;
        index = it->second;
        return true;
    }
    bool FolderVolume(const std::string& path, uint64_t& volume) override {
        ++volumeQueries;
        const std::string folder = Resolve(path);
        if (m_ids.count(folder) == 0 || m_noVolume.count(folder) != 0) return false;
        auto it = m_volumes.find(folder);
        volume = it == m_volumes.end() ? 7 : it->second;
        return true;
    }
    // Gives a real folder the identity of another one, as a folder on another volume may have.
    void SetIdentity(const std::string& path, uint64_t volume, uint64_t index) {
        EnsureFolder(path);
        m_ids[path] = index;
        m_volumes[path] = volume;
    }
    uint64_t IndexOf(const std::string& path) const { return m_ids.at(Resolve(path)); }
    // The folder whose volume cannot be told.
    void HideVolume(const std::string& path) { m_noVolume.insert(path); }
    int volumeQueries = 0;

private:
    // The real folder a path leads to: each link on its way replaced by its target.
    std::string Resolve(const std::string& path) const {
        std::string real;
        size_t start = 0;
        for (;;) {
            const size_t slash = path.find('\\', start);
            real += path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            auto link = m_links.find(real);
            if (link != m_links.end()) real = link->second;
            if (slash == std::string::npos) return real;
            real += '\\';
            start = slash + 1;
        }
    }
    void Add(const std::string& path, bool isDirectory) {
        const size_t slash = path.rfind('\\');
        const std::string parent = slash == std::string::npos ? std::string() : path.substr(0, slash);
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        EnsureFolder(parent);
        m_folders[parent].push_back({name, isDirectory});
    }
    void EnsureFolder(const std::string& path) {
        if (m_folders.count(path) != 0) return;
        m_ids.emplace(path, m_ids.size() + 1);
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
    std::set<std::string> m_unidentifiable;
    std::map<std::string, std::string> m_links;
    std::map<std::string, uint64_t> m_ids;
    std::map<std::string, uint64_t> m_volumes;
    std::set<std::string> m_noVolume;
};
