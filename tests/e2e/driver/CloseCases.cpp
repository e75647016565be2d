// A close never waits for a disk: in each mode the saver's worker is caught inside a slow open or
// listing of the test-only twin OrvantaSlowIo.scr (its file layer waits on every open, its
// directory layer on every folder read, and neither wait can be cancelled), and the window, the
// process and the settings written on OK must not wait for it.
//
// The open under way is the deal ahead: the window asks for the next deal in the same handler that
// hands the first one over, and with one picture in the folder the next deal opens that picture
// again. So the show cases wait for the first hand-over (after one slow open) and close then. A
// close that waits takes the rest of the second open, seconds; one that does not, milliseconds.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Driver.h"  // <windows.h> first

#include <psapi.h>

#include "../../../src/resources/resource.h"

using namespace e2e;

namespace {

constexpr int kSlowOpenMs = 4000;
constexpr int kSlowListingMs = 3000;
// What a close that does not wait may take on a loaded two-core machine under Wine. One that
// waits for the disk takes the rest of the slow call: seconds.
constexpr double kPromptDestroyMs = 1000;
constexpr double kPromptEndMs = 1500;
constexpr COLORREF kPicture = RGB(200, 120, 40);

// A show of one picture, no caption.
void OnePictureShow(int width, int height, bool fade) {
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(width, height, kPicture));
    Settings s;
    s.delay = 120;
    s.caption = 0;
    s.folder = folder;
    if (fade) s.fade = 1;
    s.Write();
}

// The saver's commit charge (Wine reports it as PagefileUsage and leaves PrivateUsage at 0).
SIZE_T Commit(const Saver& saver) {
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(saver.Process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
        return 0;
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}

// Waits for the saver to end after `since` and checks that it ended promptly and with code 0.
void ExpectPromptEnd(Saver& saver, double since, const char* what) {
    const std::optional<DWORD> code = saver.WaitExit(kSlowOpenMs + 10000);
    const double endedMs = NowMs() - since;
    E2E_REQUIRE(code, "%s: the saver is still running %.0f ms after the close", what, endedMs);
    Note("%s: the process ended %.0f ms after the close", what, endedMs);
    E2E_EXPECT(*code == 0, "%s: exit code %lu, want 0", what, *code);
    E2E_EXPECT(endedMs <= kPromptEndMs, "%s: the process ended %.0f ms after the close, want at most %.0f",
               what, endedMs, kPromptEndMs);
}

}  // namespace

E2E_CASE_WITH(close_preview_parent_destroyed_during_slow_open, "timeout=90") {
    // The display settings destroy the preview's parent; the preview's WM_DESTROY comes as a send
    // from their thread, which waits for it.
    //
    // A preview's pixels cannot be read here, so the hand-over is seen in the saver's figures: the
    // picture is large (13 MB decoded, far above what start-up allocates), so its decode shows in
    // the commit charge, and with fades on the hand-over makes the fade's frames, new entries in
    // the GDI handle table. Nothing else of the window's makes GDI objects between the two: once
    // the table grows after the decode, the window's thread is inside the hand-over, and the
    // WM_DESTROY sent to it runs only after that handler, which asks for the next deal.
    OnePictureShow(2400, 1800, true);
    UseSlowSaver(0, kSlowOpenMs);
    HWND parent = MakePreviewParent(320, 240);
    Saver saver(PreviewArgs(parent));
    HWND child = WaitPreviewChild(parent, saver);
    E2E_REQUIRE(child && saver.Running(), "no preview in the parent (process %s)",
                saver.Running() ? "running" : "ended");
    const SIZE_T startCommit = Commit(saver);
    E2E_REQUIRE(startCommit != 0, "the saver's commit charge cannot be read");
    const long startTable = Measure(saver.Process(), saver.Pid()).gdiTable;

    // The commit charge first, then the table. On a loaded machine the post and the hand-over can
    // fit between the two reads of one poll: then the table has already grown by the fade's
    // screens (three DIB sections and their memory context) over what it was at the start.
    long decodedTable = -1;
    const bool handedOver = WaitUntil(
        [&] {
            const bool decoded = Commit(saver) >= startCommit + (9u << 20);
            const long table = Measure(saver.Process(), saver.Pid()).gdiTable;
            if (!decoded) return false;
            if (decodedTable < 0) decodedTable = table;
            return table > decodedTable || table >= startTable + 3;
        },
        kSlowOpenMs + 10000);
    E2E_REQUIRE(decodedTable >= 0, "the first picture was not decoded within %d ms (GDI table unreadable?)",
                kSlowOpenMs + 10000);
    E2E_REQUIRE(handedOver, "the first picture was decoded but not handed over");
    Note(
        "preview: first hand-over %.0f ms after the start (GDI table %ld at the start, %ld after the decode)",
        NowMs() - saver.StartedAtMs(), startTable, decodedTable);

    const double sent = NowMs();
    DestroyWindow(parent);
    const double destroyMs = NowMs() - sent;
    Note("preview: DestroyWindow of the parent took %.0f ms", destroyMs);
    E2E_EXPECT(destroyMs <= kPromptDestroyMs, "DestroyWindow of the parent took %.0f ms, want at most %.0f",
               destroyMs, kPromptDestroyMs);
    ExpectPromptEnd(saver, sent, "preview");
}

E2E_CASE_WITH(close_full_screen_key_during_slow_open, "timeout=90") {
    OnePictureShow(64, 48, false);
    UseSlowSaver(0, kSlowOpenMs);
    Saver saver("/s");
    saver.WaitFullScreen();
    // The cut to the first picture is painted after the handler that asked for the next deal.
    E2E_REQUIRE(WaitPixel(400, 300, kPicture, kSlowOpenMs + 10000), "no first picture within %d ms",
                kSlowOpenMs + 10000);
    Note("full screen: first picture %.0f ms after the start", NowMs() - saver.StartedAtMs());
    const double sent = NowMs();
    saver.Post(WM_KEYDOWN, VK_SPACE, 1);
    E2E_EXPECT(WaitUntil([&] { return saver.TopWindows().empty(); }, 1000),
               "the window still shows 1 s after a key");
    ExpectPromptEnd(saver, sent, "full screen");
}

E2E_CASE(close_settings_ok_during_slow_listing) {
    // The preview's walk lists the folder, 3 s from its first step, which the dialog's
    // WM_INITDIALOG starts; OK writes the settings and the process ends without waiting for it.
    const std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(64, 48, kPicture));
    Settings s;
    s.delay = 30;
    s.stretch = 0;
    s.folder = folder;
    s.Write();
    UseSlowSaver(kSlowListingMs, 0);
    Saver saver("/c");
    HWND dlg = saver.WaitWindow("#32770", 15000);
    Note("settings: dialog %.0f ms after the start", NowMs() - saver.StartedAtMs());
    PostMessageA(GetDlgItem(dlg, IDC_STRETCH), BM_CLICK, 0, 0);  // 0 -> 1, for OK to write
    const double sent = NowMs();
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    ExpectPromptEnd(saver, sent, "settings");
    E2E_EXPECT(ReadDword("StretchPictures") == 1u, "OK did not write StretchPictures 1");
    E2E_EXPECT(ReadDword("DelayBetweenPictures") == 30u, "OK did not write DelayBetweenPictures 30");
    auto written = ReadString("Directory");
    E2E_EXPECT(written && *written == folder, "OK wrote Directory '%s', want '%s'",
               written ? written->c_str() : "(missing)", folder.c_str());
}
