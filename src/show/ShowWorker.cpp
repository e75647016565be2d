#include "show/ShowWorker.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <new>
#include <utility>

#include "core/show/Caption.h"
#include "core/show/FolderWalk.h"
#include "core/picture/SystemDecoder.h"
#include "core/show/Monitors.h"
#include "framework/ComPtr.h"
#include "framework/TextConvert.h"
#include "framework/TextFile.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
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

}  // namespace

// One walk of the picture folder: a step reads one folder and hands over the entries that now
// come next in the list's final (sorted) order. Made on the owner's thread; stepped on the worker
// thread, which alone touches everything but the cancel flag.
struct CShowWorker::Walk {
    explicit Walk(const WalkJob& job) : id(job.walk), job(job) {}

    // Worker thread: the first step makes the walk, asking the imaging component (COM, the
    // registry) which extensions "Others" stands for; the window's thread never waits for that.
    bool Step(std::vector<std::string>& entries) {
        if (!walk) {
            orv::PictureFilter filter;
            filter.showBmp = job.showBmp;
            filter.showJpg = job.showJpg;
            if (job.showOther) filter.otherExtensions = orv::SystemOtherExtensions();
            walk = std::make_unique<orv::FolderWalk>(dir, orv::NormalizeFolder(job.folder), filter,
                                                     AnsiLeadByteTest(), &cancel);
        }
        walk->Step(entries);
        return walk->Ended();
    }
    // Worker thread, under the lock.
    bool Ended() const { return failed || (walk && walk->Ended()); }

    uint64_t id = 0;
    WalkJob job;
    std::atomic<bool> cancel{false};  // any thread
    bool failed = false;              // a step ran out of memory: the walk ends where it is
    Win32DirectoryEnumerator dir;
    std::unique_ptr<orv::FolderWalk> walk;
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
    std::shared_ptr<Walk> walk;
    WorkerMail mail;
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
        while (!state.stop && !state.redo && !state.next && !(state.walk && !state.walk->Ended()))
            lock.Wait(state.wake);
        if (state.stop) return;

        if (std::unique_ptr<DealJob> job = state.redo ? std::move(state.redo) : std::move(state.next)) {
            DealResult result;
            result.generation = job->generation;
            result.redo = job->redo;
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
        try {
            SrwLockGuard::Unlocked outside(lock);
            ended = walk->Step(entries);
        } catch (const std::bad_alloc&) {
            // The walk ends with what it delivered so far: the show goes on with that list.
            walk->failed = true;
            entries.clear();
            ended = true;
        }
        // A walk replaced meanwhile delivers nothing: its entries belong to another list. A folder
        // that added nothing (only subfolders, say) is not worth waking the window for.
        if (state.stop || walk != state.walk || walk->cancel || (entries.empty() && !ended)) continue;
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
        state.Post();
    }
}

bool CShowWorker::DealSlides(const DealJob& job, const State& state, DealResult& result) {
    // Worker thread, without the lock. Each slide can take long (a slow open, a large decode):
    // a stop is looked for before each, and stops the deal, whose result is then of no use.
    result.slides.reserve(job.slides.size());
    for (const SlideJob& slide : job.slides) {
        if (state.stop) return false;
        result.slides.push_back(LoadSlide(slide, job));
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
