// Several picture folders: MoreFolders walked after Directory in sorted order, ExcludedFolders
// and the folders file servers keep for themselves never shown, a 1.2 registry without the lists,
// and list values damaged by hand.
#include <cctype>
#include <string>
#include <vector>

#include "Driver.h"

using namespace e2e;

namespace {

struct Entry {
    std::string path;  // full path
    COLORREF colour;
};

// Writes a settings value of any type from raw bytes, as a hand-edited registry may hold it.
void WriteRawValue(const char* name, DWORD type, const std::vector<uint8_t>& bytes) {
    HKEY key;
    LONG rc =
        RegCreateKeyExA(HKEY_CURRENT_USER, kConfigKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    E2E_REQUIRE(rc == ERROR_SUCCESS, "cannot create the settings key (error %ld)", rc);
    rc = RegSetValueExW(key, Wide(name).c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    E2E_REQUIRE(rc == ERROR_SUCCESS, "cannot write %s (error %ld)", name, rc);
}

// The UTF-16 bytes of texts, each ending in a zero, and the closing zero unless cut.
std::vector<uint8_t> MultiStringBytes(const std::vector<std::string>& texts, bool closed = true) {
    std::wstring all;
    for (const std::string& text : texts) {
        all += Wide(text);
        all.push_back(L'\0');
    }
    if (closed) all.push_back(L'\0');
    const auto* begin = reinterpret_cast<const uint8_t*>(all.data());
    return std::vector<uint8_t>(begin, begin + all.size() * sizeof(wchar_t));
}

const char* NameOf(COLORREF c, const std::vector<Entry>& entries) {
    for (const Entry& e : entries)
        if (e.colour == c) return e.path.c_str();
    return c == RGB(0, 0, 0) ? "(black)" : "(unknown colour)";
}

// Ticks through two rounds of the show and the first picture again: exactly `shown`, in order.
void ExpectSortedShow(Saver& saver, const std::vector<Entry>& shown, const std::vector<Entry>& all) {
    COLORREF previous = RGB(0, 0, 0);
    for (size_t i = 0; i <= 2 * shown.size(); ++i) {
        const Entry& want = shown[i % shown.size()];
        if (i > 0) saver.Tick();
        auto got = WaitPixelChange(400, 300, previous);
        E2E_REQUIRE(got, "step %zu: still %s, want %s", i, NameOf(previous, all), want.path.c_str());
        E2E_REQUIRE(*got == want.colour, "step %zu: showing %s %s, want %s", i, NameOf(*got, all),
                    Describe(*got).c_str(), want.path.c_str());
        previous = *got;
    }
}

void WritePictures(const std::vector<Entry>& entries) {
    for (const Entry& e : entries) {
        MakeFolder(e.path.substr(CaseRoot().size() + 1, e.path.rfind('\\') - CaseRoot().size() - 1));
        WriteFileBytes(e.path, SolidBmp24(64, 48, e.colour));
    }
}

}  // namespace

E2E_CASE(folders_sorted_across_roots_without_excluded_or_housekeeping) {
    // Directory "zeta" first, then the more folders as listed, though their names sort before it;
    // "alpha" listed twice (once in another case) and "zeta\inner" inside Directory are walked once.
    const std::string zeta = MakeFolder("zeta");
    const std::string alpha = MakeFolder("alpha");
    const std::string beta = MakeFolder("beta");
    const std::vector<Entry> shown = {
        {zeta + "\\a.bmp", RGB(200, 40, 40)},           {zeta + "\\inner\\b.bmp", RGB(40, 200, 40)},
        {zeta + "\\Privates\\c.bmp", RGB(40, 40, 200)}, {beta + "\\a.bmp", RGB(200, 200, 40)},
        {alpha + "\\a.bmp", RGB(200, 40, 200)},         {alpha + "\\sub\\b.bmp", RGB(40, 200, 200)},
    };
    const std::vector<Entry> hidden = {
        {zeta + "\\Private\\p.bmp", RGB(120, 60, 10)},
        {zeta + "\\Private\\deeper\\q.bmp", RGB(10, 60, 120)},
        {alpha + "\\sub\\Tmp\\t.bmp", RGB(60, 120, 10)},
        {zeta + "\\@eaDir\\a.bmp\\SYNOPHOTO_THUMB_M.bmp", RGB(90, 10, 90)},
        {alpha + "\\.@__thumb\\a.bmp", RGB(10, 90, 90)},
        {beta + "\\#recycle\\r.bmp", RGB(250, 130, 20)},
        {beta + "\\#snapshot\\s.bmp", RGB(120, 60, 220)},
        {alpha + "\\$RECYCLE.BIN\\S-1-5-21\\x.bmp", RGB(220, 120, 60)},
        {zeta + "\\System Volume Information\\v.bmp", RGB(60, 220, 120)},
        {zeta + "\\inner\\#RECYCLE\\w.bmp", RGB(160, 160, 40)},
    };
    WritePictures(shown);
    WritePictures(hidden);
    std::vector<Entry> all = shown;
    all.insert(all.end(), hidden.begin(), hidden.end());

    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 0;
    s.folder = zeta;
    s.Write();
    std::string upperAlpha = alpha;
    for (char& c : upperAlpha)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    WriteRawValue("MoreFolders", REG_MULTI_SZ,
                  MultiStringBytes({beta + "\\", alpha, zeta + "\\inner", upperAlpha}));
    WriteRawValue("ExcludedFolders", REG_MULTI_SZ,
                  MultiStringBytes({zeta + "\\private", alpha + "\\sub\\Tmp\\"}));

    Saver saver("/s");
    saver.WaitFullScreen();
    ExpectSortedShow(saver, shown, all);
}

E2E_CASE(folders_registry_without_lists_or_with_damaged_ones) {
    const std::string one = MakeFolder("one");
    const std::string two = MakeFolder("two");
    const std::string three = MakeFolder("three");
    const std::vector<Entry> pictures = {
        {one + "\\a.bmp", RGB(200, 40, 40)},
        {one + "\\b.bmp", RGB(200, 200, 40)},
        {two + "\\a.bmp", RGB(40, 200, 40)},
        {three + "\\a.bmp", RGB(40, 40, 200)},
    };
    WritePictures(pictures);
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 0;
    s.folder = one;
    s.Write();

    // As 1.2 left it: no lists, the one folder.
    {
        Saver saver("/s");
        saver.WaitFullScreen();
        ExpectSortedShow(saver, {pictures[0], pictures[1]}, pictures);
        saver.Kill();
    }
    // A multi-string without its closing zeros and of odd length: the texts read as far as they
    // go; an exclusion typed in as a plain text counts as a list of one.
    std::vector<uint8_t> cut = MultiStringBytes({three, two}, false);
    cut.pop_back();  // the last text's zero, half gone
    WriteRawValue("MoreFolders", REG_MULTI_SZ, cut);
    const std::wstring excluded = Wide(three);
    WriteRawValue(
        "ExcludedFolders", REG_SZ,
        std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(excluded.c_str()),
                             reinterpret_cast<const uint8_t*>(excluded.c_str() + excluded.size() + 1)));
    {
        Saver saver("/s");
        saver.WaitFullScreen();
        ExpectSortedShow(saver, {pictures[0], pictures[1], pictures[2]}, pictures);
        saver.Kill();
    }
    // A list of another type holds nothing.
    WriteRawValue("MoreFolders", REG_DWORD, {1, 0, 0, 0});
    {
        Saver saver("/s");
        saver.WaitFullScreen();
        ExpectSortedShow(saver, {pictures[0], pictures[1]}, pictures);
    }
}
