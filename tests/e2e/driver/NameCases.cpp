// Folders as people keep them: file names in any script (the prefix's code page is 1252, the
// saver's is UTF-8), captions in any encoding, folders linked into themselves, and folder texts
// that are long or not ASCII going through the settings dialog unchanged.
#include <string>
#include <vector>

#include "Driver.h"  // <windows.h> first

#include "../../../src/resources/resource.h"

using namespace e2e;

namespace {

constexpr COLORREF kRed = RGB(200, 40, 40), kGreen = RGB(40, 200, 40), kBlue = RGB(40, 40, 200);
constexpr COLORREF kYellow = RGB(200, 200, 40), kPurple = RGB(200, 40, 200);

struct Named {
    std::string name;  // UTF-8, below the picture folder
    COLORREF colour;
};

std::string NameOf(COLORREF c, const std::vector<Named>& entries) {
    for (const Named& e : entries)
        if (e.colour == c) return e.name;
    return c == RGB(0, 0, 0) ? "(black)" : "(unknown colour)";
}

void WriteShowSettings(const std::string& folder, DWORD caption) {
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 0;
    s.caption = caption;
    s.folder = folder;
    s.Write();
}

// Steps through the show from its first picture: each picture of want in turn, ticking between
// them, read at the centre of the screen.
void ExpectSequence(const Saver& saver, const std::vector<Named>& want, const std::vector<Named>& all) {
    // The first picture is waited for by its colour: the screen may still show the last picture
    // of a saver that has just ended until the new window paints over it.
    E2E_REQUIRE(WaitPixel(400, 300, want[0].colour), "step 0: showing %s, want %s",
                NameOf(ScreenPixel(400, 300), all).c_str(), want[0].name.c_str());
    COLORREF previous = want[0].colour;
    for (size_t i = 1; i < want.size(); ++i) {
        saver.Tick();
        auto got = WaitPixelChange(400, 300, previous);
        E2E_REQUIRE(got, "step %zu: still showing %s, want %s", i, NameOf(previous, all).c_str(),
                    want[i].name.c_str());
        E2E_REQUIRE(*got == want[i].colour, "step %zu: showing %s %s, want %s", i, NameOf(*got, all).c_str(),
                    Describe(*got).c_str(), want[i].name.c_str());
        previous = *got;
    }
}

// The caption box once two screens in a row show it alike.
std::optional<RECT> SettledBox(Shot& shot) {
    std::optional<RECT> box, last;
    Shot previous;
    WaitUntil(
        [&] {
            shot = CaptureScreen();
            box = FindCaptionBox(shot);
            bool same = box && last && EqualRect(&*box, &*last) && shot.pixels == previous.pixels;
            last = box;
            previous = shot;
            return same;
        },
        5000);
    return box;
}

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> Utf16LeWithZero(const std::wstring& w) {
    std::vector<uint8_t> v;
    for (wchar_t c : w) {
        v.push_back(uint8_t(c & 0xFF));
        v.push_back(uint8_t(c >> 8));
    }
    v.push_back(0);
    v.push_back(0);
    return v;
}

// A folder tree beside the case's own, under C:\e2e-links: the driver empties a case's folder by
// walking it, and that walk would follow the links for ever. rm -rf on the Linux side removes the
// links without following them.
class LinkTree {
public:
    explicit LinkTree(const std::string& name) : base_("C:\\e2e-links"), name_(name) {
        CreateDirectoryA(base_.c_str(), nullptr);
        Remove();
        CreateDirectoryA(Root().c_str(), nullptr);
    }
    ~LinkTree() { Remove(); }
    LinkTree(const LinkTree&) = delete;
    LinkTree& operator=(const LinkTree&) = delete;

    std::string Root() const { return base_ + "\\" + name_; }
    // A Unix symbolic link folder\name -> target (relative, like "." or ".."), seen by Wine as a
    // folder. Wine 8's CreateSymbolicLinkW reports success and makes nothing, so ln makes it.
    void Link(const std::string& folder, const std::string& name, const std::string& target) const {
        E2E_REQUIRE(RunUnix("Z:\\bin\\ln -s " + target + " " + name, folder), "cannot start ln (error %lu)",
                    GetLastError());
        const std::string path = folder + "\\" + name;
        bool made = WaitUntil(
            [&] {
                DWORD a = GetFileAttributesA(path.c_str());
                return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
            },
            10000);
        E2E_REQUIRE(made, "the link %s -> %s did not appear as a folder", path.c_str(), target.c_str());
    }

private:
    void Remove() const {
        if (GetFileAttributesA(Root().c_str()) == INVALID_FILE_ATTRIBUTES) return;
        if (!RunUnix("Z:\\bin\\rm -rf " + name_, base_)) return;
        WaitUntil([&] { return GetFileAttributesA(Root().c_str()) == INVALID_FILE_ATTRIBUTES; }, 10000);
    }

    std::string base_, name_;
};

}  // namespace

E2E_CASE(names_in_any_script_show_in_utf8_byte_order) {
    // Sorted by their UTF-8 bytes with ASCII letters folded: a (61), Zebra (z 7A), Кот (D0 9A),
    // 日本 (E6 97 A5), 🌅 (F0 9F 8C 85). In the prefix's code page the last three would be "?".
    const std::vector<Named> shown = {
        {"a.bmp", kRed},
        {"Zebra.bmp", kGreen},
        {"\xD0\x9A\xD0\xBE\xD1\x82.bmp", kBlue},
        {"\xE6\x97\xA5\xE6\x9C\xAC.bmp", kYellow},
        {"\xF0\x9F\x8C\x85.bmp", kPurple},
    };
    std::string folder = MakeFolder("pics");
    for (auto it = shown.rbegin(); it != shown.rend(); ++it)
        WriteFileBytesUtf8(folder + "\\" + it->name, SolidBmp24(64, 48, it->colour));
    WriteShowSettings(folder, 0);
    Saver saver("/s");
    saver.WaitFullScreen();
    std::vector<Named> twice = shown;
    twice.push_back(shown.front());  // and back to the first
    ExpectSequence(saver, twice, shown);
}

E2E_CASE(names_in_any_script_failure_message_names_the_file) {
    // A file that is no picture, named in three scripts: the failure box must carry its name as
    // written, drawn like the driver draws the same text with the same font.
    std::string folder = MakeFolder("pics");
    const std::string name = "\xE6\x97\xA5\xE6\x9C\xAC \xD0\x9A\xD0\xBE\xD1\x82 \xF0\x9F\x8C\x85.bmp";
    WriteFileBytesUtf8(folder + "\\" + name, Bytes("not a picture"));
    WriteShowSettings(folder, 0);

    std::wstring format = ScrString(IDS_LOAD_FAILED);
    const size_t at = format.find(L"%s");
    E2E_REQUIRE(at != std::wstring::npos, "string 103 '%s' has no %%s", Utf8(format).c_str());
    std::wstring want = format;
    want.replace(at, 2, Wide(folder + "\\" + name));
    std::wstring mangled = format;  // what the prefix's code page would have made of the name
    std::wstring question = Wide(folder + "\\");
    for (wchar_t c : Wide(name))
        question += c < 0x80 ? c : L'?';
    mangled.replace(at, 2, question);
    Shot reference = ReferenceCaptionBox(want);
    Shot wrong = ReferenceCaptionBox(mangled);
    bool tellsApart = wrong.width != reference.width || wrong.pixels != reference.pixels;
    E2E_EXPECT(tellsApart,
               "the font draws the name and its '?' form alike: this check cannot tell them apart");

    Saver saver("/s");
    saver.WaitFullScreen();
    Shot shot;
    auto box = SettledBox(shot);
    if (!box) SaveScreen("failure");
    E2E_REQUIRE(box, "no failure box for %s", name.c_str());
    int differ = CompareCaptionBox(shot, *box, reference);
    if (differ != 0) SaveScreen("failure");
    E2E_EXPECT(differ == 0, "the failure box %s (%ld x %ld) is not the reference (%d x %d): %d pixels differ",
               Describe(*box).c_str(), box->right - box->left, box->bottom - box->top, reference.width,
               reference.height, differ);
    Note("failure box %s, reference %d x %d", Describe(*box).c_str(), reference.width, reference.height);
}

E2E_CASE(caption_encodings_draw_alike) {
    // One caption text in four encodings, each beside its own picture: the same box, pixel for
    // pixel, and the box the driver draws for the text itself.
    const std::string text =
        "Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x93 5 \xE2\x82\xAC\r\n\xC3\x80 bient\xC3\xB4t\r\n";
    const std::wstring wide = Wide(text);
    std::vector<uint8_t> le = {0xFF, 0xFE};
    for (wchar_t c : wide) {
        le.push_back(uint8_t(c & 0xFF));
        le.push_back(uint8_t(c >> 8));
    }
    std::string cp1252(wide.size() * 2, '\0');
    int n = WideCharToMultiByte(1252, 0, wide.data(), int(wide.size()), &cp1252[0], int(cp1252.size()),
                                nullptr, nullptr);
    cp1252.resize(n > 0 ? size_t(n) : 0);
    E2E_REQUIRE(cp1252.find('?') == std::string::npos, "the text does not fit Windows-1252");
    struct Variant {
        const char* what;
        std::vector<uint8_t> bytes;
        COLORREF colour;
    };
    const Variant variants[] = {
        {"UTF-8", Bytes(text), kRed},
        {"UTF-8 with a mark", Bytes("\xEF\xBB\xBF" + text), kGreen},
        {"UTF-16 LE with a mark", le, kBlue},
        {"Windows-1252", Bytes(cp1252), kYellow},
    };
    std::string folder = MakeFolder("pics");
    for (int i = 0; i < 4; ++i) {
        std::string base = folder + "\\p" + char('1' + i);
        WriteFileBytes(base + ".bmp", SolidBmp24(400, 300, variants[i].colour));
        WriteFileBytes(base + ".txt", variants[i].bytes);
    }
    WriteShowSettings(folder, 1);
    Shot reference = ReferenceCaptionBox(
        Wide("Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x93 5 \xE2\x82\xAC\n\xC3\x80 bient\xC3\xB4t"));

    Saver saver("/s");
    saver.WaitFullScreen();
    for (int i = 0; i < 4; ++i) {
        if (i > 0) saver.Tick();
        E2E_REQUIRE(WaitPixel(400, 300, variants[i].colour), "%s: its picture did not show",
                    variants[i].what);
        Shot shot;
        auto box = SettledBox(shot);
        E2E_EXPECT(box, "%s: no caption box", variants[i].what);
        if (!box) continue;
        int differ = CompareCaptionBox(shot, *box, reference);
        if (differ != 0) SaveScreen(variants[i].what);
        E2E_EXPECT(differ == 0, "%s: box %s (%ld x %ld) against the reference %d x %d: %d pixels differ",
                   variants[i].what, Describe(*box).c_str(), box->right - box->left, box->bottom - box->top,
                   reference.width, reference.height, differ);
    }
}

E2E_CASE(walk_links_to_itself_and_to_its_parent_end) {
    // "self" holds a.bmp, z.bmp and two links to itself; "parent" holds b0.bmp, z.bmp and sub\,
    // which holds b1.bmp and a link to parent. Walked without a guard, the first never ends and
    // the second lists its pictures again below sub\up, which would sort before z.bmp.
    LinkTree tree("walk");
    const std::string self = tree.Root() + "\\self";
    const std::string parent = tree.Root() + "\\parent";
    const std::string sub = parent + "\\sub";
    for (const std::string& f : {self, parent, sub})
        CreateDirectoryA(f.c_str(), nullptr);
    const std::vector<Named> selfPictures = {{"a.bmp", kRed}, {"z.bmp", kYellow}};
    const std::vector<Named> parentPictures = {
        {"b0.bmp", kGreen}, {"sub\\b1.bmp", kBlue}, {"z.bmp", kPurple}};
    for (const Named& p : selfPictures)
        WriteFileBytes(self + "\\" + p.name, SolidBmp24(64, 48, p.colour));
    for (const Named& p : parentPictures)
        WriteFileBytes(parent + "\\" + p.name, SolidBmp24(64, 48, p.colour));
    tree.Link(self, "x", ".");
    tree.Link(self, "y", ".");
    tree.Link(sub, "up", "..");

    struct Run {
        std::string folder;
        std::vector<Named> pictures;
    };
    for (const Run& run : {Run{self, selfPictures}, Run{parent, parentPictures}}) {
        WriteShowSettings(run.folder, 0);
        Saver saver("/s");
        HWND wnd = saver.WaitFullScreen(20000);
        E2E_REQUIRE(wnd, "%s: no full-screen window: the walk did not end", run.folder.c_str());
        std::vector<Named> wrap = run.pictures;
        wrap.push_back(run.pictures.front());
        ExpectSequence(saver, wrap, run.pictures);
        saver.Post(WM_KEYDOWN, VK_SPACE, 1);
        auto code = saver.WaitExit(5000);
        E2E_EXPECT(code && *code == 0, "%s: a key did not end the saver with code 0", run.folder.c_str());
    }
}

E2E_CASE(settings_folder_in_any_script_round_trips) {
    // Typed into the folder box, confirmed, reopened and confirmed again: the text and the
    // registry value's bytes stay as typed.
    const std::string folder =
        "C:\\\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE\\\xE6\x97\xA5\xE6\x9C\xAC\xE3\x81\xAE\xE5\x86\x99\xE7\x9C\x9F "
        "\xF0\x9F\x8C\x85";
    const std::wstring wide = Wide(folder);
    const std::vector<uint8_t> stored = Utf16LeWithZero(wide);
    for (int round = 0; round < 2; ++round) {
        Saver saver("/c");
        HWND dlg = saver.WaitWindow("#32770");
        E2E_REQUIRE(dlg, "round %d: no settings dialog", round);
        HWND box = GetDlgItem(dlg, IDC_FOLDER);
        DWORD_PTR r = 0;
        if (round == 0) {
            SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_NORMAL, 5000,
                                &r);
        }
        std::wstring shown(4096, L'\0');
        SendMessageTimeoutW(box, WM_GETTEXT, shown.size(), reinterpret_cast<LPARAM>(&shown[0]), SMTO_NORMAL,
                            5000, &r);
        shown.resize(r);
        E2E_EXPECT(shown == wide, "round %d: the folder box shows '%s', want '%s'", round,
                   Utf8(shown).c_str(), folder.c_str());
        PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
        auto code = saver.WaitExit(10000);
        E2E_REQUIRE(code && *code == 0, "round %d: OK did not end the dialog with code 0", round);
        DWORD type = 0;
        auto bytes = ReadValueBytes("Directory", &type);
        E2E_REQUIRE(bytes, "round %d: no Directory value after OK", round);
        E2E_EXPECT(type == REG_SZ && *bytes == stored,
                   "round %d: Directory is type %lu, %zu bytes, want REG_SZ '%s' in %zu bytes", round, type,
                   bytes->size(), folder.c_str(), stored.size());
    }
}

E2E_CASE(settings_long_stored_folder_survives_ok) {
    // A stored folder longer than an edit control takes at first: the box shows all of it, a
    // character typed at its end is taken, and OK writes the whole text back. (On Windows a text
    // beyond the limit does not reach the box at all; Wine sets it but refuses typing beyond it.)
    for (size_t length : {size_t(40000), size_t(100000)}) {
        std::string folder = "C:";
        for (int i = 0; folder.size() < length; ++i)
            folder += "\\folder" + std::to_string(i % 10);
        folder.resize(length);
        Settings s;
        s.folder = folder;
        s.Write();
        Saver saver("/c");
        HWND dlg = saver.WaitWindow("#32770");
        E2E_REQUIRE(dlg, "%zu: no settings dialog", length);
        HWND box = GetDlgItem(dlg, IDC_FOLDER);
        auto textLength = [box] {
            DWORD_PTR n = 0;
            SendMessageTimeoutW(box, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &n);
            return size_t(n);
        };
        E2E_EXPECT(textLength() == length, "%zu: the folder box holds %zu characters", length, textLength());
        DWORD_PTR r = 0;
        SendMessageTimeoutW(box, EM_SETSEL, length, length, SMTO_NORMAL, 5000, &r);
        PostMessageW(box, WM_CHAR, L'x', 1);
        bool typed = WaitUntil([&] { return textLength() == length + 1; }, 5000);
        E2E_EXPECT(typed, "%zu: a character typed at the end was refused (%zu characters)", length,
                   textLength());
        PostMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
        auto code = saver.WaitExit(10000);
        E2E_REQUIRE(code && *code == 0, "%zu: OK did not end the dialog with code 0", length);
        auto back = ReadString("Directory");
        const std::string want = folder + (typed ? "x" : "");
        E2E_EXPECT(back && *back == want, "%zu: Directory after OK has %zu characters, want %zu", length,
                   back ? back->size() : size_t(0), want.size());
    }
}
