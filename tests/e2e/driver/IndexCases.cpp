// The library index across runs: the random cycle never repeats a picture before the whole
// library has shown, the sorted order resumes after the last picture shown, a picture gone since
// the last run is passed over without the failure box, and an index that cannot be had (damaged,
// held open by another program) leaves the show as it is without one.

#include <cstdlib>
#include <optional>
#include <set>

#include "Driver.h"

using namespace e2e;

namespace {

// No index from an earlier case (the profile is the suite's), and this case's own kept from one
// start to the next.
void ForgetIndex() {
    ForgetLibraryIndex();
    KeepLibraryIndexAcrossStarts();
}

// Whether the index has recorded picture pNN.bmp as shown: it left the cycle's pending ones, and
// the sorted position is its own. Read beside the saver, as a second process would.
bool RecordedShown(int picture) {
    char name[32];
    std::snprintf(name, sizeof name, "p%02d.bmp", picture);
    return IndexValue(
               "SELECT p.pending = 0 OR p.ord = (SELECT value FROM meta WHERE key = 'sorted') "
               "FROM picture p WHERE p.name = ?1",
               name)
               .value_or(0) != 0;
}

// Whether the index's last walk has ended: every root complete, and pictures in it.
bool IndexCovers() {
    return IndexValue("SELECT (SELECT min(complete) FROM root) = 1 AND EXISTS(SELECT 1 FROM picture)")
               .value_or(0) == 1;
}

// n pictures of distinct colours, p00.bmp .. , in one folder.
std::vector<COLORREF> MakeLibrary(const std::string& folder, int n) {
    std::vector<COLORREF> colours;
    for (int i = 0; i < n; ++i) {
        const COLORREF c = RGB(20 + 14 * i, 200 - 9 * i, (i % 2) ? 60 : 180);
        char name[32];
        std::snprintf(name, sizeof name, "\\p%02d.bmp", i);
        WriteFileBytes(folder + name, SolidBmp24(64, 48, c));
        colours.push_back(c);
    }
    return colours;
}

int IndexOf(COLORREF c, const std::vector<COLORREF>& colours) {
    for (size_t i = 0; i < colours.size(); ++i)
        if (colours[i] == c) return static_cast<int>(i);
    return -1;
}

// One run of the saver showing `count` pictures; each one's index in the library. The record of
// the last one shown is waited for (it is committed with the next deal's request), so that the
// run can end by a kill, as a crash would end it.
std::vector<int> ShowRun(const std::vector<COLORREF>& colours, int count) {
    std::vector<int> shown;
    Saver saver("/s");
    saver.WaitFullScreen();
    COLORREF previous = RGB(0, 0, 0);
    for (int i = 0; i < count; ++i) {
        if (i > 0) saver.Tick();
        const auto got = WaitPixelChange(400, 300, previous);
        E2E_REQUIRE(got, "run step %d: no new picture after %s", i, Describe(previous).c_str());
        const int index = IndexOf(*got, colours);
        E2E_REQUIRE(index >= 0, "run step %d: %s is no picture of the library", i, Describe(*got).c_str());
        shown.push_back(index);
        Note("run step %d: p%02d", i, index);
        previous = *got;
        E2E_REQUIRE(WaitUntil([&] { return RecordedShown(index); }, 10000),
                    "step %d: p%02d was not recorded as shown", i, index);
    }
    saver.Kill();
    return shown;
}

}  // namespace

E2E_CASE_WITH(index_cycle_across_three_runs, "timeout=120") {
    ForgetIndex();
    const std::string folder = MakeFolder("pics");
    const std::vector<COLORREF> colours = MakeLibrary(folder, 16);
    Settings s;
    s.delay = 120;
    s.randomOrder = 1;
    s.caption = 0;
    s.folder = folder;
    s.Write();
    std::set<int> seen;
    for (int run = 0; run < 3; ++run) {
        for (int index : ShowRun(colours, 4)) {
            E2E_EXPECT(seen.insert(index).second, "run %d: p%02d shown again before the cycle ended", run,
                       index);
        }
    }
    Note("12 pictures over three runs, %zu distinct", seen.size());
}

E2E_CASE_WITH(index_sorted_resumes_after_the_last_shown, "timeout=120") {
    ForgetIndex();
    const std::string folder = MakeFolder("pics");
    const std::vector<COLORREF> colours = MakeLibrary(folder, 5);
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 0;
    s.folder = folder;
    s.Write();
    const std::vector<int> first = ShowRun(colours, 2);
    E2E_REQUIRE(first == (std::vector<int>{0, 1}), "the first run starts at the first picture");
    const std::vector<int> second = ShowRun(colours, 4);
    E2E_EXPECT(second == (std::vector<int>{2, 3, 4, 0}),
               "the second run goes on after p01 and wraps: %d %d %d %d", second[0], second[1], second[2],
               second[3]);
}

E2E_CASE_WITH(index_picture_gone_since_the_last_run_is_passed_over, "timeout=120") {
    ForgetIndex();
    const std::string folder = MakeFolder("pics");
    const std::vector<COLORREF> colours = MakeLibrary(folder, 4);
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 1;
    s.folder = folder;
    s.Write();
    E2E_REQUIRE(ShowRun(colours, 1) == std::vector<int>{0}, "the first run shows p00");
    E2E_REQUIRE(DeleteFileA((folder + "\\p01.bmp").c_str()), "p01 could not be deleted");
    // The index still lists p01, next in order: it is passed over for p02, with no failure box.
    Saver saver("/s");
    saver.WaitFullScreen();
    const auto got = WaitPixelChange(400, 300, RGB(0, 0, 0));
    E2E_REQUIRE(got && *got == colours[2], "showing %s, want p02", got ? Describe(*got).c_str() : "nothing");
    const Shot shot = CaptureScreen();
    E2E_EXPECT(shot.Count(colours[2]) + shot.Count(RGB(0, 0, 0)) == shot.width * shot.height,
               "nothing but the picture on black (a failure box would show)");
}

// What the saver does with an index it cannot use: the show runs, from a walk, as without one.
E2E_CASE_WITH(index_damaged_is_set_aside_and_made_again, "timeout=120") {
    ForgetIndex();
    const std::string folder = MakeFolder("pics");
    const std::vector<COLORREF> colours = MakeLibrary(folder, 3);
    CreateDirectoryA(LibraryIndexFolder().c_str(), nullptr);
    WriteFileBytes(LibraryIndexFolder() + "\\Library.db", std::vector<uint8_t>(8192, 0x5A));
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 0;
    s.folder = folder;
    s.Write();
    E2E_REQUIRE(ShowRun(colours, 2) == (std::vector<int>{0, 1}), "the show runs in order");
    WIN32_FIND_DATAA data;
    const HANDLE find = FindFirstFileA((LibraryIndexFolder() + "\\Library.db.damaged-*").c_str(), &data);
    E2E_EXPECT(find != INVALID_HANDLE_VALUE, "the damaged file was not set aside");
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    // The index made again carries the sorted position over.
    E2E_EXPECT(ShowRun(colours, 1) == std::vector<int>{2}, "the next run goes on from the new index");
}

E2E_CASE_WITH(index_held_open_without_sharing_shows_as_without_one, "timeout=120") {
    ForgetIndex();
    const std::string folder = MakeFolder("pics");
    const std::vector<COLORREF> colours = MakeLibrary(folder, 3);
    CreateDirectoryA(LibraryIndexFolder().c_str(), nullptr);
    const HANDLE held =
        CreateFileA((LibraryIndexFolder() + "\\Library.db").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    E2E_REQUIRE(held != INVALID_HANDLE_VALUE, "the index could not be held open");
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 0;
    s.folder = folder;
    s.Write();
    Saver saver("/s");
    saver.WaitFullScreen();
    COLORREF previous = RGB(0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) saver.Tick();
        const auto got = WaitPixelChange(400, 300, previous);
        E2E_REQUIRE(got && *got == colours[static_cast<size_t>(i % 3)], "step %d: showing %s", i,
                    got ? Describe(*got).c_str() : "nothing");
        previous = *got;
    }
    CloseHandle(held);
}

// A slow share: the second start deals from the index of the whole library at once, where a walk
// would give the first folders' pictures first. Twelve top folders of one picture each (its colour
// tells the folder); the second start lists each folder in 3 s, so its walk alone would take 36 s.
E2E_CASE_WITH(index_second_start_on_a_slow_share_draws_from_the_whole_library, "timeout=180") {
    ForgetIndex();
    const std::string root = MakeFolder("share");
    constexpr int kFolders = 12;
    std::vector<COLORREF> colours;
    for (int f = 0; f < kFolders; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "share\\F%02d", f);
        const std::string folder = MakeFolder(name);
        const COLORREF c = RGB(20 + 18 * f, 220 - 15 * f, (f % 2) ? 60 : 180);
        std::snprintf(name, sizeof name, "\\p%02d.bmp", f);
        WriteFileBytes(folder + name, SolidBmp24(64, 48, c));
        colours.push_back(c);
    }
    Settings s;
    s.delay = 120;
    s.randomOrder = 1;
    s.caption = 0;
    s.folder = root;
    s.Write();
    {
        // The first start, at the disk's own speed, builds the index.
        Saver first("/s");
        first.WaitFullScreen();
        E2E_REQUIRE(WaitPixelChange(400, 300, RGB(0, 0, 0)), "the first start shows nothing");
        E2E_REQUIRE(WaitUntil(IndexCovers, 30000), "the first start's walk did not complete the index");
        first.Kill();
    }
    UseSlowSaver(3000, 0);
    Saver saver("/s");
    saver.WaitFullScreen();
    std::set<int> folders;
    COLORREF previous = RGB(0, 0, 0);
    for (int i = 0; i < 8; ++i) {
        if (i > 0) saver.Tick();
        const auto got = WaitPixelChange(400, 300, previous);
        E2E_REQUIRE(got, "step %d: no new picture after %s", i, Describe(previous).c_str());
        const int folder = IndexOf(*got, colours);
        E2E_REQUIRE(folder >= 0, "step %d: %s is no picture of the library", i, Describe(*got).c_str());
        Note("step %d after %.0f ms: F%02d", i, NowMs() - saver.StartedAtMs(), folder);
        folders.insert(folder);
        previous = *got;
    }
    E2E_EXPECT(folders.size() == 8, "the first 8 pictures came from %zu folders, want 8", folders.size());
    saver.Kill();
}

namespace {

// The library picture at (x, y) once it differs from `previous`: a cut, so any other colour is a
// repaint in progress, waited out.
std::optional<int> NextPictureAt(int x, int y, const std::vector<COLORREF>& colours, int previous) {
    int found = -1;
    WaitUntil(
        [&] {
            const int at = IndexOf(ScreenPixel(x, y), colours);
            if (at < 0 || at == previous) return false;
            found = at;
            return true;
        },
        10000);
    return found < 0 ? std::nullopt : std::optional<int>(found);
}

}  // namespace

// Two savers at once on one cycle: the settings dialog's live preview (raised above the saver
// without taking the focus, so the saver stays) and the full-screen saver, each advanced by its
// own timer's tick. Forty pictures, so no cycle ends within the steps: the two never show the same
// picture, and each tick of either gives a new picture in time (neither holds the other up).
E2E_CASE_WITH(index_two_savers_at_once_never_show_the_same_picture, "timeout=180") {
    ForgetIndex();
    const std::string folder = MakeFolder("pics");
    std::vector<COLORREF> colours;
    for (int i = 0; i < 40; ++i) {
        const COLORREF c = RGB(30 + 5 * i, 230 - 4 * i, (i % 3) * 90);
        char name[32];
        std::snprintf(name, sizeof name, "\\p%02d.bmp", i);
        WriteFileBytes(folder + name, SolidBmp24(80, 60, c));
        colours.push_back(c);
    }
    Settings s;
    s.delay = 120;
    s.randomOrder = 1;
    s.caption = 0;
    s.fade = 0;
    s.stretch = 1;
    s.folder = folder;
    s.Write();
    {
        // The index first, so that both deal from the cycle from their first picture on.
        Saver first("/s");
        first.WaitFullScreen();
        E2E_REQUIRE(WaitUntil(IndexCovers, 30000), "the walk did not complete the index");
        first.Kill();
    }
    Saver dialogSaver("/c");
    const HWND dialog = dialogSaver.WaitWindow("#32770", 15000);
    E2E_REQUIRE(dialog, "no settings dialog");
    const HWND preview = FindPreview(dialog);
    E2E_REQUIRE(preview, "the settings dialog has no preview");
    Saver saver("/s");
    const HWND full = saver.WaitFullScreen();
    E2E_REQUIRE(full, "no full-screen saver");
    // The dialog above the saver (the saver put at the bottom, the dialog on top), its preview in
    // the screen's right half; neither takes the focus, so the saver stays. Done again until the
    // dialog's frame shows, and before each look at the preview: a window just made may come up
    // above both once the X server maps it.
    const auto raise = [&] {
        RECT frame;
        GetWindowRect(dialog, &frame);
        return WaitUntil(
            [&] {
                SetWindowPos(full, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                SetWindowPos(dialog, HWND_TOPMOST, ScreenWidth() / 2, ScreenHeight() / 3, 0, 0,
                             SWP_NOSIZE | SWP_NOACTIVATE);
                GetWindowRect(dialog, &frame);
                return IndexOf(WaitStill(RECT{frame.left + 2, frame.top + 2, frame.left + 6, frame.top + 6})
                                   .At(frame.left + 4, frame.top + 4),
                               colours) < 0;
            },
            5000);
    };
    if (!raise()) CaptureScreen().Save(CaseRoot() + "\\two-savers.bmp");
    E2E_REQUIRE(raise(), "the dialog does not show above the saver");
    const RECT r = ClientOnScreen(preview);
    const POINT inPreview{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    const POINT inSaver{10, 10};
    E2E_REQUIRE(inPreview.x > ScreenWidth() / 2, "the preview is at %s", Describe(r).c_str());
    int shownFull = -1, shownPreview = -1;
    for (int step = 0; step < 12; ++step) {
        if (step > 0) {
            saver.Tick();
            PostMessageA(preview, WM_TIMER, 1, 0);
        }
        const auto atFull = NextPictureAt(inSaver.x, inSaver.y, colours, shownFull);
        E2E_REQUIRE(atFull, "step %d: the saver shows no new picture (still p%02d)", step, shownFull);
        E2E_REQUIRE(raise(), "step %d: the dialog does not show above the saver", step);
        const auto atPreview = NextPictureAt(inPreview.x, inPreview.y, colours, shownPreview);
        E2E_REQUIRE(atPreview, "step %d: the preview shows no new picture (still p%02d)", step, shownPreview);
        shownFull = *atFull;
        shownPreview = *atPreview;
        Note("step %d: saver p%02d, preview p%02d", step, shownFull, shownPreview);
        E2E_EXPECT(shownFull != shownPreview, "step %d: both show p%02d", step, shownFull);
        E2E_EXPECT(saver.Running() && dialogSaver.Running(), "step %d: a saver ended", step);
    }
    saver.Kill();
    dialogSaver.Kill();
}
