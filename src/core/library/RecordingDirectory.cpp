#include "core/library/RecordingDirectory.h"

namespace orv {

bool RecordingDirectory::Enumerate(const std::string& pattern,
                                   const std::function<bool(const DirEntry&)>& visit) {
    m_listing.clear();
    // The folder is the pattern less its "\*.*".
    const size_t cut = pattern.rfind('\\');
    const std::string folder = cut == std::string::npos ? std::string() : pattern.substr(0, cut);
    int64_t writeTime = 0;
    if (m_recording && cut != std::string::npos && m_inner.TrustedWriteTime(folder, writeTime)) {
        if (m_index.UnchangedListing(folder, writeTime, m_listing)) {
            ++m_unlisted;
            for (const DirEntry& entry : m_listing)
                if (!visit(entry)) break;
            m_listing.clear();
            return true;
        }
    } else {
        writeTime = 0;
    }
    ++m_listed;
    bool whole = true;
    const bool listed = m_inner.Enumerate(pattern, [&](const DirEntry& entry) {
        if (m_recording) m_listing.push_back(entry);
        if (visit(entry)) return true;
        whole = false;
        return false;
    });
    if (m_recording && cut != std::string::npos) {
        if (!listed) {
            if (!m_index.FolderUnlisted(folder)) m_recording = false;
        } else if (whole && !m_index.FolderListed(folder, std::move(m_listing), m_filter, writeTime)) {
            m_recording = false;
        }
    }
    m_listing.clear();
    return listed;
}

}  // namespace orv
