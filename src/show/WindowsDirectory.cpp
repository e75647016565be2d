#include "show/WindowsDirectory.h"

#include "framework/Win32.h"

std::string WindowsDirectory() {
    char buffer[512] = {};
    UINT length = ::GetWindowsDirectoryA(buffer, sizeof(buffer));
    if (length == 0 || length >= sizeof(buffer)) return std::string();
    return std::string(buffer, length);
}
