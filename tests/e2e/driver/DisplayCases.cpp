// The displays the suite runs on, as the saver will see them.
#include "Driver.h"

using namespace e2e;

E2E_CASE_WITH(display_two_monitors_side_by_side, "monitors=2") {
    // Xinerama's two screens reach Wine as two monitors: the primary at the origin, the second to
    // its right, top-aligned, and a virtual screen around both.
    E2E_REQUIRE(GetSystemMetrics(SM_CMONITORS) == 2, "%d monitors, want 2", GetSystemMetrics(SM_CMONITORS));
    const RECT virtualScreen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                             GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                             GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const RECT wantVirtual{0, 0, 1440, 600};
    E2E_EXPECT(EqualRect(&virtualScreen, &wantVirtual), "virtual screen %s", Describe(virtualScreen).c_str());
    E2E_EXPECT(GetSystemMetrics(SM_CXSCREEN) == 800 && GetSystemMetrics(SM_CYSCREEN) == 600,
               "primary monitor %dx%d", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    std::vector<RECT> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT r, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<RECT>*>(list)->push_back(*r);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    E2E_REQUIRE(monitors.size() == 2, "%zu monitors enumerated", monitors.size());
    const RECT want[2] = {{0, 0, 800, 600}, {800, 0, 1440, 480}};
    for (int i = 0; i < 2; ++i)
        E2E_EXPECT(EqualRect(&monitors[i], &want[i]), "monitor %d at %s, want %s", i,
                   Describe(monitors[i]).c_str(), Describe(want[i]).c_str());
}
