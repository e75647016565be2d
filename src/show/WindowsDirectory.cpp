#include "show/WindowsDirectory.h"

#include "framework/Win32.h"

#include "framework/TextConvert.h"

std::string WindowsDirectory() {
    // Read in UTF-16 and converted: 512 bytes of UTF-8 may hold fewer characters than the path.
    wchar_t buffer[512] = {};
    const UINT length = ::GetWindowsDirectoryW(buffer, 512);
    if (length == 0 || length >= 512) return std::string();
    return AnsiFromWide(std::wstring_view(buffer, length));
}
