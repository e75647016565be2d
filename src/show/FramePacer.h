#pragma once
// Waits for the display after a frame reached the window, so that frames are presented in step
// with the refresh and never by a window timer (Windows' timer tick is 15.6 ms: a 16 ms timer
// fires every 31 ms). Window's thread only.
//
// Which call waits for what: with desktop composition (every Windows from 8 on), DwmFlush blocks
// the calling thread until the compositor has presented its next frame, which it does once per
// refresh of the display; the BitBlt before it has landed in the window's redirection surface, so
// the frame is shown at that refresh and the next one is drawn right after it. Where DwmFlush
// fails (composition off on Windows 7, a remote session) or returns at once (Wine, which has no
// compositor), a clock at the display's rate (VREFRESH, 60 when unknown) stands in: a waitable
// timer, high resolution where the system has one, due at the clock's next tick. Either wait is
// MsgWaitForMultipleObjectsEx on input as well, so a key or a mouse move wakes it at once.
#include "framework/Win32.h"

class CFramePacer {
public:
    CFramePacer();
    ~CFramePacer();
    CFramePacer(const CFramePacer&) = delete;
    CFramePacer& operator=(const CFramePacer&) = delete;

    // Returns at the display's next refresh, on input, or after at most 100 ms.
    void WaitForDisplay(int refreshHz);

private:
    HANDLE m_timer = nullptr;
    HMODULE m_dwm = nullptr;
    using DwmFlushFn = HRESULT(WINAPI*)();
    DwmFlushFn m_dwmFlush = nullptr;
    bool m_dwmWaits = true;  // DwmFlush has not yet been seen to return at once
};

// Milliseconds of the performance counter, for frame clocks.
double FrameClockMs();
