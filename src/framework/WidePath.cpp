#include "framework/WidePath.h"

#include "core/framework/LongPath.h"
#include "framework/TextConvert.h"

std::wstring LongWidePath(std::string_view path) {
    std::wstring wide = WideFromAnsi(path);
    if (wide.empty()) return wide;
    // An absolute path as the walk builds it goes as it is: the names the file system listed,
    // a trailing dot or space included, which making it "full" would trim.
    std::wstring longForm = orv::LongPathForm(wide);
    if (!longForm.empty()) return longForm;
    // Asked twice: the first call gives the size, terminating zero included. A path that cannot
    // be made absolute goes to the call as it is, which then fails or succeeds on its own terms.
    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return wide;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(wide.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) return wide;
    full.resize(length);
    longForm = orv::LongPathForm(full);
    return longForm.empty() ? full : longForm;
}
