// The settings dialog (settings mode) and its about box: which command lines open it and with
// which owner, what OK, Cancel, Escape and the close box write, the delay box's validation, the
// live preview inside the dialog, the up-down control, and the about box's placement.
#include <cstring>
#include <string>
#include <vector>

#include "Driver.h"  // <windows.h> first

#include <commctrl.h>
#include "../../../src/resources/resource.h"

using namespace e2e;

namespace {

constexpr const char* kDialogTitle = "Orvanta Screen Saver";
constexpr const char* kAboutTitle = "About Orvanta Screen Saver";
constexpr const char* kAppTitle = "Orvantar Screen Saver";
const std::string kRangeMessage = "Please enter an integer between 1 and 120.";
const std::string kPositiveMessage = "Please enter a positive integer.";

constexpr COLORREF kRed = RGB(200, 40, 40);
constexpr COLORREF kGreen = RGB(40, 180, 60);

std::string ClassOf(HWND h) {
    char buf[128] = "";
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}

// WM_GETTEXT reaches the control itself; GetWindowText across processes would not ask it.
std::string TextOf(HWND h) {
    char buf[1024] = "";
    DWORD_PTR result = 0;
    SendMessageTimeoutA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 3000, &result);
    return buf;
}

// Visible dialog-class windows of a process; with a caption and an owner when given.
std::vector<HWND> Dialogs(DWORD pid, const char* caption = nullptr, HWND owner = nullptr) {
    struct Ctx {
        DWORD pid;
        const char* caption;
        HWND owner;
        std::vector<HWND> found;
    } ctx{pid, caption, owner, {}};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid != c->pid || !IsWindowVisible(h) || ClassOf(h) != "#32770") return TRUE;
            if (c->owner && GetWindow(h, GW_OWNER) != c->owner) return TRUE;
            char text[256] = "";
            GetWindowTextA(h, text, sizeof text);
            if (!c->caption || std::strcmp(text, c->caption) == 0) c->found.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

// Every message posted to the dialog's thread so far (the dialog, its controls, its preview, its
// message boxes) has been handled. The folder box carries the marker.
void Sync(HWND dlg) {
    E2E_REQUIRE(Fence(GetDlgItem(dlg, IDC_FOLDER)), "the dialog %p did not handle its posted messages",
                static_cast<void*>(dlg));
}

// The pixel at p once the messages posted to the dialog's thread so far are handled and their
// painting is on the screen.
COLORREF SettledPixel(HWND dlg, POINT p) {
    Sync(dlg);
    // RDW_UPDATENOW has the dialog's thread paint what the handled messages invalidated before
    // the call returns.
    RedrawWindow(dlg, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return WaitStill(RECT{p.x - 2, p.y - 2, p.x + 3, p.y + 3}).At(p.x, p.y);
}

// The running settings dialog of a saver process.
struct SettingsDialog {
    HWND hwnd = nullptr;
    HWND preview = nullptr;  // the live preview: the dialog's child of the program's own class

    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
    std::string Delay() const { return TextOf(Item(IDC_DELAY)); }
    void Click(int id) const { PostMessageA(Item(id), BM_CLICK, 0, 0); }
    bool Checked(int id) const {
        DWORD_PTR r = 0;
        SendMessageTimeoutA(Item(id), BM_GETCHECK, 0, 0, SMTO_NORMAL, 3000, &r);
        return r == BST_CHECKED;
    }
    void Tick() const { PostMessageA(preview, WM_TIMER, 1, 0); }
    // The preview's client area in screen coordinates.
    RECT PreviewRect() const { return ClientOnScreen(preview); }
    POINT PreviewCentre() const {
        RECT r = PreviewRect();
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    HWND Focus() const {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info);
        return info.hwndFocus;
    }
};

SettingsDialog WaitSettingsDialog(const Saver& saver, DWORD timeoutMs = 15000) {
    SettingsDialog dlg;
    WaitUntil(
        [&] {
            std::vector<HWND> found = Dialogs(saver.Pid(), kDialogTitle);
            if (!found.empty()) dlg.hwnd = found.front();
            return dlg.hwnd != nullptr || !saver.Running();
        },
        timeoutMs);
    E2E_REQUIRE(dlg.hwnd, "no settings dialog within %lu ms (process %s)", timeoutMs,
                saver.Running() ? "running" : "ended");
    dlg.preview = FindPreview(dlg.hwnd);
    E2E_REQUIRE(dlg.preview, "the settings dialog has no preview window");
    Sync(dlg.hwnd);
    return dlg;
}

// A message box owned by the dialog: its text, or nothing when none appears in time.
HWND WaitMessageBox(const Saver& saver, HWND owner, DWORD timeoutMs = 5000) {
    HWND box = nullptr;
    WaitUntil(
        [&] {
            std::vector<HWND> found = Dialogs(saver.Pid(), nullptr, owner);
            if (!found.empty()) box = found.front();
            return box != nullptr;
        },
        timeoutMs);
    return box;
}

std::string MessageText(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }

std::string Caption(HWND h) {
    char text[256] = "";
    GetWindowTextA(h, text, sizeof text);
    return text;
}

// Sends a text to a control from a thread of its own: the dialog may answer it with a modal
// message box, and the driver must stay free to close that box.
class AsyncSetText {
public:
    AsyncSetText(HWND control, const std::string& text) : ctx_(new Ctx{control, text}) {
        thread_ = CreateThread(nullptr, 0, &Run, ctx_, 0, nullptr);
    }
    ~AsyncSetText() {
        if (!Wait(5000)) ctx_ = nullptr;  // leaked on purpose: the thread may still read it
        CloseHandle(thread_);
        delete ctx_;
    }
    AsyncSetText(const AsyncSetText&) = delete;
    AsyncSetText& operator=(const AsyncSetText&) = delete;
    bool Wait(DWORD ms) { return WaitForSingleObject(thread_, ms) == WAIT_OBJECT_0; }

private:
    struct Ctx {
        HWND control;
        std::string text;
    };
    static DWORD WINAPI Run(void* p) {
        auto* c = static_cast<Ctx*>(p);
        SendMessageA(c->control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c->text.c_str()));
        return 0;
    }
    Ctx* ctx_;
    HANDLE thread_ = nullptr;
};

// Sets the delay box's text and checks the dialog's answer: no message (accepted), or the given
// message, after which the focus is back in the delay box with its whole text selected.
void TypeDelay(const Saver& saver, const SettingsDialog& dlg, const std::string& text,
               const std::string& message) {
    AsyncSetText send(dlg.Item(IDC_DELAY), text);
    if (message.empty()) {
        // The message box would be shown inside the handler: a send that returns means none came.
        E2E_EXPECT(send.Wait(5000), "'%s': the delay box did not answer", text.c_str());
        std::vector<HWND> boxes = Dialogs(saver.Pid(), nullptr, dlg.hwnd);
        E2E_EXPECT(boxes.empty(), "'%s': a message box appeared: '%s'", text.c_str(),
                   boxes.empty() ? "" : MessageText(boxes.front()).c_str());
        return;
    }
    HWND box = WaitMessageBox(saver, dlg.hwnd);
    E2E_REQUIRE(box, "'%s': no message box", text.c_str());
    E2E_EXPECT(MessageText(box) == message, "'%s': message '%s', want '%s'", text.c_str(),
               MessageText(box).c_str(), message.c_str());
    E2E_EXPECT(Caption(box) == kAppTitle, "'%s': message box caption '%s'", text.c_str(),
               Caption(box).c_str());
    bool icon = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DWORD_PTR hicon = 0;
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_NORMAL, 3000, &hicon);
        icon = icon || hicon != 0;
    }
    E2E_EXPECT(icon, "'%s': the message box shows no icon", text.c_str());
    HWND okButton = GetDlgItem(box, IDOK);
    E2E_EXPECT(okButton && !GetDlgItem(box, IDCANCEL), "'%s': the message box is not OK-only", text.c_str());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    E2E_EXPECT(send.Wait(5000), "'%s': the handler did not return after the message box", text.c_str());
    Sync(dlg.hwnd);
    E2E_EXPECT(dlg.Focus() == dlg.Item(IDC_DELAY), "'%s': the focus is not in the delay box", text.c_str());
    DWORD_PTR sel = 0;
    SendMessageTimeoutA(dlg.Item(IDC_DELAY), EM_GETSEL, 0, 0, SMTO_NORMAL, 3000, &sel);
    E2E_EXPECT(LOWORD(sel) == 0 && HIWORD(sel) == static_cast<WORD>(text.size()),
               "'%s': selection %u..%u, want the whole text", text.c_str(), LOWORD(sel), HIWORD(sel));
}

// Ends the dialog with OK and waits for the process to end with exit code 0.
void PressOk(Saver& saver, const SettingsDialog& dlg) {
    dlg.Click(IDOK);
    auto code = saver.WaitExit(10000);
    E2E_REQUIRE(code, "the process did not end after OK");
    E2E_EXPECT(*code == 0, "exit code %lu after OK", *code);
}

int ConfigValueCount() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
    DWORD values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(key);
    return static_cast<int>(values);
}

// Three pictures that sort a, b, c: red, green and the blue JPEG.
std::string ThreePictures() {
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(400, 300, kRed));
    WriteFileBytes(folder + "\\b.bmp", SolidBmp24(400, 300, kGreen));
    WriteFileBytes(folder + "\\c.jpg", BlueJpeg());
    return folder;
}

}  // namespace

E2E_CASE_WITH(settings_opens_without_owner, "x86") {
    // "/c 1234": a second argument is ignored. "/c:305419896" (0x12345678) names no window, which
    // gives no owner rather than no dialog.
    for (const char* args : {"", "/c", "-c", "c", "/C", "/config", "/c 1234", "/c:", "/c:305419896"}) {
        Saver saver(args);
        SettingsDialog dlg = WaitSettingsDialog(saver);
        E2E_EXPECT(GetWindow(dlg.hwnd, GW_OWNER) == nullptr, "'%s': the dialog has an owner", args);
        E2E_EXPECT(GetParent(dlg.hwnd) == nullptr, "'%s': the dialog has a parent", args);
        E2E_EXPECT(saver.TopWindows().size() == 1, "'%s': %zu visible windows", args,
                   saver.TopWindows().size());
        // No owner: centred in the work area.
        RECT r, work;
        GetWindowRect(dlg.hwnd, &r);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        const int dx = (r.left + r.right) - (work.left + work.right),
                  dy = (r.top + r.bottom) - (work.top + work.bottom);
        E2E_EXPECT(dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2, "'%s': dialog at %s, not centred in %s", args,
                   Describe(r).c_str(), Describe(work).c_str());
        PostMessageA(dlg.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        auto code = saver.WaitExit(10000);
        E2E_EXPECT(code && *code == 0, "'%s': the process did not end with 0 after the close box", args);
    }
}

E2E_CASE(settings_owned_by_command_line_window) {
    static ATOM cls = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = "E2ESettingsOwner";
        return RegisterClassA(&wc);
    }();
    (void)cls;
    // Far enough from the screen's left edge that the dialog, wider than the owner, centred over it
    // stays on the screen: the test is the centring, not the move into the work area.
    HWND owner = CreateWindowExA(0, "E2ESettingsOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 20,
                                 500, 520, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    E2E_REQUIRE(owner, "cannot create the owner window");
    const std::string number = std::to_string(static_cast<long>(reinterpret_cast<intptr_t>(owner)));
    for (const std::string& args : {"/c:" + number, "/c=" + number, "/C" + number}) {
        Saver saver(args);
        SettingsDialog dlg = WaitSettingsDialog(saver);
        E2E_EXPECT(GetWindow(dlg.hwnd, GW_OWNER) == owner, "'%s': owner %p, want %p", args.c_str(),
                   static_cast<void*>(GetWindow(dlg.hwnd, GW_OWNER)), static_cast<void*>(owner));
        E2E_EXPECT(!IsWindowEnabled(owner), "'%s': the owner is not disabled while the dialog runs",
                   args.c_str());
        RECT r, o;
        GetWindowRect(dlg.hwnd, &r);
        GetWindowRect(owner, &o);
        const int dx = (r.left + r.right) - (o.left + o.right), dy = (r.top + r.bottom) - (o.top + o.bottom);
        E2E_EXPECT(dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2, "'%s': dialog at %s, owner at %s",
                   args.c_str(), Describe(r).c_str(), Describe(o).c_str());
        dlg.Click(IDCANCEL);
        auto code = saver.WaitExit(10000);
        E2E_EXPECT(code && *code == 0, "'%s': the process did not end after Cancel", args.c_str());
        E2E_EXPECT(WaitUntil([&] { return IsWindowEnabled(owner) != FALSE; }, 5000),
                   "'%s': the owner stays disabled", args.c_str());
    }
    DestroyWindow(owner);
}

E2E_CASE(settings_fresh_user_reads_without_writing) {
    E2E_REQUIRE(!ConfigKeyExists(), "the settings key exists before the dialog ran");
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    E2E_EXPECT(ConfigKeyExists(), "reading the settings did not create the key path");
    E2E_EXPECT(ConfigValueCount() == 0, "the key holds %d values, want none", ConfigValueCount());
    E2E_EXPECT(dlg.Focus() == dlg.Item(IDC_FOLDER),
               "the dialog does not open with the focus in the folder box");
    // Defaults shown: delay 10, every box checked, the Windows directory.
    E2E_EXPECT(dlg.Delay() == "10", "delay box '%s', want 10", dlg.Delay().c_str());
    for (int id : {IDC_STRETCH, IDC_RANDOM_ORDER, IDC_SHOW_CAPTION, IDC_FADE, IDC_SHOW_BMP, IDC_SHOW_JPG,
                   IDC_SHOW_OTHER})
        E2E_EXPECT(dlg.Checked(id), "check box %d is not checked", id);
    E2E_EXPECT(!dlg.Checked(IDC_PAN_AND_ZOOM), "pan and zoom shows checked for a fresh user");
    E2E_EXPECT(!dlg.Checked(IDC_SHOW_INFO), "the date and place box shows checked for a fresh user");
    E2E_EXPECT(!dlg.Checked(IDC_BROWSE_KEYS), "browsing keys show checked for a fresh user");
    E2E_EXPECT(!IsWindowEnabled(dlg.Item(IDC_SHOW_HIDDEN)), "nothing is hidden, yet the button is enabled");
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    E2E_EXPECT(_stricmp(TextOf(dlg.Item(IDC_FOLDER)).c_str(), windows) == 0, "folder box '%s', want '%s'",
               TextOf(dlg.Item(IDC_FOLDER)).c_str(), windows);
    dlg.Click(IDCANCEL);
    saver.WaitExit(10000);
    E2E_EXPECT(ConfigValueCount() == 0, "after Cancel the key holds %d values", ConfigValueCount());
}

E2E_CASE_WITH(settings_ok_writes_all_seven, "x86") {
    const std::string folder = ThreePictures();
    Settings s;
    s.delay = 30;
    s.stretch = 0;
    s.randomOrder = 1;
    s.caption = 7;  // outside 0..2: shown unchecked, written back as 0
    s.bmp = 1;
    s.folder = folder;
    s.Write();
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    E2E_EXPECT(dlg.Delay() == "30", "delay box '%s'", dlg.Delay().c_str());
    E2E_EXPECT(!dlg.Checked(IDC_SHOW_CAPTION), "a stored 7 shows its check box checked");
    dlg.Click(IDC_STRETCH);       // 0 -> 1
    dlg.Click(IDC_RANDOM_ORDER);  // 1 -> 0
    dlg.Click(IDC_PAN_AND_ZOOM);  // default 0 -> 1
    dlg.Click(IDC_SHOW_INFO);     // default 0 -> 1
    dlg.Click(IDC_BROWSE_KEYS);   // default 0 -> 1
    Sync(dlg.hwnd);
    TypeDelay(saver, dlg, "45", "");
    const std::string other = MakeFolder("other");
    { AsyncSetText send(dlg.Item(IDC_FOLDER), other); }
    PressOk(saver, dlg);

    E2E_EXPECT(ReadDword("DelayBetweenPictures") == 45u, "delay not written as the DWORD 45");
    E2E_EXPECT(ReadDword("StretchPictures") == 1u, "stretch not written as 1");
    E2E_EXPECT(ReadDword("RandomOrder") == 0u, "random order not written as 0");
    E2E_EXPECT(ReadDword("DisplayImageDescription") == 0u, "caption not written as 0");
    E2E_EXPECT(ReadDword("DisplayBMPFiles") == 1u, "BMP not written as 1");
    E2E_EXPECT(ReadDword("DisplayJPGFiles") == 1u, "JPG (default) not written as 1");
    E2E_EXPECT(ReadDword("DisplayOtherFiles") == 1u, "Others (default) not written as 1");
    auto dir = ReadString("Directory");
    E2E_EXPECT(dir && *dir == other, "Directory '%s', want the REG_SZ '%s'", dir ? dir->c_str() : "(missing)",
               other.c_str());
    E2E_EXPECT(ReadDword("FadeBetweenPictures") == 0u, "fades (written off before) not written as 0");
    E2E_EXPECT(ReadDword("PanAndZoom") == 1u, "pan and zoom not written as the DWORD 1");
    E2E_EXPECT(ReadDword("DisplayPictureInfo") == 1u, "the date and place box not written as the DWORD 1");
    E2E_EXPECT(ReadDword("BrowseKeys") == 1u, "browsing keys not written as the DWORD 1");
    // The two folder lists too, empty: every setting exists after OK.
    E2E_EXPECT(ConfigValueCount() == 15, "%d values in the key, want 15", ConfigValueCount());
}

E2E_CASE(settings_cancel_escape_close_write_nothing) {
    const std::string folder = ThreePictures();
    enum Way { kCancel, kEscape, kCloseBox };
    for (Way way : {kCancel, kEscape, kCloseBox}) {
        DeleteSettings();
        Saver saver("/c");
        SettingsDialog dlg = WaitSettingsDialog(saver);
        dlg.Click(IDC_STRETCH);
        dlg.Click(IDC_SHOW_BMP);
        Sync(dlg.hwnd);
        TypeDelay(saver, dlg, "77", "");
        { AsyncSetText send(dlg.Item(IDC_FOLDER), folder); }
        Sync(dlg.hwnd);
        if (way == kCancel) dlg.Click(IDCANCEL);
        if (way == kEscape) PostMessageA(dlg.Item(IDC_DELAY), WM_KEYDOWN, VK_ESCAPE, 1);
        if (way == kCloseBox) PostMessageA(dlg.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        auto code = saver.WaitExit(10000);
        E2E_EXPECT(code && *code == 0, "way %d: the process did not end with 0", way);
        E2E_EXPECT(ConfigValueCount() == 0, "way %d: %d values written", way, ConfigValueCount());
    }
}

E2E_CASE(settings_stored_delay_out_of_range) {
    Settings s;
    s.delay = 500;
    s.folder = ThreePictures();
    s.Write();
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    E2E_EXPECT(dlg.Delay() == "500", "delay box '%s', want 500 unchanged", dlg.Delay().c_str());
    E2E_EXPECT(Dialogs(saver.Pid(), nullptr, dlg.hwnd).empty(), "a message box at start");

    // OK (Enter, the default button) refuses it with the range message, and the dialog stays.
    // (A click on OK would first take the focus from the folder box, whose handler already reads
    // and refuses the delay once.)
    PostMessageA(dlg.Focus(), WM_KEYDOWN, VK_RETURN, 1);
    HWND box = WaitMessageBox(saver, dlg.hwnd);
    E2E_REQUIRE(box, "OK with 500 showed no message");
    E2E_EXPECT(MessageText(box) == kRangeMessage, "message '%s'", MessageText(box).c_str());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    Sync(dlg.hwnd);
    E2E_EXPECT(saver.Running() && IsWindow(dlg.hwnd), "the dialog closed after a refused OK");
    E2E_EXPECT(dlg.Focus() == dlg.Item(IDC_DELAY), "the focus is not in the delay box after the message");
    E2E_EXPECT(ReadDword("DelayBetweenPictures") == 500u, "the stored delay changed");

    TypeDelay(saver, dlg, "120", "");
    PressOk(saver, dlg);
    E2E_EXPECT(ReadDword("DelayBetweenPictures") == 120u, "delay not written as 120");
}

E2E_CASE(settings_delay_texts) {
    Settings s;
    s.folder = ThreePictures();
    s.Write();
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    // Emptying the box answers at once: every change of its text is handled.
    TypeDelay(saver, dlg, "", kPositiveMessage);
    TypeDelay(saver, dlg, " 15 ", "");
    TypeDelay(saver, dlg, "15a", kPositiveMessage);
    TypeDelay(saver, dlg, "1 5", kPositiveMessage);
    TypeDelay(saver, dlg, "+0", kPositiveMessage);
    TypeDelay(saver, dlg, "0", kRangeMessage);
    TypeDelay(saver, dlg, "121", kRangeMessage);
    TypeDelay(saver, dlg, "-1", kRangeMessage);
    TypeDelay(saver, dlg, "015", "");
    PressOk(saver, dlg);
    E2E_EXPECT(ReadDword("DelayBetweenPictures") == 15u, "'015' not written as 15");
}

E2E_CASE(settings_failing_delay_hides_later_boxes) {
    // While the delay box holds a bad text, a click on a check box after it in the exchange shows
    // the message again; OK is refused until the text is corrected.
    Settings s;
    s.folder = ThreePictures();
    s.Write();
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    TypeDelay(saver, dlg, "abc", kPositiveMessage);
    dlg.Click(IDC_SHOW_JPG);
    HWND box = WaitMessageBox(saver, dlg.hwnd);
    E2E_REQUIRE(box, "clicking JPG with a bad delay showed no message");
    E2E_EXPECT(MessageText(box) == kPositiveMessage, "message '%s'", MessageText(box).c_str());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    Sync(dlg.hwnd);
    TypeDelay(saver, dlg, "20", "");
    PressOk(saver, dlg);
    E2E_EXPECT(ReadDword("DisplayJPGFiles") == 0u, "JPG not written as 0 after the click");
    E2E_EXPECT(ReadDword("DelayBetweenPictures") == 20u, "delay not written as 20");
}

E2E_CASE_WITH(settings_preview_shows_first_picture_scaled, "x86") {
    Settings s;
    s.delay = 120;
    s.stretch = 0;
    s.randomOrder = 0;
    s.caption = 0;
    s.folder = ThreePictures();
    s.Write();
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);

    // The preview takes the hidden placeholder's rectangle.
    RECT placeholder, previewWindow;
    GetWindowRect(dlg.Item(IDC_PREVIEW_FRAME), &placeholder);
    GetWindowRect(dlg.preview, &previewWindow);
    E2E_EXPECT(EqualRect(&placeholder, &previewWindow), "preview at %s, placeholder at %s",
               Describe(previewWindow).c_str(), Describe(placeholder).c_str());
    E2E_EXPECT(!IsWindowVisible(dlg.Item(IDC_PREVIEW_FRAME)), "the placeholder is visible");
    E2E_EXPECT(GetDlgCtrlID(dlg.preview) == 0, "preview child id %d, want 0", GetDlgCtrlID(dlg.preview));

    // Not stretched: the 400 x 300 picture at the size it would have on the 800-pixel-wide screen,
    // scaled by the preview's 112 / 800, so 56 x 42, centred in the 112 x 78 preview at (28, 18).
    E2E_REQUIRE(ScreenWidth() == 800, "the screen is %d wide, want 800", ScreenWidth());
    const RECT area = dlg.PreviewRect();
    const int cw = area.right - area.left, ch = area.bottom - area.top;
    E2E_EXPECT(cw == 112 && ch == 78, "the preview is %dx%d, want 112x78", cw, ch);
    const int w = 56, h = 42;
    const RECT want = {area.left + 28, area.top + 18, area.left + 28 + w, area.top + 18 + h};
    const POINT c = dlg.PreviewCentre();
    E2E_REQUIRE(WaitPixel(c.x, c.y, kRed), "the preview does not show the first picture");
    Shot shot = Capture(area);
    const RECT got = shot.Bounds(kRed);
    E2E_EXPECT(EqualRect(&got, &want), "picture at %s, want %s in a %dx%d preview", Describe(got).c_str(),
               Describe(want).c_str(), cw, ch);
    E2E_EXPECT(shot.Count(kRed) == w * h, "%d red pixels, want %d", shot.Count(kRed), w * h);
    E2E_EXPECT(shot.Count(RGB(0, 0, 0)) == cw * ch - w * h, "the rest of the preview is not black");
    if (FailureCount()) SaveScreen("preview");
    dlg.Click(IDCANCEL);
    saver.WaitExit(10000);
}

E2E_CASE(settings_preview_restarts_after_changes) {
    Settings s;
    s.delay = 120;
    s.stretch = 1;
    s.randomOrder = 0;
    s.caption = 0;
    s.jpg = 0;  // the list is a, b
    s.folder = ThreePictures();
    s.Write();
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    const POINT c = dlg.PreviewCentre();
    E2E_REQUIRE(WaitPixel(c.x, c.y, kRed), "the preview does not start with a.bmp");
    dlg.Tick();
    E2E_REQUIRE(WaitPixel(c.x, c.y, kGreen), "a tick does not advance to b.bmp");

    // Folder box losing the focus, unedited: the list is rebuilt; the picture stays until the next
    // tick, which starts again at a.bmp.
    PostMessageA(dlg.hwnd, WM_COMMAND, MAKEWPARAM(IDC_FOLDER, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(dlg.Item(IDC_FOLDER)));
    E2E_EXPECT(SettledPixel(dlg.hwnd, c) == kGreen, "the folder change repainted the preview");
    dlg.Tick();
    E2E_EXPECT(WaitPixel(c.x, c.y, kRed), "after a folder change the next tick is not a.bmp");

    // JPG checked: the list a, b, c is rebuilt; without the rebuild the tick after b would show c.
    dlg.Tick();
    E2E_REQUIRE(WaitPixel(c.x, c.y, kGreen), "no advance to b.bmp");
    dlg.Click(IDC_SHOW_JPG);
    Sync(dlg.hwnd);
    dlg.Tick();
    E2E_EXPECT(WaitPixel(c.x, c.y, kRed), "after checking JPG the next tick is not a.bmp (%s)",
               Describe(ScreenPixel(c.x, c.y)).c_str());

    // Random order on: the list is shuffled and restarts; random order off again: sorted, and the
    // next tick is a.bmp again whatever was on show.
    dlg.Click(IDC_RANDOM_ORDER);
    COLORREF shown = SettledPixel(dlg.hwnd, c);
    for (int i = 0; i < 8 && shown == kRed; ++i) {
        dlg.Tick();
        shown = SettledPixel(dlg.hwnd, c);
    }
    E2E_REQUIRE(shown != kRed, "the shuffled show never left a.bmp");
    dlg.Click(IDC_RANDOM_ORDER);
    Sync(dlg.hwnd);
    dlg.Tick();
    E2E_EXPECT(WaitPixel(c.x, c.y, kRed), "after random order off the next tick is not a.bmp");
    if (FailureCount()) SaveScreen("restarts");
    dlg.Click(IDCANCEL);
    saver.WaitExit(10000);
}

E2E_CASE(settings_updown_steps_and_reaches_preview) {
    Settings s;
    s.delay = 3;
    s.randomOrder = 0;
    s.caption = 0;
    s.jpg = 0;
    s.folder = ThreePictures();
    s.Write();
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    HWND edit = dlg.Item(IDC_DELAY);
    auto key = [&](WPARAM vk) {
        PostMessageA(edit, WM_KEYDOWN, vk, 1);
        PostMessageA(edit, WM_KEYUP, vk, 0xC0000001);
        Sync(dlg.hwnd);
    };
    const POINT c = dlg.PreviewCentre();
    E2E_REQUIRE(WaitPixel(c.x, c.y, kRed), "the preview does not start with a.bmp");

    // Down from 3 to 1: each step restarts the preview's timer with the new delay, so the next
    // picture comes about 1 s after the last step (with the stored 3 s it could not before 3 s).
    key(VK_DOWN);
    E2E_EXPECT(dlg.Delay() == "2", "after Down: '%s', want 2", dlg.Delay().c_str());
    key(VK_DOWN);
    const double stepped = NowMs();
    E2E_EXPECT(dlg.Delay() == "1", "after Down twice: '%s', want 1", dlg.Delay().c_str());
    E2E_EXPECT(WaitPixel(c.x, c.y, kGreen, 2600), "the preview did not advance within 2.6 s of delay 1");
    Note("preview advanced %.0f ms after the delay became 1", NowMs() - stepped);
    key(VK_DOWN);
    E2E_EXPECT(dlg.Delay() == "1", "Down below 1: '%s'", dlg.Delay().c_str());

    TypeDelay(saver, dlg, "119", "");
    key(VK_UP);
    E2E_EXPECT(dlg.Delay() == "120", "after Up: '%s', want 120", dlg.Delay().c_str());
    key(VK_UP);
    E2E_EXPECT(dlg.Delay() == "120", "Up above 120: '%s'", dlg.Delay().c_str());
    E2E_EXPECT(Dialogs(saver.Pid(), nullptr, dlg.hwnd).empty(), "a message box appeared while stepping");
    PressOk(saver, dlg);
    E2E_EXPECT(ReadDword("DelayBetweenPictures") == 120u, "delay not written as 120");
}

E2E_CASE(settings_about_box) {
    Settings s;
    s.folder = ThreePictures();
    s.Write();
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);

    for (int round = 0; round < 3; ++round) {
        // Round 2: the settings dialog hangs off the top-left corner, its centre just inside the
        // work area, so the box centred over it would not be; the box stays inside.
        if (round == 2) {
            RECT d;
            GetWindowRect(dlg.hwnd, &d);
            // (Both ways by the dialog's own size, which grows as boxes join it.)
            SetWindowPos(dlg.hwnd, nullptr, work.left + 15 - (d.right - d.left) / 2,
                         work.top + 15 - (d.bottom - d.top) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            Sync(dlg.hwnd);
        }
        dlg.Click(IDC_ABOUT);
        HWND about = nullptr;
        WaitUntil(
            [&] {
                std::vector<HWND> found = Dialogs(saver.Pid(), kAboutTitle);
                if (!found.empty()) about = found.front();
                return about != nullptr;
            },
            5000);
        E2E_REQUIRE(about, "round %d: no about box", round);
        E2E_REQUIRE(WaitUntil([&] { return IsWindowVisible(about) != FALSE; }, 5000),
                    "round %d: the about box stays hidden", round);
        E2E_EXPECT(GetWindow(about, GW_OWNER) == dlg.hwnd,
                   "round %d: the about box is not owned by the dialog", round);
        E2E_EXPECT(!IsWindowEnabled(dlg.hwnd), "round %d: the settings dialog is enabled behind the box",
                   round);
        RECT a, d;
        GetWindowRect(about, &a);
        GetWindowRect(dlg.hwnd, &d);
        if (round < 2) {
            const int dx = (a.left + a.right) - (d.left + d.right),
                      dy = (a.top + a.bottom) - (d.top + d.bottom);
            E2E_EXPECT(dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2, "round %d: box at %s, dialog at %s", round,
                       Describe(a).c_str(), Describe(d).c_str());
        } else {
            E2E_EXPECT(a.left == work.left && a.top == work.top,
                       "box at %s, want its corner at the work area's %s", Describe(a).c_str(),
                       Describe(work).c_str());
        }

        // The icon and the version line.
        HWND icon = nullptr, version = nullptr;
        for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) icon = child;
            if (TextOf(child) == "Orvanta Version 1.0") version = child;
        }
        DWORD_PTR hicon = 0;
        if (icon) SendMessageTimeoutA(icon, STM_GETICON, 0, 0, SMTO_NORMAL, 3000, &hicon);
        E2E_EXPECT(hicon != 0, "round %d: the about box shows no icon", round);
        E2E_EXPECT(version != nullptr, "round %d: no 'Orvanta Version 1.0' line", round);

        // Enter (OK, the default button) in round 0, Escape after that.
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(about, nullptr), &info);
        E2E_EXPECT(info.hwndFocus == GetDlgItem(about, IDOK), "round %d: the focus is not on OK", round);
        const WPARAM vk = round == 0 ? VK_RETURN : VK_ESCAPE;
        PostMessageA(info.hwndFocus ? info.hwndFocus : about, WM_KEYDOWN, vk, 1);
        E2E_EXPECT(WaitUntil([&] { return !IsWindow(about); }, 5000),
                   "round %d: the key did not close the box", round);
        Sync(dlg.hwnd);
        E2E_EXPECT(IsWindowEnabled(dlg.hwnd), "round %d: the settings dialog stays disabled", round);
    }
    E2E_EXPECT(saver.Running(), "closing the about box ended the program");
    dlg.Click(IDCANCEL);
    saver.WaitExit(10000);
}

// The folder browser owned by the dialog (a dialog with a folder tree), or null.
HWND WaitFolderBrowser(const Saver& saver, HWND owner) {
    HWND browser = nullptr;
    WaitUntil(
        [&] {
            for (HWND h : Dialogs(saver.Pid(), nullptr, owner))
                if (FindWindowExA(h, nullptr, "SysTreeView32", nullptr)) browser = h;
            return browser != nullptr;
        },
        8000);
    return browser;
}

bool HasChildText(HWND parent, const std::string& text) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (TextOf(child) == text) return true;
    return false;
}

E2E_CASE(settings_browse_sets_folder) {
    Settings s;
    s.folder = ThreePictures();
    s.Write();
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    const std::string before = TextOf(dlg.Item(IDC_FOLDER));

    // Cancelled: nothing changes.
    dlg.Click(IDC_BROWSE);
    HWND browser = WaitFolderBrowser(saver, dlg.hwnd);
    E2E_REQUIRE(browser, "no folder browser");
    E2E_EXPECT(HasChildText(browser, "Please select folder containing pictures:"),
               "the browser lacks its title");
    PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
    E2E_EXPECT(WaitUntil([&] { return !IsWindow(browser); }, 5000), "the browser did not close on Cancel");
    Sync(dlg.hwnd);
    E2E_EXPECT(TextOf(dlg.Item(IDC_FOLDER)) == before, "Cancel changed the folder box");

    // The tree's root (the desktop, a file-system folder) chosen: its path goes into the folder box
    // at once. The first browse in a fresh prefix sometimes ignores the selection: retry once.
    std::string chosen;
    for (int attempt = 0; attempt < 2 && (chosen.empty() || chosen == before); ++attempt) {
        dlg.Click(IDC_BROWSE);
        browser = WaitFolderBrowser(saver, dlg.hwnd);
        E2E_REQUIRE(browser, "no folder browser the second time");
        HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
        DWORD_PTR root = 0, r = 0;
        SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, SMTO_NORMAL, 3000, &root);
        SendMessageTimeoutA(tree, TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(root), SMTO_NORMAL, 3000,
                            &r);
        Sync(dlg.hwnd);  // the browser runs in the dialog's thread
        PostMessageA(browser, WM_COMMAND, IDOK, 0);
        E2E_EXPECT(WaitUntil([&] { return !IsWindow(browser); }, 5000), "the browser did not close on OK");
        Sync(dlg.hwnd);
        chosen = TextOf(dlg.Item(IDC_FOLDER));
    }
    const DWORD attributes = GetFileAttributesA(chosen.c_str());
    E2E_EXPECT(
        chosen != before && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY),
        "folder box '%s' after choosing the desktop", chosen.c_str());
    PressOk(saver, dlg);
    auto dir = ReadString("Directory");
    E2E_EXPECT(dir && *dir == chosen, "Directory '%s', want '%s'", dir ? dir->c_str() : "(missing)",
               chosen.c_str());
}

E2E_CASE_WITH(settings_palette_display, "depth=8") {
    HDC screen = GetDC(nullptr);
    const bool palette = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(nullptr, screen);
    E2E_REQUIRE(palette, "the display is not palette-based");
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp8(200, 150, kRed));
    WriteFileBytes(folder + "\\b.jpg", BlueJpeg());
    WriteFileBytes(folder + "\\c.bmp", SolidBmp24(200, 150, kGreen));
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.folder = folder;
    s.Write();
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    for (int i = 0; i < 4; ++i)
        dlg.Tick();
    // Colours read back are unreliable on Wine's 8-bit display; the preview must have drawn
    // something, and nothing may have failed.
    Sync(dlg.hwnd);
    Shot shot = WaitStill(dlg.PreviewRect());
    E2E_EXPECT(!shot.AllOf(RGB(0, 0, 0)), "the preview stayed black");
    E2E_EXPECT(Dialogs(saver.Pid(), nullptr, dlg.hwnd).empty(), "a message box appeared");
    PressOk(saver, dlg);
    E2E_EXPECT(ConfigValueCount() == 15, "%d values written", ConfigValueCount());
}

namespace {

// The texts of a list box of the dialog, asked of the box itself in UTF-16 (the box keeps its
// texts so; an ANSI ask across processes comes back unconverted under Wine).
std::vector<std::string> ListItems(HWND list) {
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 3000, &count)) return items;
    for (DWORD_PTR i = 0; i < count && i < 100; ++i) {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_NORMAL, 3000, &length);
        std::wstring text(length + 1, L'\0');
        SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL, 3000,
                            &length);
        text.resize(wcslen(text.c_str()));
        items.push_back(Utf8(text));
    }
    return items;
}

// Presses an Add... button, chooses the browser's root (the desktop, a file-system folder) and
// waits for the list to hold `want` lines. As in the browse case, the first browse in a fresh
// prefix sometimes ignores the selection: one retry.
void AddDesktop(const Saver& saver, const SettingsDialog& dlg, int button, int list, size_t want) {
    for (int attempt = 0; attempt < 2 && ListItems(dlg.Item(list)).size() != want; ++attempt) {
        dlg.Click(button);
        HWND browser = WaitFolderBrowser(saver, dlg.hwnd);
        E2E_REQUIRE(browser, "button %d: no folder browser", button);
        HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
        DWORD_PTR root = 0, r = 0;
        SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, SMTO_NORMAL, 3000, &root);
        SendMessageTimeoutA(tree, TVM_SELECTITEM, TVGN_CARET, static_cast<LPARAM>(root), SMTO_NORMAL, 3000,
                            &r);
        Sync(dlg.hwnd);
        PostMessageA(browser, WM_COMMAND, IDOK, 0);
        E2E_EXPECT(WaitUntil([&] { return !IsWindow(browser); }, 5000), "the browser did not close on OK");
        Sync(dlg.hwnd);
    }
    E2E_REQUIRE(ListItems(dlg.Item(list)).size() == want, "list %d holds %zu lines, want %zu", list,
                ListItems(dlg.Item(list)).size(), want);
}

// A REG_MULTI_SZ value of the settings, as any reader of the registry gets it.
std::optional<std::vector<std::string>> ReadMultiString(const char* name) {
    const std::wstring key = Wide(kConfigKey);
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), Wide(name).c_str(), RRF_RT_REG_MULTI_SZ, nullptr,
                     nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), Wide(name).c_str(), RRF_RT_REG_MULTI_SZ, nullptr,
                     data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<std::string> texts;
    for (const wchar_t* p = data.data(); *p; p += wcslen(p) + 1)
        texts.push_back(Utf8(p));
    return texts;
}

}  // namespace

E2E_CASE(settings_folder_lists_add_remove_and_ok_writes_them) {
    // A 1.2 registry: no lists, so both boxes are empty.
    Settings s;
    s.folder = ThreePictures();
    s.Write();
    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    E2E_EXPECT(ListItems(dlg.Item(IDC_MORE_FOLDERS)).empty(), "the folder list is not empty");
    E2E_EXPECT(ListItems(dlg.Item(IDC_EXCLUDED_FOLDERS)).empty(), "the excluded list is not empty");

    AddDesktop(saver, dlg, IDC_ADD_FOLDER, IDC_MORE_FOLDERS, 1);
    const std::string chosen = ListItems(dlg.Item(IDC_MORE_FOLDERS)).front();
    const DWORD attributes = GetFileAttributesA(chosen.c_str());
    E2E_EXPECT(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY),
               "the folder list shows '%s', no folder", chosen.c_str());
    // Remove takes out the selected line; with none selected it does nothing.
    dlg.Click(IDC_REMOVE_FOLDER);
    Sync(dlg.hwnd);
    E2E_EXPECT(ListItems(dlg.Item(IDC_MORE_FOLDERS)).size() == 1, "Remove without a selection took a line");
    DWORD_PTR r = 0;
    SendMessageTimeoutA(dlg.Item(IDC_MORE_FOLDERS), LB_SETCURSEL, 0, 0, SMTO_NORMAL, 3000, &r);
    dlg.Click(IDC_REMOVE_FOLDER);
    Sync(dlg.hwnd);
    E2E_EXPECT(ListItems(dlg.Item(IDC_MORE_FOLDERS)).empty(), "Remove left the selected line");
    AddDesktop(saver, dlg, IDC_ADD_FOLDER, IDC_MORE_FOLDERS, 1);
    AddDesktop(saver, dlg, IDC_ADD_EXCLUDED, IDC_EXCLUDED_FOLDERS, 1);
    PressOk(saver, dlg);

    DWORD type = 0;
    E2E_EXPECT(ReadValueBytes("MoreFolders", &type) && type == REG_MULTI_SZ,
               "MoreFolders is not a REG_MULTI_SZ");
    const auto more = ReadMultiString("MoreFolders");
    const auto excluded = ReadMultiString("ExcludedFolders");
    E2E_EXPECT(more && *more == std::vector<std::string>{chosen}, "MoreFolders holds %zu texts, want '%s'",
               more ? more->size() : 0, chosen.c_str());
    E2E_EXPECT(excluded && *excluded == std::vector<std::string>{chosen},
               "ExcludedFolders holds %zu texts, want '%s'", excluded ? excluded->size() : 0, chosen.c_str());
    auto dir = ReadString("Directory");
    E2E_EXPECT(dir && *dir == s.folder, "Directory '%s' changed", dir ? dir->c_str() : "(missing)");
}

E2E_CASE(settings_folder_lists_reach_the_preview_and_cancel_keeps_them) {
    constexpr COLORREF kBlue = RGB(40, 40, 200);
    const std::string a = MakeFolder("a");
    MakeFolder("a\\sub");
    const std::string b = MakeFolder("b");
    WriteFileBytes(a + "\\a.bmp", SolidBmp24(400, 300, kRed));
    WriteFileBytes(a + "\\sub\\b.bmp", SolidBmp24(400, 300, kGreen));
    WriteFileBytes(b + "\\c.bmp", SolidBmp24(400, 300, kBlue));
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 0;
    s.folder = a;
    s.Write();
    HKEY key;
    E2E_REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, kConfigKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                nullptr) == ERROR_SUCCESS,
                "cannot open the settings key");
    auto multi = [&](const char* name, const std::string& text) {
        std::wstring data = Wide(text);
        data.append(2, L'\0');
        RegSetValueExW(key, Wide(name).c_str(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    };
    multi("MoreFolders", b);
    multi("ExcludedFolders", a + "\\sub");
    RegCloseKey(key);

    Saver saver("/c");
    SettingsDialog dlg = WaitSettingsDialog(saver);
    E2E_EXPECT(ListItems(dlg.Item(IDC_MORE_FOLDERS)) == std::vector<std::string>{b},
               "the folder list is not '%s'", b.c_str());
    const POINT c = dlg.PreviewCentre();
    // The stored lists: a, then b's picture; a\sub is left out.
    E2E_REQUIRE(WaitPixel(c.x, c.y, kRed), "the preview does not start with a\\a.bmp");
    dlg.Tick();
    E2E_REQUIRE(WaitPixel(c.x, c.y, kBlue), "the second picture is not b\\c.bmp (%s)",
                Describe(ScreenPixel(c.x, c.y)).c_str());

    // The exclusion removed: the preview walks anew and a\sub joins in, after a\a.bmp.
    DWORD_PTR r = 0;
    SendMessageTimeoutA(dlg.Item(IDC_EXCLUDED_FOLDERS), LB_SETCURSEL, 0, 0, SMTO_NORMAL, 3000, &r);
    dlg.Click(IDC_REMOVE_EXCLUDED);
    Sync(dlg.hwnd);
    dlg.Tick();
    E2E_REQUIRE(WaitPixel(c.x, c.y, kRed), "after the exclusion went the next tick is not a\\a.bmp");
    dlg.Tick();
    E2E_REQUIRE(WaitPixel(c.x, c.y, kGreen), "a\\sub\\b.bmp does not follow once its exclusion went (%s)",
                Describe(ScreenPixel(c.x, c.y)).c_str());

    // The more folder removed: after a's two pictures the show wraps to the first, not to b's.
    SendMessageTimeoutA(dlg.Item(IDC_MORE_FOLDERS), LB_SETCURSEL, 0, 0, SMTO_NORMAL, 3000, &r);
    dlg.Click(IDC_REMOVE_FOLDER);
    Sync(dlg.hwnd);
    dlg.Tick();
    E2E_REQUIRE(WaitPixel(c.x, c.y, kRed), "after the folder went the next tick is not a\\a.bmp");
    dlg.Tick();
    E2E_REQUIRE(WaitPixel(c.x, c.y, kGreen), "no advance to a\\sub\\b.bmp");
    dlg.Tick();
    E2E_EXPECT(WaitPixel(c.x, c.y, kRed), "the removed folder's picture still shows (%s)",
               Describe(ScreenPixel(c.x, c.y)).c_str());
    if (FailureCount()) SaveScreen("lists_preview");

    // Cancel: the stored lists stay as they were.
    dlg.Click(IDCANCEL);
    saver.WaitExit(10000);
    E2E_EXPECT(ReadMultiString("MoreFolders") == std::vector<std::string>{b}, "Cancel changed MoreFolders");
    E2E_EXPECT(ReadMultiString("ExcludedFolders") == std::vector<std::string>{a + "\\sub"},
               "Cancel changed ExcludedFolders");
}
