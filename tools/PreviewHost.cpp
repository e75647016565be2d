// A stand-in for the display settings' little monitor: a window whose client area hosts
// "Orvanta.scr /p <hwnd>", the way the system starts a saver's preview. Used by `scripts/run
// --preview`. Usage: PreviewHost.exe <path to Orvanta.scr> [width height]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    if (__argc < 2) {
        MessageBoxA(nullptr, "Usage: PreviewHost <Orvanta.scr> [width height]", "Preview host", MB_OK);
        return 2;
    }
    const int width = __argc >= 4 ? std::atoi(__argv[2]) : 152;
    const int height = __argc >= 4 ? std::atoi(__argv[3]) : 112;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
    wc.lpszClassName = "OrvantaPreviewHost";
    RegisterClassA(&wc);

    RECT rect = {0, 0, width, height};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    AdjustWindowRect(&rect, style, FALSE);
    HWND host =
        CreateWindowA(wc.lpszClassName, "Orvanta preview", style, CW_USEDEFAULT, CW_USEDEFAULT,
                      rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
    if (!host) return 1;
    ShowWindow(host, show);
    UpdateWindow(host);

    // The handle travels as a decimal number, as the system passes it.
    std::string command = "\"" + std::string(__argv[1]) + "\" /p " +
                          std::to_string(static_cast<long long>(reinterpret_cast<INT_PTR>(host)));
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "PreviewHost: cannot start %s\n", __argv[1]);
        return 1;
    }
    CloseHandle(pi.hThread);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // Closing the host destroyed the preview window; the saver ends by itself.
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    return 0;
}
