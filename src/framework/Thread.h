#pragma once
// A thread's owner and the guard of an SRW lock. Win32 only.
#include "framework/Win32.h"

#include "framework/Unique.h"

// The owner of one thread of the C runtime. It ends in one of two ways: joined, when the thread
// returns within the wait its owner can afford, or released, when it does not (it is caught
// inside a system call: an open of a share that has gone, a listing of a slow one). A released
// thread runs on to its end on state it owns itself; the owner keeps nothing of it. The
// destructor releases: an owner never waits by going away.
class UniqueThread : NonCopyable {
public:
    using Main = unsigned(__stdcall*)(void* param);

    UniqueThread() = default;
    ~UniqueThread() = default;

    // Runs main(param) on a new thread (_beginthreadex, not CreateThread: the thread uses the C
    // runtime). False when no thread can be had; main is then never called.
    bool Start(Main main, void* param);
    // Ends a synchronous I/O call the thread is inside, where the driver can (a network open, a
    // read): the call fails with ERROR_OPERATION_ABORTED. A call that is not I/O (a sleep, a
    // wait, a decode) goes on.
    void CancelSynchronousIo() const;
    // Waits up to milliseconds for the thread to end, then gives up the handle either way. True
    // when it had ended (joined), false when it was released.
    bool JoinOrRelease(DWORD milliseconds);

    explicit operator bool() const { return static_cast<bool>(m_thread); }

private:
    Unique<HANDLE, CloseHandleDeleter> m_thread;  // _beginthreadex reports failure as 0
};

// How many threads started by UniqueThread::Start have not been joined: released ones count for
// good, since nothing tells when one has ended whole (its DLLs told of its end under the loader
// lock, after the last of its own code). Such a thread may use the process's statics (the
// application object, string resources, function-local caches); the process's end asks this
// before it lets the C runtime destroy them (WinApp.cpp).
long UnjoinedThreadCount();

// Holds an SRW lock exclusively for its scope. Work that must not hold it goes in an Unlocked
// scope inside, and waits for a condition variable go through Wait: the lock is never released
// by hand.
class SrwLockGuard : NonCopyable {
public:
    explicit SrwLockGuard(SRWLOCK& lock) : m_lock(lock) { ::AcquireSRWLockExclusive(&m_lock); }
    ~SrwLockGuard() { ::ReleaseSRWLockExclusive(&m_lock); }

    // Sleeps until wake is signalled, with the lock released meanwhile and held again on return.
    // Wake-ups can be spurious: the caller tests its condition in a loop.
    void Wait(CONDITION_VARIABLE& wake) { ::SleepConditionVariableSRW(&wake, &m_lock, INFINITE, 0); }
    // As Wait, for at most the given time (a wake-up may also come early, for nothing).
    void WaitFor(CONDITION_VARIABLE& wake, DWORD milliseconds) {
        ::SleepConditionVariableSRW(&wake, &m_lock, milliseconds, 0);
    }

    // The lock released for this scope's lifetime, and held again when it ends (also when an
    // exception leaves it).
    class Unlocked : NonCopyable {
    public:
        explicit Unlocked(SrwLockGuard& held) : m_lock(held.m_lock) { ::ReleaseSRWLockExclusive(&m_lock); }
        ~Unlocked() { ::AcquireSRWLockExclusive(&m_lock); }

    private:
        SRWLOCK& m_lock;
    };

private:
    SRWLOCK& m_lock;
};
