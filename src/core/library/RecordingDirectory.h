#pragma once
// A directory enumerator that tells the library index what each folder held as the walk reads it:
// it hands every entry on to the walk unchanged and, once a listing has been read to its end,
// gives the index the whole listing (FolderListed). A listing the walk cut short (a cancel) is not
// recorded: the index keeps what it knew. Where the file system keeps folder times
// (TrustedWriteTime), a folder whose time is the one the index stored with its listing is not
// listed at all: the walk gets the index's entries for it instead (UnchangedListing). Used on the
// worker thread, as the walk it serves.
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
    bool TrustedWriteTime(const std::string& folder, int64_t& writeTime) override {
        return m_inner.TrustedWriteTime(folder, writeTime);
    }
    // False once the index failed a step: it no longer follows this walk, which goes on as before.
    bool Recording() const { return m_recording; }
    void StopRecording() { m_recording = false; }
    // Folders listed, and folders taken from the index unlisted, so far.
    size_t Listed() const { return m_listed; }
    size_t Unlisted() const { return m_unlisted; }

private:
    IDirectoryEnumerator& m_inner;
    LibraryIndex& m_index;
    PictureFilter m_filter;
    bool m_recording = true;
    size_t m_listed = 0;
    size_t m_unlisted = 0;
    std::vector<DirEntry> m_listing;
};

}  // namespace orv
