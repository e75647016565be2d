#include "show/FramePacer.h"

#include <cmath>

#include "core/show/Fade.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

double FrameClockMs() {
    static const double perMs = [] {
        LARGE_INTEGER f{};
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart > 0 ? static_cast<double>(f.QuadPart) / 1000.0 : 1.0;
    }();
    LARGE_INTEGER t{};
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / perMs;
}

CFramePacer::CFramePacer() {
    // A high-resolution timer (Windows 10 1803 on) is due when asked, not at the next 15.6 ms tick;
    // older systems refuse the flag and give the ordinary one.
    m_timer =
        ::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (!m_timer) m_timer = ::CreateWaitableTimerW(nullptr, TRUE, nullptr);
    // dwmapi is loaded, not linked: the saver also starts where it is missing.
    m_dwm = ::LoadLibraryA("dwmapi.dll");
    // Through void (*)(): the one cast between function pointer types GCC does not warn about.
    if (m_dwm)
        m_dwmFlush =
            reinterpret_cast<DwmFlushFn>(reinterpret_cast<void (*)()>(::GetProcAddress(m_dwm, "DwmFlush")));
}

CFramePacer::~CFramePacer() {
    if (m_timer) ::CloseHandle(m_timer);
    if (m_dwm) ::FreeLibrary(m_dwm);
}

void CFramePacer::WaitForDisplay(int refreshHz) {
    if (m_dwmFlush && m_dwmWaits) {
        const double before = FrameClockMs();
        const HRESULT hr = m_dwmFlush();
        // Under a compositor the call takes until the next refresh; back at once means there is
        // none to wait for, and then the clock below stands in from now on.
        if (SUCCEEDED(hr) && FrameClockMs() - before >= 1.0) return;
        m_dwmWaits = false;
    }
    const double period = 1000.0 / orv::FrameRateFor(refreshHz);
    const double now = FrameClockMs();
    // The clock's ticks are whole periods of the counter: frames keep their beat whatever each
    // one cost, and one that missed its tick waits for the next.
    double wait = (std::floor(now / period) + 1.0) * period - now;
    if (wait > 100.0) wait = 100.0;
    if (m_timer) {
        LARGE_INTEGER due{};
        due.QuadPart = -static_cast<LONGLONG>(wait * 10000.0);  // relative, in 100 ns
        if (::SetWaitableTimer(m_timer, &due, 0, nullptr, nullptr, FALSE)) {
            ::MsgWaitForMultipleObjectsEx(1, &m_timer, 100, QS_INPUT, MWMO_INPUTAVAILABLE);
            return;
        }
    }
    ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::ceil(wait)), QS_INPUT,
                                  MWMO_INPUTAVAILABLE);
}
