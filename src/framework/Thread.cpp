#include "framework/Thread.h"

#include <process.h>

#include <atomic>
#include <new>

namespace {

// Constant-initialised and trivially destructible: still valid while the C runtime's exit runs
// the static destructors, and while a released thread ends during them.
std::atomic<long> s_liveThreads{0};

struct Launch {
    UniqueThread::Main main;
    void* param;
};

unsigned __stdcall ThreadEntry(void* launchBlock) {
    const Launch launch = *static_cast<Launch*>(launchBlock);
    delete static_cast<Launch*>(launchBlock);
    const unsigned result = launch.main(launch.param);
    // The last the thread does with the program's state: whatever main used is gone by now.
    s_liveThreads.fetch_sub(1);
    return result;
}

}  // namespace

bool UniqueThread::Start(Main main, void* param) {
    if (m_thread) return false;
    Launch* launch = new (std::nothrow) Launch{main, param};
    if (!launch) return false;
    // Counted before the thread exists: a thread released before it first runs is live too.
    s_liveThreads.fetch_add(1);
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &ThreadEntry, launch, 0, nullptr);
    if (thread == 0) {
        s_liveThreads.fetch_sub(1);
        delete launch;
        return false;
    }
    m_thread.reset(reinterpret_cast<HANDLE>(thread));
    return true;
}

void UniqueThread::CancelSynchronousIo() const {
    // ERROR_NOT_FOUND when the thread is inside no I/O call: nothing to do.
    if (m_thread) ::CancelSynchronousIo(m_thread.get());
}

bool UniqueThread::JoinOrRelease(DWORD milliseconds) {
    if (!m_thread) return true;
    const bool joined = ::WaitForSingleObject(m_thread.get(), milliseconds) == WAIT_OBJECT_0;
    m_thread.reset();
    return joined;
}

long LiveThreadCount() { return s_liveThreads.load(); }
