#pragma once
// The form in which a path goes to the wide file calls: any length, any characters.
#include <string>
#include <string_view>

// A path in the process code page as the file calls should get it, in "\\?\" form, which has no
// 260-character limit: an absolute path as it is; a relative or drive-relative one, or one with
// "." or ".." in it, made absolute first against the current folders, as every Win32 call would.
// A path already in that form is left alone. The program keeps and shows the user's own form; only the calls
// get this.
std::wstring LongWidePath(std::string_view path);
