#include "core/framework/LongPath.h"

namespace orv {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Appends rest with every run of separators as one backslash.
void AppendCollapsed(std::wstring& out, std::wstring_view rest) {
    for (const wchar_t c : rest) {
        if (!IsSeparator(c)) {
            out += c;
        } else if (out.empty() || out.back() != L'\\') {
            out += L'\\';
        }
    }
}

// True when a segment of path (between separators) is "." or "..".
bool HasDotSegment(std::wstring_view path) {
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i])) continue;
        const std::wstring_view segment = path.substr(start, i - start);
        if (segment == L"." || segment == L"..") return true;
        start = i + 1;
    }
    return false;
}

}  // namespace

bool IsVerbatimPath(std::wstring_view path) {
    return path.size() >= 4 && path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') &&
           path[3] == L'\\';
}

std::wstring LongPathForm(std::wstring_view path) {
    if (IsVerbatimPath(path)) return std::wstring(path);
    if (HasDotSegment(path)) return std::wstring();
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':') {
        if (path.size() > 2 && !IsSeparator(path[2])) return std::wstring();  // "C:x": relative to C's folder
        std::wstring out = L"\\\\?\\";
        out += path.substr(0, 2);
        out += L'\\';
        AppendCollapsed(out, path.substr(2));
        return out;
    }
    if (path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2])) {
        // "//?/" and "//./" are the verbatim prefixes written with the other slash.
        if (path.size() >= 4 && (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3])) {
            std::wstring out = L"\\\\";
            out += path[2];
            AppendCollapsed(out, path.substr(3));
            return out;
        }
        std::wstring out = L"\\\\?\\UNC";
        AppendCollapsed(out, path.substr(1));
        return out;
    }
    return std::wstring();
}

}  // namespace orv
