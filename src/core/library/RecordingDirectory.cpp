#include "core/library/RecordingDirectory.h"

namespace orv {

bool RecordingDirectory::Enumerate(const std::string& pattern,
                                   const std::function<bool(const DirEntry&)>& visit) {
    m_listing.clear();
    bool whole = true;
    const bool listed = m_inner.Enumerate(pattern, [&](const DirEntry& entry) {
        if (m_recording) m_listing.push_back(entry);
        if (visit(entry)) return true;
        whole = false;
        return false;
    });
    // The folder is the pattern less its "\*.*".
    const size_t cut = pattern.rfind('\\');
    if (listed && whole && m_recording && cut != std::string::npos &&
        !m_index.FolderListed(pattern.substr(0, cut), m_listing, m_filter))
        m_recording = false;
    m_listing.clear();
    return listed;
}

}  // namespace orv
