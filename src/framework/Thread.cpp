#include "framework/Thread.h"

#include <process.h>

#include <atomic>

namespace {

// Constant-initialised and trivially destructible: still valid while the C runtime's exit runs
// the static destructors.
std::atomic<long> s_unjoinedThreads{0};

}  // namespace

bool UniqueThread::Start(Main main, void* param) {
    if (m_thread) return false;
    s_unjoinedThreads.fetch_add(1);
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, main, param, 0, nullptr);
    if (thread == 0) {
        s_unjoinedThreads.fetch_sub(1);
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
    // Signalled once the thread has ended whole, its DLLs told of its end too.
    const bool joined = ::WaitForSingleObject(m_thread.get(), milliseconds) == WAIT_OBJECT_0;
    if (joined) s_unjoinedThreads.fetch_sub(1);
    m_thread.reset();
    return joined;
}

long UnjoinedThreadCount() { return s_unjoinedThreads.load(); }
