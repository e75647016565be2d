#include "show/DisplayMonitors.h"

#include "framework/Win32.h"

namespace {

BOOL CALLBACK AddMonitor(HMONITOR hMonitor, HDC, LPRECT, LPARAM lParam) {
    auto* monitors = reinterpret_cast<std::vector<orv::MonitorRect>*>(lParam);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    // A monitor that went away between the listing and this call is skipped.
    if (::GetMonitorInfoA(hMonitor, &info)) {
        monitors->push_back({ToRect(info.rcMonitor), (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

}  // namespace

std::vector<orv::MonitorRect> DisplayMonitors() {
    std::vector<orv::MonitorRect> monitors;
    if (!::EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors))) {
        monitors.clear();
    }
    return monitors;
}

orv::Rect VirtualScreen() {
    const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int cx = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (cx > 0 && cy > 0) return orv::Rect{x, y, x + cx, y + cy};
    return orv::Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}
