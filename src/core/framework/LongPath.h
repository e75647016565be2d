#pragma once
// The "\\?\" form of a path: the form in which Win32's wide file calls take a path of any length
// (up to some 32,767 characters) and pass it to the file system as it is, with no 260-character
// limit and no rewriting on the way. The rule is plain text; making a path absolute first is the
// system's business (GetFullPathNameW in framework/LongPath.h).
#include <string>
#include <string_view>

namespace orv {

// True for a path already in the file system's own namespaces: "\\?\..." or "\\.\..." (a device).
bool IsVerbatimPath(std::wstring_view path);

// The "\\?\" form of an absolute path: "\\?\C:\..." for a drive path ("C:" alone is the drive's
// root), "\\?\UNC\server\share\..." for "\\server\share\...". Forward slashes become backslashes
// and runs of them one, since the prefixed form takes every character literally; a trailing
// backslash stays, and so does every other character (a name may end in a dot or a space). A
// verbatim path comes back as it is. Empty for a path that is not absolute (relative, "C:x",
// "\x") or holds a "." or ".." segment: the caller resolves it first.
std::wstring LongPathForm(std::wstring_view path);

}  // namespace orv
