#include "show/ShowWorker.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <new>
#include <optional>
#include <unordered_set>
#include <utility>

#include <ctime>

#include "core/library/LibraryIndex.h"
#include "core/library/RecordingDirectory.h"
#include "core/show/Caption.h"
#include "core/show/FolderWalk.h"
#include "core/picture/SystemDecoder.h"
#include "core/show/Monitors.h"
#include "core/show/Pairs.h"
#include "framework/ComPtr.h"
#include "framework/TextConvert.h"
#include "framework/TextFile.h"
#include "framework/WidePath.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "show/HiddenPictures.h"
#include "show/InfoReader.h"
#include "show/Win32Directory.h"

namespace {

// Worker thread. The load-failure caption: string 103 with the picture's path for its "%s".
std::string LoadFailureText(const std::string& path) {
    std::string format = AfxLoadString(IDS_LOAD_FAILED);
    if (format.empty()) format = "%s: Unsupported file format";
    const int n = std::snprintf(nullptr, 0, format.c_str(), path.c_str());
    if (n <= 0) return format;
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(&text[0], text.size(), format.c_str(), path.c_str());
    text.resize(static_cast<size_t>(n));
    return text;
}

// Worker thread. The caption file beside the picture, in UTF-8. A missing or unreadable file is no
// caption; so is one there is no memory to read (the file layer reports its failures as results).
std::string ReadCaptionText(const std::string& picturePath) {
    std::string bytes;
    try {
        const std::string textPath = orv::CaptionFileName(picturePath);
        if (!ReadFileBounded(textPath.c_str(), orv::kCaptionReadBytes, bytes)) return {};
        // The caption is kept in UTF-8 whatever the file's encoding; a file with neither a mark
        // nor valid UTF-8 is in the legacy code page, as every caption was before.
        const UINT legacyCodePage = LegacyAnsiCodePage();
        return orv::CaptionTextFromFile(
            bytes, bytes.size() < orv::kCaptionReadBytes,
            [legacyCodePage](std::string_view raw) { return Utf8FromCodePage(legacyCodePage, raw); });
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// How long Stop waits for the thread to end: an idle one (asleep on its condition variable) wakes
// and ends within it unless the machine is very busy; one inside a system call or a decode is
// released instead, and so is an idle one that misses it, at no cost but the C runtime's orderly
// exit (WinApp.cpp). Short enough that the display settings, whose thread sends a preview its
// WM_DESTROY, never notice it.
constexpr DWORD kStopWaitMs = 20;

// Worker thread. Whether a picture whose load failed is no longer there at all: such a picture
// the index listed is passed over without the failure box; one that is there but damaged gets it.
bool Vanished(const std::string& path) {
    if (::GetFileAttributesW(LongWidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// How many pictures a deal from the index passes over as vanished before it gives up on a slide.
constexpr int kVanishedTries = 16;

// Worker thread. The upright size of a picture that pairing weighs: given (the index's coming
// pictures carry it), else the index's facts, else its header's, which the index then keeps.
// Nullopt when none can tell: such a picture shows alone.
std::optional<orv::Size> PairingSize(const std::string& path, orv::LibraryIndex* index,
                                     std::optional<int> width = std::nullopt,
                                     std::optional<int> height = std::nullopt, bool askIndex = true) {
    if (width && height && *width > 0 && *height > 0) return orv::Size{*width, *height};
    if (index && askIndex) {
        const std::optional<orv::PictureFacts> facts = index->Facts(path);
        if (facts && facts->width && facts->height && *facts->width > 0 && *facts->height > 0)
            return orv::Size{*facts->width, *facts->height};
    }
    const std::optional<orv::Size> size = CDibImage::ReadSize(path.c_str());
    if (size && index) index->StoreSize(path, size->cx, size->cy);
    return size;
}

// Worker thread. A decoded picture's upright size goes into the index, so that pairing finds it
// there next time without reading the header.
void RememberSize(orv::LibraryIndex* index, const std::string& path, const PreparedSlide& slide) {
    if (index && slide.picture) index->StoreSize(path, slide.picture->GetWidth(), slide.picture->GetHeight());
}

orv::Size SizeOfRect(const orv::Rect& r) { return orv::Size{r.Width(), r.Height()}; }

// How many of a walk's entries wake the window as each folder brings them, and how often the
// rest do (CShowWorker::Run).
constexpr size_t kWalkPostAtOnce = 1000;
constexpr ULONGLONG kWalkPostMs = 100;
// How long a walk behind a covering index waits for the show's first deal before its first step.
constexpr ULONGLONG kFirstDealMs = 1000;

}  // namespace

// One walk of the picture folders: a step reads one folder and hands over the entries that now
// come next in the list's final (sorted) order. Made on the owner's thread; stepped on the worker
// thread, which alone touches everything but the cancel flag.
struct CShowWorker::Walk {
    explicit Walk(const WalkJob& job) : id(job.walk), job(job) {}

    // Worker thread: the first step makes the walk, asking the imaging component (COM, the
    // registry) which extensions "Others" stands for; the window's thread never waits for that.
    // With an index, the walk records what it lists into it; indexed tells whether the index
    // already covers these folders, so that the show can deal from it at once.
    void Begin(orv::LibraryIndex* index) {
        orv::PictureFilter filter;
        filter.showBmp = job.showBmp;
        filter.showJpg = job.showJpg;
        if (job.showOther) filter.otherExtensions = orv::SystemOtherExtensions();
        // The roots and exclusions come made (WalkFoldersOf) from the settings.
        const std::vector<std::string>& roots = job.roots;
        orv::IDirectoryEnumerator* lister = &dir;
        if (index) {
            // Pictures hidden in earlier runs stay out of the list this walk feeds.
            for (std::string& path : index->HiddenPaths())
                hidden.insert(std::move(path));
            if (job.fromFirst) index->RestartSorted();
            filterKey = orv::FilterKey(filter);
            indexed = index->Covers(roots, filterKey);
            for (const std::string& folder : job.excluded)
                excludedKey += folder + '\n';
            // The walk's own start in the index (BeginWalk, which drops what the settings no
            // longer show) waits for the first step: the window hears that the index covers the
            // folders now, and its first deal goes ahead of it (Run holds the step for it).
            recorder = std::make_unique<orv::RecordingDirectory>(dir, *index, filter);
            lister = recorder.get();
            beginPending = true;
        }
        walk = std::make_unique<orv::FolderWalk>(*lister, roots, job.excluded, filter, AnsiLeadByteTest(),
                                                 &cancel);
    }
    // Worker thread. The walk's next folder; the entries are recorded in the index, which at the
    // walk's end drops what was not found.
    bool Step(std::vector<std::string>& entries, orv::LibraryIndex* index) {
        if (beginPending) {
            beginPending = false;
            if (!index || !index->BeginWalk(job.roots, filterKey, excludedKey)) recorder->StopRecording();
        }
        walk->Step(entries);
        if (recorder && recorder->Recording() && index && !cancel) {
            if (!index->Delivered(entries)) recorder->StopRecording();
            if (walk->Ended() && recorder->Recording() && !index->EndWalk()) recorder->StopRecording();
        }
        return walk->Ended();
    }
    // Worker thread: the index now covers the walk's folders (it did from the start, or this walk
    // has just completed it).
    bool Covered() const { return indexed || (recorder && recorder->Recording() && walk && walk->Ended()); }
    // Worker thread, under the lock.
    bool Ended() const { return failed || (walk && walk->Ended()); }

    uint64_t id = 0;
    WalkJob job;
    std::atomic<bool> cancel{false};         // any thread
    bool failed = false;                     // a step ran out of memory: the walk ends where it is
    bool indexed = false;                    // the index covered the folders when the walk began
    std::unordered_set<std::string> hidden;  // the index's hidden pictures when the walk began
    bool beginPending = false;               // the index has yet to hear of this walk (BeginWalk)
    std::string filterKey, excludedKey;
    Win32DirectoryEnumerator dir;
    std::unique_ptr<orv::RecordingDirectory> recorder;  // with an index
    std::unique_ptr<orv::FolderWalk> walk;
    size_t delivered = 0;     // entries handed to the window so far (worker thread)
    ULONGLONG postedAt = 0;   // when the last of them woke the window (GetTickCount64)
    ULONGLONG holdUntil = 0;  // under the lock: no step before this time unless a deal came first
};

// What the owner and the thread share. The owner makes it and drops its reference when it stops;
// the thread holds its own until it returns, so whichever goes last frees it.
struct CShowWorker::State {
    State(HWND hNotify, UINT message) : hNotify(hNotify), message(message) {}

    // Worker thread, under the lock. One wake-up at a time: the window drains everything at once.
    // Nothing after a stop: the window may be gone, and its handle may name another window by
    // then. Stop sets the flag under the lock, so no post can follow its return.
    void Post() {
        if (stop || posted) return;
        posted = ::PostMessageA(hNotify, message, 0, 0) != FALSE;
    }

    const HWND hNotify;
    const UINT message;

    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
    // Written under the lock; read under it, and by a deal between two slides without it.
    std::atomic<bool> stop{false};
    // Under the lock:
    bool posted = false;  // a wake-up is on its way and the window has not drained yet
    std::unique_ptr<DealJob> redo;
    std::unique_ptr<DealJob> next;
    std::vector<std::string> hide;  // pictures the user hid, for the index
    std::shared_ptr<Walk> walk;
    WorkerMail mail;
    // The worker thread's alone, never under the lock: the library index, opened on the first
    // walk; null when it cannot be had, and from the first failure of a deal on.
    std::unique_ptr<orv::LibraryIndex> index;
    bool indexTried = false;
    // A deal found the index of no use: later walks and deals go without it. The object stays,
    // since the walk under way may still be recording into it.
    bool indexBroken = false;
    // The worker thread's alone: every picture hidden in this run, kept out of what it hands over
    // whether or not the index took it.
    std::unordered_set<std::string> hidden;
    // The worker thread's alone: the information line's reader (its country names, as found).
    CInfoReader info;

    // Worker thread, without the lock. The index, opened on first use; null without one.
    orv::LibraryIndex* Index() {
        if (!indexTried) {
            indexTried = true;
            const std::string file = LibraryIndexFile(true);
            // A damaged or foreign file is set aside inside Open; any other failure (a read-only
            // profile, a full disk, the file held open without sharing, a newer release's index)
            // leaves the show as it is without an index, and nothing is said.
            if (!file.empty())
                index = orv::LibraryIndex::Open(file, orv::EntropyOrderDraw(),
                                                static_cast<int64_t>(std::time(nullptr)));
        }
        return indexBroken ? nullptr : index.get();
    }
};

// Window's thread, as every member below up to ThreadMain.
CShowWorker::CShowWorker() = default;

CShowWorker::~CShowWorker() { Stop(); }

bool CShowWorker::Start(HWND hNotify, UINT message) {
    if (m_thread) return true;
    try {
        auto state = std::make_shared<State>(hNotify, message);
        // The thread's own reference, handed over through the start; taken back should it fail.
        auto reference = std::make_unique<std::shared_ptr<State>>(state);
        if (!m_thread.Start(&CShowWorker::ThreadMain, reference.get())) return false;
        reference.release();
        m_state = std::move(state);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void CShowWorker::Stop() {
    if (!m_thread) return;
    {
        SrwLockGuard lock(m_state->lock);
        m_state->stop = true;
        if (m_state->walk) m_state->walk->cancel = true;
    }
    ::WakeAllConditionVariable(&m_state->wake);
    // An open or a read of a share that answers slowly ends now where the driver allows; the
    // thread then finds the stop. One that cannot be cancelled just finishes later, alone.
    m_thread.CancelSynchronousIo();
    m_thread.JoinOrRelease(kStopWaitMs);
    // Joined or not, the owner is done: what the thread left goes with the last reference.
    m_state.reset();
}

void CShowWorker::StartWalk(const WalkJob& job) {
    if (!m_state) return;
    auto next = std::make_shared<Walk>(job);
    {
        SrwLockGuard lock(m_state->lock);
        if (m_state->walk) m_state->walk->cancel = true;
        m_state->walk = std::move(next);
        // What an older walk delivered is of no use any more.
        m_state->mail.walk = WalkResult{};
    }
    ::WakeAllConditionVariable(&m_state->wake);
}

void CShowWorker::Prepare(DealJob job) {
    if (!m_state) return;
    auto request = std::make_unique<DealJob>(std::move(job));
    {
        SrwLockGuard lock(m_state->lock);
        (request->redo ? m_state->redo : m_state->next) = std::move(request);
    }
    ::WakeAllConditionVariable(&m_state->wake);
}

void CShowWorker::Hide(const std::string& path) {
    if (!m_state) return;
    try {
        SrwLockGuard lock(m_state->lock);
        m_state->hide.push_back(path);
    } catch (const std::bad_alloc&) {
        return;  // the controller keeps it out of this run all the same
    }
    ::WakeAllConditionVariable(&m_state->wake);
}

WorkerMail CShowWorker::Drain() {
    if (!m_state) return {};
    SrwLockGuard lock(m_state->lock);
    WorkerMail mail = std::move(m_state->mail);
    m_state->mail = WorkerMail{};
    m_state->posted = false;
    return mail;
}

unsigned __stdcall CShowWorker::ThreadMain(void* param) {
    // Worker thread. The reference Start made for it: the state lives while this thread runs,
    // whether or not its owner is still there.
    const std::shared_ptr<State> state = std::move(*static_cast<std::shared_ptr<State>*>(param));
    delete static_cast<std::shared_ptr<State>*>(param);
    // The imaging component's decoders run here: COM for this thread, in the multithreaded
    // apartment, since the thread pumps no messages.
    ComScope com(ComApartment::Multi);
    // Run answers what the allocator breaks; anything else thrown is a bug, and ends the process
    // (std::terminate) rather than show as a picture that failed to load.
    Run(*state);
    return 0;
}

void CShowWorker::Run(State& state) {
    // Worker thread. Every piece of work runs outside the lock and is handed over under it.
    SrwLockGuard lock(state.lock);
    for (;;) {
        while (!state.stop && state.hide.empty() && !state.redo && !state.next) {
            const Walk* walk = state.walk.get();
            if (!walk || walk->Ended()) {
                lock.Wait(state.wake);
                continue;
            }
            // A walk behind an index that covers the folders lets the show's first deal go ahead
            // of its first step (which begins it in the index, a write of its own), for at most
            // kFirstDealMs should the window ask for none.
            const ULONGLONG now = ::GetTickCount64();
            if (walk->holdUntil == 0 || now >= walk->holdUntil) break;
            lock.WaitFor(state.wake, static_cast<DWORD>(walk->holdUntil - now));
        }
        if (state.stop) {
            // What the walk recorded since its last batch: written here, on the worker, whose
            // state the window's thread may be the last to let go of.
            SrwLockGuard::Unlocked outside(lock);
            if (state.index) state.index->Flush();
            return;
        }

        if (!state.hide.empty()) {
            // Before any deal: the next one must not bring the picture back.
            std::vector<std::string> hide = std::move(state.hide);
            state.hide.clear();
            SrwLockGuard::Unlocked outside(lock);
            state.Index();  // opened if no walk did yet
            for (const std::string& path : hide) {
                try {
                    state.hidden.insert(path);
                } catch (const std::bad_alloc&) {
                }
                // A picture the index does not hold (it has not heard of it yet, or it is not
                // to be had) stays out of this run alone.
                if (state.index) state.index->SetHidden(path, true);
            }
            continue;
        }

        if (std::unique_ptr<DealJob> job = state.redo ? std::move(state.redo) : std::move(state.next)) {
            if (state.walk) state.walk->holdUntil = 0;
            DealResult result;
            result.generation = job->generation;
            result.redo = job->redo;
            result.browse = job->browse;
            // The allocator is the one thing that fails here without a result of its own. A deal it
            // broke still answers, with no slides: the window shows black for it and goes on,
            // rather than hold its timer for ever. (Should not even that answer fit, the window
            // waits as for a slow disk.)
            try {
                bool dealt = false;
                {
                    SrwLockGuard::Unlocked outside(lock);
                    dealt = DealSlides(*job, state, result);
                    job.reset();
                }
                if (!dealt) return;  // a stop came between two slides
            } catch (const std::bad_alloc&) {
                result.slides.clear();
            }
            try {
                if (!state.stop) state.mail.deals.push_back(std::move(result));
                state.Post();
            } catch (const std::bad_alloc&) {
            }
            continue;
        }

        const std::shared_ptr<Walk> walk = state.walk;
        std::vector<std::string> entries;
        bool ended = false;
        bool begun = false;
        try {
            SrwLockGuard::Unlocked outside(lock);
            if (!walk->walk) {
                walk->Begin(state.Index());
                begun = true;
            } else {
                ended = walk->Step(entries, state.indexBroken ? nullptr : state.index.get());
                if (!walk->hidden.empty() || !state.hidden.empty())
                    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                                 [&](const std::string& path) {
                                                     return walk->hidden.count(path) != 0 ||
                                                            state.hidden.count(path) != 0;
                                                 }),
                                  entries.end());
            }
        } catch (const std::bad_alloc&) {
            // The walk ends with what it delivered so far: the show goes on with that list.
            walk->failed = true;
            entries.clear();
            ended = true;
        }
        if (state.stop || walk != state.walk || walk->cancel) continue;
        if (walk->indexed && !walk->failed) {
            // The show deals from the index at once; the walk only brings it up to date, behind.
            if (begun) {
                state.mail.walk = WalkResult{walk->id, {}, false, true};
                state.Post();
                walk->holdUntil = ::GetTickCount64() + kFirstDealMs;
            }
            continue;
        }
        // A walk replaced meanwhile delivers nothing: its entries belong to another list. A folder
        // that added nothing (only subfolders, say) is not worth waking the window for.
        if (entries.empty() && !ended) continue;
        WalkResult& mail = state.mail.walk;
        // A new walk's result is moved in whole, and appending may fail: then the walk ends
        // there, as above, with nothing more to allocate.
        if (mail.walk != walk->id) mail = WalkResult{walk->id, {}, false};
        try {
            mail.entries.insert(mail.entries.end(), std::make_move_iterator(entries.begin()),
                                std::make_move_iterator(entries.end()));
        } catch (const std::bad_alloc&) {
            walk->failed = true;
            ended = true;
        }
        mail.ended = ended;
        // The walk has just completed the index: the show deals from it from here on.
        if (ended && !walk->failed && walk->Covered() && !state.indexBroken) mail.indexed = true;
        // Every wake-up costs the window's thread a round of its message loop (and under Wine a
        // few server calls), and a large tree hands over hundreds of folders a second. So once
        // the list holds enough to deal from, the walk's entries wake the window at most every
        // kWalkPostMs; they wait in the mail meanwhile, where a deal's wake-up takes them too.
        // The first ones and the end go at once: the show may be waiting for them.
        walk->delivered += entries.size();
        const ULONGLONG now = ::GetTickCount64();
        if (ended || walk->delivered < kWalkPostAtOnce || now - walk->postedAt >= kWalkPostMs) {
            walk->postedAt = now;
            state.Post();
        }
    }
}

bool CShowWorker::DealSlides(const DealJob& job, State& state, DealResult& result) {
    // Worker thread, without the lock. Each slide can take long (a slow open, a large decode):
    // a stop is looked for before each, and stops the deal, whose result is then of no use.
    result.slides.reserve(job.slides.size());
    if (job.pairs)
        return job.fromIndex ? DealPairsFromIndex(job, state, result) : DealPairsFromList(job, state, result);
    if (job.fromIndex) return DealFromIndex(job, state, result);
    orv::LibraryIndex* index = state.indexBroken ? nullptr : state.index.get();
    for (const SlideJob& slide : job.slides) {
        if (state.stop) return false;
        result.slides.push_back(LoadSlide(slide, job));
        RememberSize(index, slide.path, result.slides.back());
        if (job.showInfo) AddInfo(result.slides.back(), slide.path, state);
    }
    return !state.stop;
}

// Worker thread. The picture drawn at its target's size times zoom (never above its own size)
// into 32-bit pixels. The memory context and the DIB section are made and freed here: no GDI
// object leaves this thread, only the plain pixels. Empty when GDI or memory runs short.
orv::BgraPixels CShowWorker::BgraAtDrawnSize(const CDibImage& picture, const orv::Rect& target, double zoom) {
    orv::BgraPixels out;
    const int width = picture.GetWidth(), height = picture.GetHeight();
    if (target.Width() <= 0 || target.Height() <= 0) return out;
    const int cx = std::min(width, std::max(1, static_cast<int>(std::ceil(target.Width() * zoom))));
    const int cy = std::min(height, std::max(1, static_cast<int>(std::ceil(target.Height() * zoom))));
    HDC dc = ::CreateCompatibleDC(nullptr);
    if (!dc) return out;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ original = ::SelectObject(dc, bitmap);
        if (original && picture.Draw(dc, RECT{0, 0, cx, cy}, RECT{0, 0, width, height})) {
            ::GdiFlush();
            try {
                const uint32_t* p = static_cast<const uint32_t*>(bits);
                out.pixels.assign(p, p + static_cast<size_t>(cx) * static_cast<size_t>(cy));
                out.size = orv::Size{cx, cy};
            } catch (const std::bad_alloc&) {
                out = orv::BgraPixels();
            }
        }
        if (original) ::SelectObject(dc, original);
    }
    if (bitmap) ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    return out;
}

bool CShowWorker::DealFromIndex(const DealJob& job, State& state, DealResult& result) {
    // Worker thread, without the lock. The index chooses, and commits the choice as it makes it.
    orv::LibraryIndex* index = state.Index();
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    // What went on screen since the last deal is committed first: a crash from here on loses
    // nothing of it.
    std::optional<std::vector<std::string>> dealt;
    if (index) dealt = index->Deal(job.randomOrder, job.slides.size(), now, job.shown);
    if (!dealt || dealt->empty()) {
        // Of no use now (another process kept it busy past the time-out, the disk failed, it
        // holds nothing any more): the show walks as without an index from here on.
        state.indexBroken = true;
        result.indexLost = true;
        return !state.stop;
    }
    const std::vector<std::string>& paths = *dealt;
    for (size_t i = 0; i < paths.size() && i < job.slides.size(); ++i) {
        if (state.stop) return false;
        SlideJob slide = job.slides[i];
        slide.path = NotHidden(paths[i], job, state, *index, now);
        LoadDealt(std::move(slide), job, state, *index, now, result);
    }
    return !state.stop;
}

std::string CShowWorker::NotHidden(std::string path, const DealJob& job, State& state,
                                   orv::LibraryIndex& index, int64_t now) {
    // Hidden in this run after the index failed to take it: passed over like a vanished one.
    for (int tries = 0; state.hidden.count(path) != 0 && tries < kVanishedTries; ++tries) {
        const std::optional<std::vector<std::string>> next = index.Deal(job.randomOrder, 1, now);
        if (!next || next->empty()) break;
        path = next->front();
    }
    return path;
}

void CShowWorker::LoadDealt(SlideJob slide, const DealJob& job, State& state, orv::LibraryIndex& index,
                            int64_t now, DealResult& result) {
    PreparedSlide prepared = LoadSlide(slide, job);
    // A picture gone since the index listed it is passed over: dropped, and the next one taken
    // in its place.
    for (int tries = 0; !prepared.picture && tries < kVanishedTries && !state.stop && Vanished(slide.path);
         ++tries) {
        index.Forget(slide.path);
        const std::optional<std::vector<std::string>> next = index.Deal(job.randomOrder, 1, now);
        if (!next || next->empty()) break;
        slide.path = next->front();
        prepared = LoadSlide(slide, job);
    }
    RememberSize(&index, slide.path, prepared);
    if (job.showInfo) AddInfo(prepared, slide.path, state);
    result.paths.push_back(std::move(slide.path));
    result.slides.push_back(std::move(prepared));
}

void CShowWorker::AddInfo(PreparedSlide& prepared, const std::string& path, State& state) {
    // Worker thread, without the lock. A failed load shows its failure box alone. The index is
    // the one the walk opened; a deal never opens it for the line's sake.
    if (!prepared.picture) return;
    try {
        prepared.info = state.info.LineFor(path, prepared.picture->GetWidth(), prepared.picture->GetHeight(),
                                           state.indexBroken ? nullptr : state.index.get());
    } catch (const std::bad_alloc&) {
        prepared.info.clear();
    }
}

bool CShowWorker::DealPairsFromList(const DealJob& job, State& state, DealResult& result) {
    // Worker thread, without the lock. The index only lends what it knows of the sizes (it may be
    // recording the walk under way); it does not choose here.
    orv::LibraryIndex* index = state.indexBroken ? nullptr : state.index.get();
    const size_t count = job.candidates.size();
    std::vector<std::optional<orv::Size>> sizes(count);
    std::vector<bool> asked(count, false);
    const auto sizeOf = [&](size_t i) -> std::optional<orv::Size> {
        if (i >= count) return std::nullopt;
        if (!asked[i]) {
            asked[i] = true;
            if (!state.stop) sizes[i] = PairingSize(job.candidates[i], index);
        }
        return sizes[i];
    };
    std::vector<orv::Size> areas;
    for (const SlideJob& slot : job.slides)
        areas.push_back(SizeOfRect(slot.area));
    const orv::PairDeal deal = orv::DealPairs(areas, count, sizeOf, job.randomOrder);
    if (state.stop) return false;
    result.places = orv::PlacesOf(deal, areas);
    result.taken = deal.taken;
    for (size_t k = 0; k < deal.taken.size() && k < result.places.size(); ++k) {
        if (state.stop) return false;
        const orv::SlidePlace& place = result.places[k];
        SlideJob slot = job.slides[place.slot];
        slot.path = job.candidates[deal.taken[k]];
        PreparedSlide prepared = LoadSlide(orv::PartJob(slot, place.part), job);
        RememberSize(index, slot.path, prepared);
        if (job.showInfo) AddInfo(prepared, slot.path, state);
        result.paths.push_back(std::move(slot.path));
        result.slides.push_back(std::move(prepared));
    }
    return !state.stop;
}

bool CShowWorker::DealPairsFromIndex(const DealJob& job, State& state, DealResult& result) {
    // Worker thread, without the lock. Slot by slot: the index deals the slot's picture; when it
    // pairs there, its partner is the next picture (sorted) or the next that pairs within reach
    // of the cycle (random), taken from the index in turn. The pictures passed over stay where
    // they were, to come next.
    orv::LibraryIndex* index = state.Index();
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    const auto load = [&](SlideJob slide) { LoadDealt(std::move(slide), job, state, *index, now, result); };
    for (size_t s = 0; s < job.slides.size(); ++s) {
        if (state.stop) return false;
        // What went on screen since the last deal is committed with the first slot's picture.
        std::optional<std::vector<std::string>> dealt;
        if (index)
            dealt = index->Deal(job.randomOrder, 1, now, s == 0 ? job.shown : std::vector<std::string>());
        if (!dealt || dealt->empty()) {
            if (s > 0 && dealt) break;  // a library smaller than the monitors
            // Of no use now: the show walks as without an index from here on.
            state.indexBroken = true;
            result.indexLost = true;
            result.slides.clear();
            result.paths.clear();
            result.places.clear();
            return !state.stop;
        }
        SlideJob slot = job.slides[s];
        slot.path = NotHidden(dealt->front(), job, state, *index, now);
        const orv::Size area = SizeOfRect(slot.area);
        std::optional<std::string> partner;
        const std::optional<orv::Size> size = PairingSize(slot.path, index);
        if (size && orv::PairsOn(*size, area)) {
            const std::optional<std::vector<orv::UpcomingPicture>> coming =
                index->Upcoming(job.randomOrder, job.randomOrder ? orv::kPartnerReach : 1, now);
            if (coming && !coming->empty()) {
                // The slot's picture is candidate 0, the coming ones follow it.
                const auto sizeOf = [&](size_t i) -> std::optional<orv::Size> {
                    if (i == 0) return size;
                    if (i > coming->size() || state.stop) return std::nullopt;
                    const orv::UpcomingPicture& c = (*coming)[i - 1];
                    if (state.hidden.count(c.path) != 0) return std::nullopt;  // never a partner
                    return PairingSize(c.path, index, c.width, c.height, false);
                };
                const orv::PairDeal deal =
                    orv::DealPairs({area}, 1 + coming->size(), sizeOf, job.randomOrder);
                if (!deal.slots.empty() && deal.slots[0].second) {
                    const std::string& path = (*coming)[*deal.slots[0].second - 1].path;
                    if (index->Take(job.randomOrder, path, now)) partner = path;
                }
            }
        }
        if (!partner) {
            result.places.push_back(orv::SlidePlace{s, orv::SlotPart::Whole});
            load(slot);
            continue;
        }
        result.places.push_back(orv::SlidePlace{s, orv::FirstHalf(area)});
        load(orv::PartJob(slot, orv::FirstHalf(area)));
        if (state.stop) return false;
        result.places.push_back(orv::SlidePlace{s, orv::SecondHalf(area)});
        slot.path = *partner;
        load(orv::PartJob(slot, orv::SecondHalf(area)));
    }
    return !state.stop;
}

PreparedSlide CShowWorker::LoadSlide(const SlideJob& slide, const DealJob& job) {
    PreparedSlide prepared;
    // The loader decodes a JPEG no larger than this slide will draw it, by the same layout the
    // paint uses. An empty area (no window yet) leaves the size unknown: the picture decodes whole.
    const orv::DrawSizeFn drawSize = [&slide, &job](orv::Size picture) {
        const orv::Rect target =
            orv::PictureRectIn(slide.area, picture, slide.screen, job.stretch, job.preview);
        // Pan and zoom draws a crop of it up to job.zoom times larger.
        const double zoom = job.zoom >= 1.0 && job.zoom <= 2.0 ? job.zoom : 1.0;
        return orv::Size{static_cast<int32_t>(std::ceil(target.Width() * zoom)),
                         static_cast<int32_t>(std::ceil(target.Height() * zoom))};
    };
    // A picture without pixels would reach the layout's divisions. The loaders report their
    // failures as results (the JPEG loader's own exceptions stay inside it); only the allocator
    // throws through them, and a picture there is no memory for is a failed load like any other.
    try {
        auto picture = std::make_unique<CDibImage>();
        if (picture->Load(slide.path.c_str(), job.paletteDisplay, drawSize) && picture->GetWidth() > 0 &&
            picture->GetHeight() > 0)
            prepared.picture = std::move(picture);
    } catch (const std::bad_alloc&) {
        prepared.picture.reset();
    }
    // Pan and zoom: the window only uploads what is prepared here, at the size the frames draw.
    if (prepared.picture && job.zoom > 1.0 && !job.paletteDisplay) {
        const orv::Size own{prepared.picture->GetWidth(), prepared.picture->GetHeight()};
        const orv::Rect target = orv::PictureRectIn(slide.area, own, slide.screen, job.stretch, job.preview);
        prepared.bgra = BgraAtDrawnSize(*prepared.picture, target, job.zoom);
    }
    if (!prepared.picture) {
        // The caption is UTF-8; the message is in the process code page like the path.
        prepared.caption = Utf8FromCodePage(CP_ACP, LoadFailureText(slide.path));
    } else if (job.showCaption) {
        prepared.caption = ReadCaptionText(slide.path);
    }
    return prepared;
}
