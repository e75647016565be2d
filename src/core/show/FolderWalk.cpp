#include "core/show/FolderWalk.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "core/framework/Ascii.h"
#include "core/picture/PictureTypes.h"
#include "core/show/FolderRoots.h"

namespace orv {
namespace {

// Extensions are matched on ASCII case only, independent of the user's code page (PictureTypes).
bool IsWanted(const std::string& name, const PictureFilter& filter) {
    return IsListedPicture(name, filter.showBmp, filter.showJpg, filter.otherExtensions);
}

}  // namespace

FolderWalk::FolderWalk(IDirectoryEnumerator& dir, std::string folder, PictureFilter filter,
                       LeadByteTest isLeadByte, const std::atomic<bool>* cancel)
    : FolderWalk(dir, std::vector<std::string>{std::move(folder)}, {}, std::move(filter), isLeadByte,
                 cancel) {}

FolderWalk::FolderWalk(IDirectoryEnumerator& dir, std::vector<std::string> roots,
                       std::vector<std::string> excluded, PictureFilter filter, LeadByteTest isLeadByte,
                       const std::atomic<bool>* cancel)
    : m_dir(dir),
      m_filter(std::move(filter)),
      m_isLeadByte(isLeadByte),
      m_cancel(cancel),
      m_roots(std::move(roots)) {
    for (const std::string& folder : excluded)
        m_excludedKeys.insert(PathKey(folder));
    if (m_roots.empty()) {
        m_pending = false;
        m_ended = true;
        return;
    }
    m_path = m_roots[0];
    m_nextRoot = 1;
}

bool FolderWalk::Cancelled() const {
    return m_cancel != nullptr && m_cancel->load(std::memory_order_relaxed);
}

bool FolderWalk::Step(std::vector<std::string>& out) {
    if (m_ended) return false;
    if (Cancelled()) {
        m_ended = true;
        return false;
    }
    if (m_pending) {
        m_pending = false;
        const size_t parentLength = m_stack.empty() ? 0 : m_stack.back().pathLength;
        if (!Enter()) {
            if (m_ended) return false;  // cancelled while reading
            m_path.resize(parentLength);
        }
    }
    // Everything up to the next subfolder is known now; that one is read by the next Step.
    while (!m_stack.empty()) {
        Frame& top = m_stack.back();
        if (top.next == top.entries.size()) {
            Pop();
            continue;
        }
        Entry& entry = top.entries[top.next++];
        if (entry.isDirectory) {
            m_path += '\\';
            m_path.append(entry.key, 0, entry.key.size() - 1);  // the key without its "\"
            m_pending = true;
            return true;
        }
        out.push_back(m_path + '\\' + entry.key);
    }
    if (m_nextRoot < m_roots.size()) {
        m_path = m_roots[m_nextRoot++];
        m_pending = true;
        return true;
    }
    m_ended = true;
    return false;
}

bool FolderWalk::Enters(const std::string& name) const {
    // Skips "." and "..", and with them every dot-named folder (.git, .cache, ...), and the
    // folders servers keep for themselves, whatever the settings.
    if (name.empty() || name[0] == '.' || IsHousekeepingFolder(name)) return false;
    return m_excludedKeys.empty() || m_excludedKeys.count(PathKey(m_path + '\\' + name)) == 0;
}

bool FolderWalk::Enter() {
    Frame frame;
    frame.pathLength = m_path.size();
    frame.indexKnown = m_dir.FolderIndex(m_path, frame.index);
    if (frame.indexKnown && OnPath(frame)) return false;

    bool stopped = false;
    m_dir.Enumerate(m_path + "\\*.*", [&](const DirEntry& entry) {
        if (Cancelled()) {
            stopped = true;
            return false;
        }
        if (entry.isDirectory) {
            if (Enters(entry.name)) frame.entries.push_back({entry.name + '\\', true});
        } else if (IsWanted(entry.name, m_filter)) {
            frame.entries.push_back({entry.name, false});
        }
        return true;
    });
    // An unreadable folder just adds nothing; a cancelled one ends the walk.
    if (stopped || Cancelled()) {
        m_ended = true;
        m_stack.clear();
        m_indexesOnPath.clear();
        return false;
    }
    // Stable: names equal but for case (which Windows does not allow in one folder) keep the file
    // system's order, as the whole list's stable sort would.
    const LeadByteTest isLeadByte = m_isLeadByte;
    std::stable_sort(
        frame.entries.begin(), frame.entries.end(),
        [isLeadByte](const Entry& a, const Entry& b) { return CompareNoCase(a.key, b.key, isLeadByte) < 0; });
    if (frame.indexKnown) ++m_indexesOnPath[frame.index];
    m_stack.push_back(std::move(frame));
    return true;
}

void FolderWalk::Pop() {
    Frame& top = m_stack.back();
    if (top.indexKnown) {
        auto it = m_indexesOnPath.find(top.index);
        if (--it->second == 0) m_indexesOnPath.erase(it);
    }
    m_stack.pop_back();
    m_path.resize(m_stack.empty() ? 0 : m_stack.back().pathLength);
}

bool FolderWalk::Volume(Frame& frame, size_t pathLength, uint64_t& volume) {
    if (!frame.volumeAsked) {
        frame.volumeKnown = m_dir.FolderVolume(m_path.substr(0, pathLength), frame.volume);
        frame.volumeAsked = true;
    }
    volume = frame.volume;
    return frame.volumeKnown;
}

// True when the candidate is a folder on the path: the same index, and the same volume or one that
// cannot be told (then a loop is the likelier reading, and skipping it the safe one). Only the
// current path counts, not every folder seen: a folder linked from two places that do not loop
// shows its pictures under both.
bool FolderWalk::OnPath(Frame& candidate) {
    if (m_indexesOnPath.count(candidate.index) == 0) return false;
    for (Frame& other : m_stack) {
        if (!other.indexKnown || other.index != candidate.index) continue;
        uint64_t mine = 0;
        uint64_t theirs = 0;
        const bool knowMine = Volume(candidate, candidate.pathLength, mine);
        const bool knowTheirs = Volume(other, other.pathLength, theirs);
        if (!knowMine || !knowTheirs || mine == theirs) return true;
    }
    return false;
}

}  // namespace orv
