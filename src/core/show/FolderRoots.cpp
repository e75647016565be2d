#include "core/show/FolderRoots.h"

#include <algorithm>
#include <iterator>

#include "core/framework/Ascii.h"
#include "core/framework/Unicode.h"
#include "core/show/PictureList.h"

namespace orv {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The simple upper case of one UTF-16 unit, as far as the ranges named in the header go.
char16_t SimpleUpper(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c < 0x00E0) return c;
    if (c <= 0x00FE) return c == 0x00F7 ? c : static_cast<char16_t>(c - 0x20);  // not the division sign
    if (c == 0x00FF) return 0x0178;
    if (c >= 0x0100 && c <= 0x017F) {
        // Latin Extended-A runs in pairs, upper then lower, but for three runs that start odd,
        // and the dotless i and the long s, which have no partner of their own here.
        if (c == 0x0131 || c == 0x0138 || c == 0x0149 || c == 0x017F) return c;
        const bool oddRun = (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
        const bool lower = oddRun ? (c % 2 == 0) : (c % 2 == 1);
        return lower ? static_cast<char16_t>(c - 1) : c;
    }
    if (c >= 0x03B1 && c <= 0x03C9) return c == 0x03C2 ? char16_t{0x03A3} : static_cast<char16_t>(c - 0x20);
    if (c >= 0x0430 && c <= 0x044F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x0450 && c <= 0x045F) return static_cast<char16_t>(c - 0x50);
    if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
    return c;
}

bool IsPlainAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Every trailing separator gone; a drive root "C:\" becomes "C:" as the directory's rule makes it.
std::string WithoutTrailingSeparators(std::string path) {
    while (!path.empty() && IsSeparator(path.back()))
        path.pop_back();
    return path;
}

}  // namespace

bool IsHousekeepingFolder(std::string_view name) {
    static constexpr std::string_view kNames[] = {
        "@eadir", ".@__thumb", "#recycle", "#snapshot", "$recycle.bin", "system volume information",
    };
    return std::any_of(std::begin(kNames), std::end(kNames),
                       [name](std::string_view lower) { return EqualsNoCaseAscii(name, lower); });
}

std::string PathKey(std::string_view path) {
    std::string joined;
    joined.reserve(path.size());
    // A UNC path's two leading separators are part of its name; elsewhere a run is one separator.
    const bool unc = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
    size_t i = 0;
    if (unc) {
        joined = "\\\\";
        i = 2;
    }
    for (; i < path.size(); ++i) {
        const char c = IsSeparator(path[i]) ? '\\' : path[i];
        if (c == '\\' && !joined.empty() && joined.back() == '\\') continue;
        joined.push_back(c);
    }
    const size_t keep = unc ? 2 : 1;  // a lone separator (the current drive's root) stays
    while (joined.size() > keep && joined.back() == '\\')
        joined.pop_back();
    // Text that is not UTF-8 (a legacy code page's bytes, on a Windows before the UTF-8 manifest)
    // folds only its ASCII letters: read as UTF-8, its other bytes would all become U+FFFD and
    // two different names would compare equal.
    if (IsPlainAscii(joined) || !IsValidUtf8(joined)) {
        for (char& c : joined)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
        return joined;
    }
    std::u16string units = Utf8ToUtf16(joined);
    for (char16_t& u : units)
        u = SimpleUpper(u);
    return Utf16ToUtf8(units);
}

bool PathWithin(std::string_view key, std::string_view folder) {
    if (key.size() < folder.size() || key.compare(0, folder.size(), folder) != 0) return false;
    if (key.size() == folder.size()) return true;
    // "C:\A" holds "C:\A\B", not "C:\AB"; a key that ends in its separator ("\\" alone) holds all.
    return key[folder.size()] == '\\' || (!folder.empty() && folder.back() == '\\');
}

WalkFolders WalkFoldersOf(const std::string& directory, const std::vector<std::string>& moreFolders,
                          const std::vector<std::string>& excludedFolders) {
    struct Folder {
        std::string path;
        std::string key;
    };
    std::vector<Folder> excluded;
    for (const std::string& folder : excludedFolders) {
        std::string path = WithoutTrailingSeparators(folder);
        if (!path.empty()) excluded.push_back({path, PathKey(path)});
    }
    auto isExcluded = [&](const std::string& key) {
        return std::any_of(excluded.begin(), excluded.end(),
                           [&](const Folder& e) { return PathWithin(key, e.key); });
    };

    std::vector<Folder> candidates;
    candidates.push_back({NormalizeFolder(directory), {}});
    for (const std::string& folder : moreFolders) {
        std::string path = WithoutTrailingSeparators(folder);
        if (!path.empty()) candidates.push_back({path, {}});
    }
    std::vector<Folder> kept;
    for (Folder& candidate : candidates) {
        candidate.key = PathKey(candidate.path);
        if (isExcluded(candidate.key)) continue;
        const bool twice =
            std::any_of(kept.begin(), kept.end(), [&](const Folder& k) { return k.key == candidate.key; });
        if (!twice) kept.push_back(std::move(candidate));
    }
    WalkFolders out;
    for (const Folder& root : kept) {
        const bool nested = std::any_of(kept.begin(), kept.end(), [&](const Folder& other) {
            return &other != &root && PathWithin(root.key, other.key);
        });
        if (!nested) out.roots.push_back(root.path);
    }
    std::vector<std::string> rootKeys;
    for (const std::string& root : out.roots)
        rootKeys.push_back(PathKey(root));
    for (size_t i = 0; i < excluded.size(); ++i) {
        const std::string& key = excluded[i].key;
        const bool belowRoot = std::any_of(rootKeys.begin(), rootKeys.end(), [&](const std::string& root) {
            return key != root && PathWithin(key, root);
        });
        bool covered = false;  // listed before, or within another excluded folder
        for (size_t j = 0; j < excluded.size() && !covered; ++j)
            if (j != i) covered = excluded[j].key == key ? j < i : PathWithin(key, excluded[j].key);
        if (belowRoot && !covered) out.excluded.push_back(excluded[i].path);
    }
    return out;
}

}  // namespace orv
