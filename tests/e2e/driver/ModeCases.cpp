// Which command lines start which mode: mode none ends at once, the full-screen switches cover
// the screen with one topmost popup.
#include "Driver.h"

using namespace e2e;

namespace {

// A folder with one picture, so that a full-screen saver has something to show.
std::string OnePictureFolder() {
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(64, 48, RGB(200, 40, 40)));
    Settings s;
    s.delay = 120;
    s.folder = folder;
    s.Write();
    return folder;
}

}  // namespace

E2E_CASE_WITH(mode_none_ends_at_once, "timeout=120 x86") {
    // Unrecognised first arguments: no window, and not even a settings read (which would create
    // the settings key).
    for (const char* args : {"/a", "/x", "/", "//s", "/scr", "/p:1234"}) {
        Saver saver(args);
        bool sawWindow = false;
        bool ended = WaitUntil(
            [&] {
                sawWindow = sawWindow || !saver.TopWindows().empty();
                return !saver.Running();
            },
            5000);
        E2E_EXPECT(ended, "'%s': the process is still running after 5 s", args);
        E2E_EXPECT(!sawWindow, "'%s': a window was shown", args);
        E2E_EXPECT(!ConfigKeyExists(), "'%s': the settings key was created", args);
        DeleteSettings();
    }
    // Preview without a usable parent window ends at once as well.
    OnePictureFolder();
    for (const char* args : {"/p", "/p 0", "-p 0"}) {
        Saver saver(args);
        bool sawWindow = false;
        bool ended = WaitUntil(
            [&] {
                sawWindow = sawWindow || !saver.TopWindows().empty();
                return !saver.Running();
            },
            5000);
        E2E_EXPECT(ended, "'%s': the process is still running after 5 s", args);
        E2E_EXPECT(!sawWindow, "'%s': a window was shown", args);
    }
}

E2E_CASE_WITH(mode_fullscreen_switches, "x86") {
    OnePictureFolder();
    const int w = ScreenWidth(), h = ScreenHeight();
    for (const char* args : {"/s", "-S", "s", "/S", "/s 1234 more words"}) {
        Saver saver(args);
        HWND hwnd = saver.WaitFullScreen();
        RECT r;
        GetWindowRect(hwnd, &r);
        LONG style = GetWindowLongA(hwnd, GWL_STYLE), ex = GetWindowLongA(hwnd, GWL_EXSTYLE);
        E2E_EXPECT((style & (WS_POPUP | WS_VISIBLE)) == (WS_POPUP | WS_VISIBLE) && !(style & WS_CHILD),
                   "'%s': style 0x%08lx, want a visible popup", args, style);
        E2E_EXPECT(ex & WS_EX_TOPMOST, "'%s': extended style 0x%08lx, want topmost", args, ex);
        E2E_EXPECT(r.left == 0 && r.top == 0 && r.right == w && r.bottom == h, "'%s': window %s", args,
                   Describe(r).c_str());
        E2E_EXPECT(GetParent(hwnd) == nullptr, "'%s': the window has a parent", args);
        E2E_EXPECT(saver.TopWindows().size() == 1, "'%s': %zu visible windows, want 1", args,
                   saver.TopWindows().size());
        E2E_EXPECT(WaitPixel(w / 2, h / 2, RGB(200, 40, 40)), "'%s': the picture did not show", args);
        saver.Post(WM_KEYDOWN, VK_SPACE, 1);
        auto code = saver.WaitExit(5000);
        E2E_EXPECT(code && *code == 0, "'%s': after a key the process %s (exit code %lu)", args,
                   code ? "ended" : "is still running", code ? *code : 0UL);
    }
}

E2E_CASE(mode_fullscreen_creates_settings_key) {
    // A user who never ran the saver: the first picture window creates the key path, empty.
    E2E_REQUIRE(!ConfigKeyExists(), "the settings key exists before the saver ran");
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_EXPECT(ConfigKeyExists(), "the settings key was not created by the saver");
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD values = 99, subkeys = 99;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr);
        RegCloseKey(key);
        E2E_EXPECT(values == 0 && subkeys == 0, "the key holds %lu values and %lu subkeys, want none", values,
                   subkeys);
    }
    saver.Post(WM_KEYDOWN, VK_SPACE, 1);
    auto code = saver.WaitExit(5000);
    E2E_EXPECT(code && *code == 0, "the saver did not end with code 0 after a key");
}
