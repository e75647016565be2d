#pragma once
// The folder walk, one folder at a time, in the list's final (sorted) order as it goes.
//
// Each folder is read whole, its entries sorted by CompareNoCase with a subfolder's name taken as
// if followed by "\", and only then is the next folder read: depth first over those sorted
// entries is exactly the sort of the full paths, so a caller can show the first entries while the
// rest of the tree is still unread. The walk keeps its own stack (no recursion, one enumeration
// open at a time), so a tree thousands of folders deep costs memory in proportion to its depth and
// the entries of the folders on the current path, and nothing on the machine stack.
//
// One thread drives a walk; only the cancel flag may be set from another.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/show/PictureList.h"

namespace orv {

class FolderWalk {
public:
    // folder as NormalizeFolder leaves it. cancel may be null; when it becomes true, the walk
    // stops within the folder being read and Step returns false.
    FolderWalk(IDirectoryEnumerator& dir, std::string folder, PictureFilter filter,
               LeadByteTest isLeadByte = nullptr, const std::atomic<bool>* cancel = nullptr);
    // Several roots, walked one after the other in their order, each in the sorted order above;
    // no folder whose path is one of excluded (compared by PathKey) is entered. Roots and excluded
    // folders as WalkFoldersOf gives them: a root within another would be walked twice.
    FolderWalk(IDirectoryEnumerator& dir, std::vector<std::string> roots, std::vector<std::string> excluded,
               PictureFilter filter, LeadByteTest isLeadByte = nullptr,
               const std::atomic<bool>* cancel = nullptr);
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    // Reads at most one folder (whole, with one enumeration open at a time) and appends to out
    // the pictures that now come next in the final order. Returns false once the walk has ended
    // (or was cancelled); out may still have received entries in that call.
    bool Step(std::vector<std::string>& out);
    bool Ended() const { return m_ended; }

private:
    // A listed entry: a wanted file's name, or a subfolder's name followed by "\" (its sort key).
    struct Entry {
        std::string key;
        bool isDirectory = false;
    };
    // A folder on the walk's path: its sorted entries still to be taken, and its identity for the
    // loop guard when that could be told.
    struct Frame {
        size_t pathLength = 0;  // m_path's length while this folder is the deepest
        std::vector<Entry> entries;
        size_t next = 0;
        bool indexKnown = false;
        uint64_t index = 0;
        bool volumeAsked = false;
        bool volumeKnown = false;
        uint64_t volume = 0;
    };

    bool Cancelled() const;
    // Whether the walk goes into the subfolder name of the folder at m_path.
    bool Enters(const std::string& name) const;
    // Reads the folder at m_path (the guard first) and pushes its frame; false when it is not
    // entered (on the path already, unreadable, or the walk was cancelled while reading it).
    bool Enter();
    bool OnPath(Frame& candidate);
    bool Volume(Frame& frame, size_t pathLength, uint64_t& volume);
    void Pop();

    IDirectoryEnumerator& m_dir;
    PictureFilter m_filter;
    LeadByteTest m_isLeadByte;
    const std::atomic<bool>* m_cancel;
    std::vector<std::string> m_roots;
    size_t m_nextRoot = 0;  // the root walked once the current one has ended
    std::unordered_set<std::string> m_excludedKeys;
    std::string m_path;  // the folder being read, or the deepest one on the stack
    std::vector<Frame> m_stack;
    // How many folders on the path have each index: most folders meet none, so the guard costs
    // one look-up, however deep the walk.
    std::unordered_map<uint64_t, int> m_indexesOnPath;
    bool m_pending = true;  // m_path names a folder to read at the next Step
    bool m_ended = false;
};

}  // namespace orv
