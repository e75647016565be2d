#pragma once
// The picture window's worker thread: it does the slow things of the show in order, away from the
// window's thread, which never waits for a disk. It walks the folder, delivering entries as they
// are found, and decodes deals at their drawn sizes with their captions. Deals go first, so the
// next picture never waits behind a long walk.
//
// What it hands back is plain memory (paths, GlobalAlloc picture blocks, UTF-8 caption text) in a
// mailbox guarded by a lock; it posts one private message, with no parameters, to the window,
// which then drains the mailbox. It touches no window and no GDI object, and initialises COM for
// itself, so nothing of the kind crosses threads. A message posted to a window that is going owns
// nothing, so nothing leaks with it. Win32 only.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/framework/Geometry.h"
#include "core/picture/DibImage.h"
#include "core/show/PictureList.h"
#include "core/show/ShowJobs.h"
#include "framework/Win32.h"

using orv::DealJob;
using orv::DealResult;
using orv::PreparedSlide;
using orv::SlideJob;
using orv::WalkJob;
using orv::WalkResult;
using orv::WorkerMail;

class CShowWorker {
public:
    CShowWorker();
    ~CShowWorker();  // stops and joins
    CShowWorker(const CShowWorker&) = delete;
    CShowWorker& operator=(const CShowWorker&) = delete;

    // Starts the thread; results are announced by posting `message` to hNotify. False when the
    // thread cannot be had: the show then stays black rather than block its window.
    bool Start(HWND hNotify, UINT message);
    // Cancels the walk, lets a decode under way finish, joins the thread and empties the mailbox.
    // Safe when never started.
    void Stop();
    bool Running() const { return m_hThread != nullptr; }

    // Cancels the walk under way (it stops at its next folder) and starts this one.
    void StartWalk(const WalkJob& job);
    // Asks for a deal; a request of the same kind (next, or redo) not yet begun is replaced.
    void Prepare(DealJob job);
    // Everything finished since the last call.
    WorkerMail Drain();

    // One slide decoded and captioned as the window will show it.
    static PreparedSlide LoadSlide(const SlideJob& slide, const DealJob& job);

private:
    struct Walk;

    static unsigned __stdcall ThreadMain(void* self);
    void Run();
    void Post();

    HANDLE m_hThread = nullptr;
    HWND m_hNotify = nullptr;
    UINT m_message = 0;

    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_wake = CONDITION_VARIABLE_INIT;
    // Under m_lock:
    bool m_stop = false;
    bool m_posted = false;  // a wake-up is on its way and the window has not drained yet
    std::unique_ptr<DealJob> m_redo;
    std::unique_ptr<DealJob> m_next;
    std::shared_ptr<Walk> m_walk;
    WorkerMail m_mail;
};
