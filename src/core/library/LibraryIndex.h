#pragma once
// The library index: an SQLite file that remembers, between runs, every picture of the configured
// folders (its folder, name, size and write time, the facts its header gives cheaply), each
// folder's write time, the random cycle and the sorted position, and the pictures the user hid.
//
// Who uses it: the picture window's worker thread alone opens it, records what the walk lists,
// and deals each next picture from it; nothing here is touched by a window's thread. Several
// processes may hold the file at once (a preview beside the full-screen saver, two desktops):
// WAL, a short busy time-out and one short transaction per step keep each from holding up the
// other; a step the other process keeps busy past the time-out fails, and the caller goes on
// without it.
//
// How the orders are stored:
//  - sorted: each picture has a position (`ord`) in the walk's order, spaced so that a picture
//    found later between two others takes a number between theirs; the last position dealt is
//    kept in `meta`, and the next deal takes the positions after it, wrapping at the end.
//  - random: each picture has a place in the cycle (`deal`) and a flag (`pending`) saying it is
//    still to be shown in this cycle. A deal takes the unclaimed pending pictures with the lowest
//    places and claims them (`claim`, the time) in the same transaction, so two processes never
//    deal the same picture at once; once shown, the flag is cleared. When no picture is pending,
//    a new cycle numbers the whole library by a Fisher-Yates shuffle. A picture found later takes
//    a uniformly drawn place, which puts it at a random place among those still pending.
// What a crash loses: what was shown is committed as it is shown (with the next deal's request);
// a crash loses at most the last picture's record, which then shows again. A deal prepared but
// never shown keeps its place, free again once its claim runs out.
//
// A walk's records are batched: the listings and deliveries queue in memory and are written
// together, in one short transaction, once the oldest has waited kBatchMs or the queue holds
// kBatchEntries entries. The write lock is held only while the batch is written, never while a
// folder is read, so the other process waits no longer than one batch's writing; a crash loses
// at most the last half second of the walk, which the next walk lists again. Every other call
// writes the queue first, so it always sees the whole walk so far.
//
// Folder write times: each folder keeps the write time it had when it was last listed whole (read
// before the listing, so a change during it shows as a newer time next time). Where the file
// system keeps folder times (TrustedWriteTime), a folder whose time is unchanged is not listed
// again: its pictures and subfolders come from here (UnchangedListing).
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/show/OrderRandom.h"
#include "core/show/PictureList.h"

struct sqlite3;

namespace orv {

// What the header of a picture gives cheaply; each unknown until the decode stores it.
// The date taken of a picture whose head was read and gave none: far outside any camera's range.
inline constexpr int64_t kNoDateTaken = INT64_MIN;

struct PictureFacts {
    std::optional<int> width;   // after the orientation
    std::optional<int> height;  // after the orientation
    // The date taken, seconds since 1970 in the camera's time; kNoDateTaken once the picture's
    // head was read and gave none; none before that (a size alone may be known from a header).
    std::optional<int64_t> taken;
    std::optional<double> latitude;
    std::optional<double> longitude;
};

// A picture a coming deal would give, with its size when the index knows it.
struct UpcomingPicture {
    std::string path;
    std::optional<int> width;   // after the orientation
    std::optional<int> height;  // after the orientation
};

// How Open went. Only Ready gives an index; every other outcome means the show runs without one.
enum class IndexOpen {
    Ready,        // opened (or made)
    SetAside,     // the file was damaged or not ours: renamed beside, and made again (Ready too)
    Unavailable,  // could not be opened or made: a read-only or full disk, a file held open
    Newer,        // written by a newer release: left as it is
};

class LibraryIndex {
public:
    static constexpr int kSchemaVersion = 1;

    // file: the database's path (UTF-8). draw: the cycle's generator. now: seconds since 1970,
    // for the name a damaged file is set aside under (file + ".damaged-<now>").
    static std::unique_ptr<LibraryIndex> Open(const std::string& file, OrderDraw draw, int64_t now,
                                              IndexOpen* outcome = nullptr);
    ~LibraryIndex();
    LibraryIndex(const LibraryIndex&) = delete;
    LibraryIndex& operator=(const LibraryIndex&) = delete;

    // True when the last walk of every one of these roots (and no other) ended under this filter
    // and found at least one picture: the show can start from the index at once.
    bool Covers(const std::vector<std::string>& roots, const std::string& filterKey);

    // A walk of these roots begins. Roots no longer configured lose their folders and pictures now;
    // the ones kept are incomplete until EndWalk.
    // excludedKey: the excluded folders, as one string; a change of it or of the filter means the
    // folders' stored listings no longer tell what a listing would give, so none is trusted.
    bool BeginWalk(const std::vector<std::string>& roots, const std::string& filterKey,
                   const std::string& excludedKey = {});
    // The walk read this folder whole: its pictures (the entries the filter keeps) and subfolders.
    // Pictures and subfolders no longer there are dropped; new pictures are remembered until the
    // walk delivers them in order (Delivered). writeTime: the folder's own write time read before
    // the listing, where the file system keeps it (TrustedWriteTime); 0 when unknown.
    bool FolderListed(const std::string& folder, std::vector<DirEntry> entries, const PictureFilter& filter,
                      int64_t writeTime = 0);
    // When the folder was listed whole under this walk's filter and exclusions at exactly this
    // write time: its pictures (name, size, write time) and the subfolders the walk entered, as a
    // listing would give them, into out, and the folder counts as seen by this walk. False
    // otherwise (then it must be listed).
    bool UnchangedListing(const std::string& folder, int64_t writeTime, std::vector<DirEntry>& out);
    // The walk could not list this folder: its parent's stored listing no longer stands, since
    // the parent's write time does not change when the folder becomes readable again.
    bool FolderUnlisted(const std::string& folder);
    // The walk's entries in their final order: new ones get their sorted position and a place in
    // the cycle.
    bool Delivered(const std::vector<std::string>& paths);
    // The walk reached its end: every folder it did not enter is dropped with its pictures, and
    // the roots count as covered.
    bool EndWalk();

    // First records `shown`, the pictures that went on screen since the last deal: they leave the
    // cycle's pending ones, and the sorted order goes on after the last of them at the next start.
    // Then deals the next `count` pictures (one a monitor), in the same transaction. Random: from
    // the cycle, starting a new one when it runs out; each is claimed for a while (now: seconds
    // since 1970), so that no other process deals it meanwhile. Sorted: after the last position
    // this connection dealt (at first, after the last one shown), wrapping. Hidden pictures are
    // never dealt. Fewer than count when the library has fewer; nothing on an error (the file is
    // then of no use for this deal).
    std::optional<std::vector<std::string>> Deal(bool random, size_t count, int64_t now,
                                                 const std::vector<std::string>& shown = {});

    // Portrait pairs. The pictures the next deals would give, up to count, in their order, without
    // claiming or moving anything: random, the unclaimed pending ones of this cycle (never a new
    // cycle's); sorted, those after this connection's position, up to the end (never wrapping,
    // so a round's last picture does not pair with its first). Nothing on an error.
    std::optional<std::vector<UpcomingPicture>> Upcoming(bool random, size_t count, int64_t now);
    // Takes one of them for the deal under way, as Deal takes its pictures: random, claims it, so
    // the pictures it passed over stay pending at their places and come next; sorted, the
    // position moves to it (the next of Upcoming, or there would be a gap).
    bool Take(bool random, const std::string& path, int64_t now);

    // The sorted order starts again at the first picture (this connection's next sorted deal).
    void RestartSorted() {
        m_sortedCursor = INT64_MIN;
        m_cursorFollowsShown = true;
    }

    // A picture that has gone from the disk: dropped from the index and the cycle.
    bool Forget(const std::string& path);
    // A hidden picture stays in the index (so a later walk does not bring it back as new) and is
    // never dealt until ClearHidden; one deleted from the disk goes with its flag.
    bool SetHidden(const std::string& path, bool hidden);
    // Every hidden picture shows again. False on an error (another process kept the file busy
    // past the time-out).
    bool ClearHidden();
    // The hidden pictures' paths, for a walk that feeds the show's own list (the index does not
    // cover its folders yet); empty on an error.
    std::vector<std::string> HiddenPaths();
    int64_t HiddenCount();
    bool StoreFacts(const std::string& path, const PictureFacts& facts);
    // The picture's upright size alone, the other facts left as they are: what a decode or a
    // header read found. True when the statement ran (a picture the index does not hold, or whose
    // size it knows already, is left as it is).
    bool StoreSize(const std::string& path, int width, int height);
    std::optional<PictureFacts> Facts(const std::string& path);

    // The number of pictures, and of those still to be shown in this cycle (hidden ones left out).
    int64_t Count();
    int64_t Pending();

    // Writes the walk's queued records now; false when they could not be (the walk's records from
    // the last written batch on are lost, and its later ones refused until the next BeginWalk).
    // The owner calls it before it lets the index go: the destructor writes nothing, since it may
    // run on a thread that must not wait for the file.
    bool Flush();

    static constexpr int kBatchMs = 500;
    static constexpr size_t kBatchEntries = 20000;

private:
    struct Statements;
    // A walk's record waiting for its batch.
    struct Queued {
        enum Kind { Listed, Delivered, Kept, Unlisted } kind;
        std::string folder;              // Listed, Kept, Unlisted
        int64_t writeTime = 0;           // Listed
        std::vector<DirEntry> entries;   // Listed
        std::vector<std::string> paths;  // Delivered
    };
    bool Queue(Queued&& record, size_t entries);
    // ok, noting whether the step that failed met a damaged file.
    bool Watch(bool ok);
    bool BeginWalkSteps(const std::vector<std::string>& roots, const std::string& filterKey,
                        const std::string& excludedKey);
    bool EndWalkSteps();
    std::optional<std::vector<std::string>> DealSteps(bool random, size_t count, int64_t now,
                                                      const std::vector<std::string>& shown);
    bool ApplyListed(const Queued& record);
    bool StoredListing(const std::string& folder, int64_t writeTime, std::vector<DirEntry>& out);
    bool ApplyDelivered(const std::vector<std::string>& paths);
    explicit LibraryIndex(sqlite3* db, OrderDraw draw);
    bool Exec(const char* sql);
    // The sorted position this connection deals after: its own, else the last one shown.
    int64_t SortedCursor();
    bool NewCycle(const std::vector<std::string>& recent, size_t count);
    // last: the sorted position of the last of them the index knows.
    bool RecordShown(const std::vector<std::string>& paths, std::optional<int64_t>& last);
    std::optional<int64_t> FolderId(const std::string& folder, bool create, int64_t writeTime);

    sqlite3* m_db;
    OrderDraw m_draw;
    std::unique_ptr<Statements> m_st;
    int64_t m_mark = 0;  // the walk under way
    // New pictures a listing found, waiting for their place in the walk's order.
    std::unordered_map<std::string, DirEntry> m_fresh;
    // Folders with such pictures: their write time is stored once the last of them is in, so that
    // a walk cut short never leaves a folder looking listed whole without them.
    struct FreshFolder {
        int64_t writeTime = 0;
        size_t left = 0;
    };
    std::unordered_map<std::string, FreshFolder> m_freshFolders;
    int64_t m_lastOrd = 0;                  // the sorted position of the walk's last delivered entry
    std::optional<int64_t> m_sortedCursor;  // the sorted position this connection dealt last
    // Restarted and not yet dealt from: the show may have gone on from its own list meanwhile (a
    // walk that completes the index under a running show), so the first pictures it records as
    // shown move the cursor to the last of them, and the index goes on after it.
    bool m_cursorFollowsShown = false;
    std::vector<Queued> m_queue;
    size_t m_queuedEntries = 0;
    std::chrono::steady_clock::time_point m_queuedSince;
    PictureFilter m_walkFilter;  // the filter of the queued listings
    bool m_batchFailed = false;  // a batch of this walk could not be written
    std::string m_file;          // where it was opened
    int64_t m_openedAt = 0;      // the open's time, for the name a damaged file is set aside under
    bool m_damaged = false;      // a step met a damaged page: set aside when the index goes
};

// The index's file under a local application-data folder: <folder>\Orvanta\Library.db.
std::string LibraryFileIn(const std::string& localAppData);
// The filter's part of what the index covers: the same pictures are listed under equal keys.
std::string FilterKey(const PictureFilter& filter);

}  // namespace orv
