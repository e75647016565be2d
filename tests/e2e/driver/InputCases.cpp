// What ends the full-screen saver and what does not: keys, buttons, mouse movement, loss of
// activation, and the system commands that it refuses.
#include "Driver.h"

using namespace e2e;

namespace {

constexpr COLORREF kPicture = RGB(200, 40, 40);
constexpr COLORREF kOther = RGB(40, 40, 200);

void WriteShow() {
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(320, 240, kPicture));
    WriteFileBytes(folder + "\\b.bmp", SolidBmp24(320, 240, kOther));
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.folder = folder;
    s.Write();
}

// Starts the saver and waits until its picture is on the screen.
void StartShow(Saver& saver) {
    saver.WaitFullScreen();
    E2E_REQUIRE(WaitPixel(400, 300, kPicture), "the picture did not show: %s at the centre, saver %s",
                Describe(ScreenPixel(400, 300)).c_str(), saver.Running() ? "running" : "ended");
}

void ExpectEnds(Saver& saver, const char* what) {
    auto code = saver.WaitExit(5000);
    E2E_EXPECT(code, "%s: the saver is still running after 5 s", what);
    E2E_EXPECT(!code || *code == 0, "%s: exit code %lu, want 0", what, code ? *code : 0UL);
}

// The input has been handled and the saver goes on. The marker is a tick posted behind the input:
// the picture changes once it has been handled. A second tick, posted once the first has shown,
// also follows whatever the saver posted to itself (a close request) while it handled the input,
// and brings the first picture back.
void ExpectStays(Saver& saver, const char* what) {
    for (int tick = 0; tick < 2; ++tick) {
        const COLORREF before = ScreenPixel(400, 300);
        saver.Tick();
        if (!WaitPixelChange(400, 300, before)) {
            E2E_EXPECT(false, "%s: the show stopped (running: %d)", what, saver.Running() ? 1 : 0);
            return;
        }
    }
    E2E_EXPECT(saver.Running() && IsWindow(saver.Window()), "%s: the saver ended", what);
}

struct Input {
    const char* name;
    UINT msg;
    WPARAM w;
    LPARAM l;
};

}  // namespace

E2E_CASE(input_mouse_move_threshold) {
    WriteShow();
    // The pointer rests at (400, 300) when the window appears: the centre, where Xvfb starts it, so
    // Wine's idea of the pointer and the X server's agree even when no warp has reached X yet (the
    // saver's real first mouse move comes from X). Moves at exactly that place never
    // close, one pixel off in x or in y does.
    for (POINT off : {POINT{1, 0}, POINT{0, 1}, POINT{-1, 0}, POINT{0, -1}}) {
        ResetPointer(400, 300);
        Saver saver("/s");
        StartShow(saver);
        saver.Post(WM_MOUSEMOVE, 0, MAKELPARAM(400, 300));
        ExpectStays(saver, "the first mouse move");
        saver.Post(WM_MOUSEMOVE, 0, MAKELPARAM(400, 300));
        ExpectStays(saver, "a second mouse move at the same place");
        saver.Post(WM_MOUSEMOVE, 0, MAKELPARAM(400 + off.x, 300 + off.y));
        char what[64];
        std::snprintf(what, sizeof what, "a move by (%ld, %ld)", off.x, off.y);
        ExpectEnds(saver, what);
    }
}

E2E_CASE_WITH(input_each_press_closes, "x86") {
    WriteShow();
    const Input inputs[] = {
        {"WM_KEYDOWN space", WM_KEYDOWN, VK_SPACE, 0x00390001},
        {"WM_KEYDOWN shift", WM_KEYDOWN, VK_SHIFT, 0x002A0001},
        {"WM_SYSKEYDOWN alt alone", WM_SYSKEYDOWN, VK_MENU, 0x20380001},
        {"WM_LBUTTONDOWN", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 300)},
        {"WM_MBUTTONDOWN", WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(400, 300)},
        {"WM_RBUTTONDOWN", WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(400, 300)},
        {"WM_ACTIVATE inactive", WM_ACTIVATE, WA_INACTIVE, 0},
        {"WM_ACTIVATEAPP false", WM_ACTIVATEAPP, FALSE, 0},
    };
    for (const Input& in : inputs) {
        Saver saver("/s");
        StartShow(saver);
        saver.Post(in.msg, in.w, in.l);
        ExpectEnds(saver, in.name);
    }
}

E2E_CASE(input_releases_and_activation_do_not_close) {
    WriteShow();
    Saver saver("/s");
    StartShow(saver);
    const Input inputs[] = {
        {"WM_KEYUP", WM_KEYUP, VK_SPACE, LPARAM(0xC0390001)},
        {"WM_SYSKEYUP", WM_SYSKEYUP, VK_MENU, LPARAM(0xC0380001)},
        {"WM_LBUTTONUP", WM_LBUTTONUP, 0, MAKELPARAM(400, 300)},
        {"WM_MBUTTONUP", WM_MBUTTONUP, 0, MAKELPARAM(400, 300)},
        {"WM_RBUTTONUP", WM_RBUTTONUP, 0, MAKELPARAM(400, 300)},
        {"WM_ACTIVATE active", WM_ACTIVATE, WA_ACTIVE, 0},
        {"WM_ACTIVATE click-active", WM_ACTIVATE, WA_CLICKACTIVE, 0},
        {"WM_ACTIVATEAPP true", WM_ACTIVATEAPP, TRUE, 0},
        {"WM_NCACTIVATE false", WM_NCACTIVATE, FALSE, 0},
        {"WM_SYSCOMMAND SC_SCREENSAVE", WM_SYSCOMMAND, SC_SCREENSAVE, 0},
        {"WM_SYSCOMMAND SC_CLOSE", WM_SYSCOMMAND, SC_CLOSE, 0},
        {"WM_TIMER 2", WM_TIMER, 2, 0},
    };
    for (const Input& in : inputs) {
        saver.Post(in.msg, in.w, in.l);
        ExpectStays(saver, in.name);
        if (FailureCount()) return;
    }
    // A request to draw the frame inactive is answered FALSE (the default processing would answer
    // TRUE); the active form gets the default processing.
    DWORD_PTR answer = 99;
    SendMessageTimeoutA(saver.Window(), WM_NCACTIVATE, FALSE, 0, SMTO_NORMAL, 2000, &answer);
    E2E_EXPECT(answer == FALSE, "WM_NCACTIVATE FALSE was answered %llu, want FALSE",
               static_cast<unsigned long long>(answer));
    answer = 99;
    SendMessageTimeoutA(saver.Window(), WM_NCACTIVATE, TRUE, 0, SMTO_NORMAL, 2000, &answer);
    E2E_EXPECT(answer == TRUE, "WM_NCACTIVATE TRUE was answered %llu, want TRUE (the default)",
               static_cast<unsigned long long>(answer));
    ExpectStays(saver, "WM_NCACTIVATE sent");
    // The picture is still on the screen.
    E2E_EXPECT(ScreenPixel(400, 300) == kPicture, "the picture is gone: %s at the centre",
               Describe(ScreenPixel(400, 300)).c_str());
    // A command that differs from SC_CLOSE in its low four bits gets the default processing,
    // which closes the window.
    saver.Post(WM_SYSCOMMAND, SC_CLOSE | 1, 0);
    ExpectEnds(saver, "WM_SYSCOMMAND SC_CLOSE + 1");
}

E2E_CASE(input_burst_ends_once) {
    WriteShow();
    Saver saver("/s");
    StartShow(saver);
    saver.Post(WM_KEYDOWN, VK_SPACE, 0x00390001);
    saver.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 300));
    saver.Post(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    saver.Post(WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    saver.Post(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(400, 300));
    saver.Post(WM_ACTIVATEAPP, FALSE, 0);
    saver.Post(WM_SYSKEYDOWN, VK_MENU, 0x20380001);
    ExpectEndsOnce(saver, "a burst of input");
}

E2E_CASE(input_real_devices_close) {
    // Input through the system rather than posted messages: a key press, a pointer movement, and
    // another window taking the activation.
    WriteShow();
    {
        Saver saver("/s");
        StartShow(saver);
        SetForegroundWindow(saver.Window());
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = 'A';
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
        ExpectEnds(saver, "a key pressed through SendInput");
    }
    {
        ResetPointer(400, 300);
        Saver saver("/s");
        StartShow(saver);
        // The first mouse move only records where the pointer is. Whichever comes first, Wine's
        // move at creation or this posted one, both say (400, 300); the fence makes sure it has
        // been recorded before the real move.
        saver.Post(WM_MOUSEMOVE, 0, MAKELPARAM(400, 300));
        ExpectStays(saver, "the first mouse move");
        MovePointerInSteps(saver.Window(), {POINT{410, 305}, POINT{420, 310}});
        ExpectEnds(saver, "the pointer moved by SetCursorPos");
    }
    {
        Saver saver("/s");
        StartShow(saver);
        HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr,
                                     nullptr, nullptr, nullptr);
        SetForegroundWindow(other);
        ExpectEnds(saver, "another window activated");
        DestroyWindow(other);
    }
}
