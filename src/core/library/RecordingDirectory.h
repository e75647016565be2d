#pragma once
// A directory enumerator that tells the library index what each folder held as the walk reads it:
// it hands every entry on to the walk unchanged and, once a listing has been read to its end,
// gives the index the whole listing (FolderListed). A listing the walk cut short (a cancel) is not
// recorded: the index keeps what it knew. Used on the worker thread, as the walk it serves.
#include "core/library/LibraryIndex.h"
#include "core/show/PictureList.h"

namespace orv {

class RecordingDirectory final : public IDirectoryEnumerator {
public:
    RecordingDirectory(IDirectoryEnumerator& inner, LibraryIndex& index, PictureFilter filter)
        : m_inner(inner), m_index(index), m_filter(std::move(filter)) {}

    bool Enumerate(const std::string& pattern, const std::function<bool(const DirEntry&)>& visit) override;
    bool FolderIndex(const std::string& folder, uint64_t& index) override {
        return m_inner.FolderIndex(folder, index);
    }
    bool FolderVolume(const std::string& folder, uint64_t& volume) override {
        return m_inner.FolderVolume(folder, volume);
    }
    // False once the index failed a step: it no longer follows this walk, which goes on as before.
    bool Recording() const { return m_recording; }
    void StopRecording() { m_recording = false; }

private:
    IDirectoryEnumerator& m_inner;
    LibraryIndex& m_index;
    PictureFilter m_filter;
    bool m_recording = true;
    std::vector<DirEntry> m_listing;
};

}  // namespace orv
