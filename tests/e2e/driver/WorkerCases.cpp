// The picture window's worker: the window comes first and answers input while the folder is walked
// behind it, on large, deep and slow trees (the test-only twin OrvantaSlowIo.scr waits on every
// folder read and file open); the settings dialog shows at once and answers while its
// preview's list is built; a change of stretch in the dialog decodes the preview again at once.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Driver.h"  // <windows.h> first

#include "../../../src/resources/resource.h"
#include "../../unit/JpegBuilder.h"

using namespace e2e;

namespace {

constexpr COLORREF kTreeColour = RGB(200, 120, 40);

// The trees are made once per display fixture (the prefix is the fixture's) by a shell script of
// the Linux side, which hard-links small pictures: 100,000 files in a few seconds rather than
// minutes of writes through Wine. The script's last act marks the tree as done.
std::string SharedTree(const char* name, const std::string& script, DWORD timeoutMs) {
    const std::string root = std::string("C:\\e2e-shared\\") + name;
    const std::string done = root + "\\done";
    if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) return root + "\\tree";
    CreateDirectoryA("C:\\e2e-shared", nullptr);
    CreateDirectoryA(root.c_str(), nullptr);
    WriteFileBytes(root + "\\p.bmp", SolidBmp24(64, 48, kTreeColour));
    WriteText(root + "\\make.sh", "set -e\nrm -rf tree proto\n" + script + "\ntouch done\n");
    E2E_REQUIRE(RunUnix("Z:\\bin\\sh make.sh", root), "cannot start the tree's script (error %lu)",
                GetLastError());
    const double started = NowMs();
    E2E_REQUIRE(
        WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs),
        "the tree %s was not made within %lu ms", name, timeoutMs);
    Note("tree %s made in %.0f ms", name, NowMs() - started);
    return root + "\\tree";
}

// 100,000 pictures: 10 folders of 100 folders of 100 hard links each, each of the 10 linking a
// copy of its own (a file takes some 65,000 links at most).
std::string HundredThousandTree() {
    return SharedTree("tree100k",
                      "for a in $(seq -w 0 9); do mkdir -p proto/$a tree/a$a\n"
                      "  cp p.bmp proto/$a.bmp\n"
                      "  for i in $(seq -w 0 99); do ln proto/$a.bmp proto/$a/p$i.bmp; done\n"
                      "  for d in $(seq -w 0 99); do cp -al proto/$a tree/a$a/d$d; done\n"
                      "done",
                      120000);
}

// One picture at the bottom of a chain of 1,500 folders (about 3,000 characters of path).
std::string DeepTree() {
    return SharedTree("deep1500",
                      "p=tree\n"
                      "for i in $(seq 1500); do p=$p/d; done\n"
                      "mkdir -p $p\n"
                      "ln p.bmp $p/deep.bmp",
                      60000);
}

void WriteShowSettings(const std::string& folder, DWORD random) {
    Settings s;
    s.delay = 120;
    s.stretch = 0;
    s.randomOrder = random;
    s.caption = 0;
    s.folder = folder;
    s.Write();
}

// Starts the full-screen saver on folder and returns how long its window took to appear.
double WindowTime(Saver& saver) {
    saver.WaitFullScreen();
    return NowMs() - saver.StartedAtMs();
}

// A key ends the saver: its window goes at once (a worker busy with a slow open may hold the
// process a moment longer, never the screen).
void KeyEnds(Saver& saver, const char* what) {
    const double sent = NowMs();
    saver.Post(WM_KEYDOWN, VK_SPACE, 1);
    E2E_EXPECT(WaitUntil([&] { return saver.TopWindows().empty(); }, 1000),
               "%s: the window still shows 1 s after a key", what);
    const double gone = NowMs() - sent;
    auto code = saver.WaitExit(5000);
    E2E_REQUIRE(code, "%s: a key did not end the saver within 5 s", what);
    Note("%s: window gone %.0f ms and process ended %.0f ms after the key", what, gone, NowMs() - sent);
}

// The window time of an empty folder, the baseline of the trees' window times.
double EmptyFolderWindowTime() {
    WriteShowSettings(MakeFolder("empty"), 0);
    Saver saver("/s");
    const double ms = WindowTime(saver);
    KeyEnds(saver, "empty folder");
    Note("empty folder: window after %.0f ms", ms);
    return ms;
}

// A grey picture of black and white stripes two pixels wide, in the phase where each 8-pixel row of
// a block is one cosine of the DCT's fourth frequency: a decode at a quarter of the size (two
// pixels from a block, from its even and odd-frequency halves) leaves an even grey; a decode at
// three quarters or more keeps the stripes.
std::vector<uint8_t> StripesJpeg(int width, int height) {
    JpegParams params;
    params.width = width;
    params.height = height;
    params.inSpace = JCS_GRAYSCALE;
    params.components = 1;
    params.quality = 100;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] = ((x + 1) / 2) % 2 ? 255 : 0;
    return EncodeJpeg(params, pixels);
}

// The spread of grey levels (green channel) across the shot.
int Spread(const Shot& shot) {
    int low = 255, high = 0;
    for (uint32_t p : shot.pixels) {
        const int g = (p >> 8) & 0xFF;
        low = std::min(low, g);
        high = std::max(high, g);
    }
    return high - low;
}

// The settings dialog's preview, in screen coordinates.
RECT PreviewOnScreen(HWND dlg) {
    HWND preview = FindPreview(dlg);
    E2E_REQUIRE(preview, "the settings dialog has no preview");
    return ClientOnScreen(preview);
}

}  // namespace

E2E_CASE_WITH(worker_slow_folder_never_freezes_input, "timeout=120") {
    // Three folders read and two files opened before the first picture, 1.5 s each: the window
    // answers every message meanwhile, and a key ends the saver while the next picture opens.
    const std::string folder = MakeFolder("slow");
    MakeFolder("slow\\a");
    MakeFolder("slow\\b");
    WriteFileBytes(folder + "\\a\\1.bmp", SolidBmp24(64, 48, kTreeColour));
    WriteFileBytes(folder + "\\b\\2.bmp", SolidBmp24(64, 48, RGB(40, 90, 200)));
    WriteShowSettings(folder, 0);
    UseSlowSaver(1500, 1500);
    Saver saver("/s");
    const HWND hwnd = saver.WaitFullScreen();
    Note("slow folder: window after %.0f ms", NowMs() - saver.StartedAtMs());
    double longest = 0;
    int answered = 0;
    const bool shown = WaitUntil(
        [&] {
            const double sent = NowMs();
            DWORD_PTR result = 0;
            E2E_REQUIRE(SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result),
                        "the window did not answer within 1 s while the slow folder was read");
            longest = std::max(longest, NowMs() - sent);
            ++answered;
            return ScreenPixel(400, 300) == kTreeColour;
        },
        30000);
    Note("slow folder: first picture after %.0f ms; %d messages answered meanwhile, the slowest in %.0f ms",
         NowMs() - saver.StartedAtMs(), answered, longest);
    E2E_REQUIRE(shown, "no first picture within 30 s");
    // The next picture is still opening (1.5 s): the tick waits for it, and a key ends the saver.
    saver.Tick();
    KeyEnds(saver, "slow folder");
}

E2E_CASE_WITH(worker_large_tree_window_first, "timeout=300") {
    const std::string tree = HundredThousandTree();
    const double empty = EmptyFolderWindowTime();
    for (DWORD random : {0u, 1u}) {
        const char* order = random ? "random" : "sorted";
        WriteShowSettings(tree, random);
        {
            // A key at once: the walk under way stops and the saver ends.
            Saver saver("/s");
            const double ms = WindowTime(saver);
            Note("%s, 100,000 pictures: window after %.0f ms (empty folder %.0f ms)", order, ms, empty);
            E2E_EXPECT(ms <= empty + 1000, "%s: the window came %.0f ms after an empty folder's", order,
                       ms - empty);
            KeyEnds(saver, order);
        }
        {
            Saver saver("/s");
            saver.WaitFullScreen();
            E2E_REQUIRE(WaitPixel(400, 300, kTreeColour, 5000), "%s: no first picture within 5 s", order);
            Note("%s, 100,000 pictures: first picture after %.0f ms", order, NowMs() - saver.StartedAtMs());
            KeyEnds(saver, order);
        }
    }
}

E2E_CASE_WITH(worker_large_tree_dialog_answers, "timeout=300") {
    const std::string tree = HundredThousandTree();
    auto dialogTime = [](const std::string& folder, const char* what, bool fence) {
        WriteShowSettings(folder, 0);
        Saver saver("/c");
        HWND dlg = saver.WaitWindow("#32770", 15000);
        const double ms = NowMs() - saver.StartedAtMs();
        Note("%s: dialog after %.0f ms", what, ms);
        if (fence) {
            // Posted messages come back at once while the preview's walk runs.
            const double sent = NowMs();
            for (int i = 0; i < 5; ++i)
                E2E_EXPECT(Fence(GetDlgItem(dlg, IDC_FOLDER), 2000), "%s: the dialog did not answer (%d)",
                           what, i);
            Note("%s: five round trips through the dialog's queue in %.0f ms", what, NowMs() - sent);
        }
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        E2E_REQUIRE(saver.WaitExit(5000), "%s: Cancel did not end the dialog", what);
        return ms;
    };
    const double empty = dialogTime(MakeFolder("empty"), "empty folder", false);
    const double large = dialogTime(tree, "100,000 pictures", true);
    E2E_EXPECT(large <= empty + 1000, "the dialog came %.0f ms after an empty folder's", large - empty);
}

E2E_CASE_WITH(worker_deep_tree_window_first, "timeout=180") {
    const std::string tree = DeepTree();
    const double empty = EmptyFolderWindowTime();
    WriteShowSettings(tree, 0);
    Saver saver("/s");
    const double ms = WindowTime(saver);
    Note("1,500 folders deep: window after %.0f ms (empty folder %.0f ms)", ms, empty);
    E2E_EXPECT(ms <= empty + 1000, "the window came %.0f ms after an empty folder's", ms - empty);
    KeyEnds(saver, "1,500 folders deep");
}

E2E_CASE(worker_dialog_stretch_decodes_again_sharp) {
    // 200 x 152 on an 800 x 600 screen: unstretched, the preview draws it at under a fifth of its
    // size, so it is decoded at a quarter; stretched it fills the preview and is decoded whole.
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\stripes.jpg", StripesJpeg(200, 152));
    WriteShowSettings(folder, 0);
    Saver saver("/c");
    HWND dlg = saver.WaitWindow("#32770");
    const RECT area = PreviewOnScreen(dlg);
    const int cx = (area.left + area.right) / 2, cy = (area.top + area.bottom) / 2;
    // A small even grey picture in the middle of the black preview (the dialog's face may show
    // there for a moment before the preview's first paint).
    const RECT centre{cx - 10, cy - 10, cx + 10, cy + 10};
    int spread = 0;
    const bool grey = WaitUntil(
        [&] {
            const COLORREF c = ScreenPixel(cx, cy);
            spread = Spread(Capture(centre));
            return Near(c, RGB(128, 128, 128), 24) && spread < 40;
        },
        10000);
    Note("unstretched: centre %s, grey levels spread over %d", Describe(ScreenPixel(cx, cy)).c_str(), spread);
    E2E_REQUIRE(grey, "the preview does not show the quarter-size decode's even grey");

    // Stretch on, and no tick: the preview must turn sharp by itself.
    PostMessageA(GetDlgItem(dlg, IDC_STRETCH), BM_CLICK, 0, 0);
    const bool sharp = WaitUntil(
        [&] {
            spread = Spread(Capture(centre));
            return spread > 120;
        },
        5000);
    Note("stretched: grey levels spread over %d", spread);
    E2E_EXPECT(sharp, "the stretched preview stays a blown-up small decode: levels spread over %d", spread);
    if (FailureCount()) SaveScreen("stretch");
    PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    saver.WaitExit(5000);
}

E2E_CASE(worker_dialog_stretch_keeps_the_caption_in_place) {
    // The slides on show decoded again after a setting change are the same pictures: the box
    // keeps its place (and takes no new random number). A red 200 x 152 picture, small in the
    // unstretched preview, fills it stretched; the miniature box is the face colour wherever it is.
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\red.bmp", SolidBmp24(200, 152, RGB(200, 40, 40)));
    // Lines enough for a box some pixels tall in miniature.
    WriteText(folder + "\\red.txt",
              "A caption\nof many\nlines\nso that\nits box\nshows\nin the\npreview\ntoo");
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 0;
    s.caption = 1;
    s.folder = folder;
    s.Write();
    Saver saver("/c");
    HWND dlg = saver.WaitWindow("#32770");
    const RECT area = PreviewOnScreen(dlg);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const POINT centre = Centre(area);
    // Unstretched, the picture is 28 pixels wide in the middle; stretched, 102 of the preview's 112.
    const POINT corner{area.left + 12, centre.y};
    auto boxNow = [&](bool stretched) -> std::optional<RECT> {
        if (!WaitPixel(centre.x, centre.y, RGB(200, 40, 40), 10000, 8)) return std::nullopt;
        if (!WaitUntil(
                [&] { return Near(ScreenPixel(corner.x, corner.y), RGB(200, 40, 40), 8) == stretched; },
                10000))
            return std::nullopt;
        const Shot shot = WaitStill(area);
        const RECT box = shot.Bounds(face);
        if (IsRectEmpty(&box)) return std::nullopt;
        return box;
    };
    const std::optional<RECT> before = boxNow(false);
    E2E_REQUIRE(before, "the unstretched preview shows no picture with its caption box");
    Note("box unstretched: %s", Describe(*before).c_str());

    PostMessageA(GetDlgItem(dlg, IDC_STRETCH), BM_CLICK, 0, 0);
    const std::optional<RECT> after = boxNow(true);
    E2E_REQUIRE(after, "the stretched preview shows no picture with its caption box");
    Note("box stretched: %s", Describe(*after).c_str());
    E2E_EXPECT(EqualRect(&*before, &*after), "the caption box moved from %s to %s when stretch was ticked",
               Describe(*before).c_str(), Describe(*after).c_str());
    if (FailureCount()) SaveScreen("caption-in-place");
    PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    saver.WaitExit(5000);
}
