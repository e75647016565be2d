#include "show/ShowWorker.h"

#include <objbase.h>
#include <process.h>

#include <cstdio>
#include <utility>

#include "core/show/Caption.h"
#include "core/show/FolderWalk.h"
#include "core/picture/SystemDecoder.h"
#include "core/show/Monitors.h"
#include "framework/TextConvert.h"
#include "framework/TextFile.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "show/Win32Directory.h"

namespace {

// The load-failure caption: string 103 with the picture's path for its "%s".
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

// The caption file beside the picture, in UTF-8. A missing or unreadable file is no caption.
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
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

// One walk of the picture folder: a step reads one folder and hands over the entries that now
// come next in the list's final (sorted) order. Only the cancel flag is touched by other threads.
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
    bool Ended() const { return walk && walk->Ended(); }

    uint64_t id = 0;
    WalkJob job;
    std::atomic<bool> cancel{false};
    Win32DirectoryEnumerator dir;
    std::unique_ptr<orv::FolderWalk> walk;
};

CShowWorker::CShowWorker() = default;

CShowWorker::~CShowWorker() { Stop(); }

bool CShowWorker::Start(HWND hNotify, UINT message) {
    if (m_hThread) return true;
    m_hNotify = hNotify;
    m_message = message;
    m_stop = false;
    m_posted = false;
    // _beginthreadex, not CreateThread: the thread uses the C runtime (stdio, the allocator).
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &CShowWorker::ThreadMain, this, 0, nullptr);
    m_hThread = reinterpret_cast<HANDLE>(thread);
    return m_hThread != nullptr;
}

void CShowWorker::Stop() {
    if (!m_hThread) return;
    ::AcquireSRWLockExclusive(&m_lock);
    m_stop = true;
    if (m_walk) m_walk->cancel = true;
    ::ReleaseSRWLockExclusive(&m_lock);
    ::WakeAllConditionVariable(&m_wake);
    ::WaitForSingleObject(m_hThread, INFINITE);
    ::CloseHandle(m_hThread);
    m_hThread = nullptr;
    // The thread is gone: what it left is freed here, on the owner's thread.
    m_redo.reset();
    m_next.reset();
    m_walk.reset();
    m_mail = WorkerMail{};
}

void CShowWorker::StartWalk(const WalkJob& job) {
    auto next = std::make_shared<Walk>(job);
    ::AcquireSRWLockExclusive(&m_lock);
    if (m_walk) m_walk->cancel = true;
    m_walk = std::move(next);
    // What an older walk delivered is of no use any more.
    m_mail.walk = WalkResult{};
    ::ReleaseSRWLockExclusive(&m_lock);
    ::WakeAllConditionVariable(&m_wake);
}

void CShowWorker::Prepare(DealJob job) {
    auto request = std::make_unique<DealJob>(std::move(job));
    ::AcquireSRWLockExclusive(&m_lock);
    (request->redo ? m_redo : m_next) = std::move(request);
    ::ReleaseSRWLockExclusive(&m_lock);
    ::WakeAllConditionVariable(&m_wake);
}

WorkerMail CShowWorker::Drain() {
    ::AcquireSRWLockExclusive(&m_lock);
    WorkerMail mail = std::move(m_mail);
    m_mail = WorkerMail{};
    m_posted = false;
    ::ReleaseSRWLockExclusive(&m_lock);
    return mail;
}

void CShowWorker::Post() {
    // Under m_lock. One wake-up at a time: the window drains everything at once.
    if (m_posted) return;
    m_posted = ::PostMessageA(m_hNotify, m_message, 0, 0) != FALSE;
}

unsigned __stdcall CShowWorker::ThreadMain(void* self) {
    // The imaging component's decoders run here: COM for this thread, its own apartment.
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    static_cast<CShowWorker*>(self)->Run();
    if (SUCCEEDED(hr)) ::CoUninitialize();
    return 0;
}

void CShowWorker::Run() {
    ::AcquireSRWLockExclusive(&m_lock);
    for (;;) {
        while (!m_stop && !m_redo && !m_next && !(m_walk && !m_walk->Ended()))
            ::SleepConditionVariableSRW(&m_wake, &m_lock, INFINITE, 0);
        if (m_stop) break;

        std::unique_ptr<DealJob> job = m_redo ? std::move(m_redo) : std::move(m_next);
        if (job) {
            ::ReleaseSRWLockExclusive(&m_lock);
            DealResult result;
            result.generation = job->generation;
            result.redo = job->redo;
            result.slides.reserve(job->slides.size());
            for (const SlideJob& slide : job->slides)
                result.slides.push_back(LoadSlide(slide, *job));
            job.reset();
            ::AcquireSRWLockExclusive(&m_lock);
            m_mail.deals.push_back(std::move(result));
            Post();
            continue;
        }

        std::shared_ptr<Walk> walk = m_walk;
        ::ReleaseSRWLockExclusive(&m_lock);
        std::vector<std::string> entries;
        const bool ended = walk->Step(entries);
        ::AcquireSRWLockExclusive(&m_lock);
        // A walk replaced meanwhile delivers nothing: its entries belong to another list. A folder
        // that added nothing (only subfolders, say) is not worth waking the window for.
        if (walk == m_walk && !walk->cancel && (!entries.empty() || ended)) {
            WalkResult& mail = m_mail.walk;
            if (mail.walk != walk->id) mail = WalkResult{walk->id, {}, false};
            mail.entries.insert(mail.entries.end(), std::make_move_iterator(entries.begin()),
                                std::make_move_iterator(entries.end()));
            mail.ended = ended;
            Post();
        }
    }
    ::ReleaseSRWLockExclusive(&m_lock);
}

PreparedSlide CShowWorker::LoadSlide(const SlideJob& slide, const DealJob& job) {
    PreparedSlide prepared;
    // The loader decodes a JPEG no larger than this slide will draw it, by the same layout the
    // paint uses. An empty area (no window yet) leaves the size unknown: the picture decodes whole.
    const orv::DrawSizeFn drawSize = [&slide, &job](orv::Size picture) {
        const orv::Rect target =
            orv::PictureRectIn(slide.area, picture, slide.screen, job.stretch, job.preview);
        return orv::Size{target.Width(), target.Height()};
    };
    // A picture without pixels would reach the layout's divisions; and an exception out of the
    // file layer or the allocator is a failed load like any other: the show goes on.
    try {
        auto picture = std::make_unique<CDibImage>();
        if (picture->Load(slide.path.c_str(), job.paletteDisplay, drawSize) && picture->GetWidth() > 0 &&
            picture->GetHeight() > 0)
            prepared.picture = std::move(picture);
    } catch (const std::exception&) {
        prepared.picture.reset();
    }
    if (!prepared.picture) {
        // The caption is UTF-8; the message is in the process code page like the path.
        prepared.caption = Utf8FromCodePage(CP_ACP, LoadFailureText(slide.path));
    } else if (job.showCaption) {
        prepared.caption = ReadCaptionText(slide.path);
    }
    return prepared;
}
