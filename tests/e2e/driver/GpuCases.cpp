// The saver on the GPU back-end (ORVANTA_PRESENTER=gpu): the still picture where and as the CPU
// back-end draws it, a crossfade's blend with and without pan and zoom, a moving picture whose
// corners never show black, two monitors each with its own picture, and a device removed
// mid-fade, moving or not, after which the CPU back-end carries the fade and the show on. Direct3D runs on
// software GL here, slowly: the pictures are small, and the waits are long enough for a renderer that takes a
// second to make and to present first.
//
// The saver's frame log (ORVANTA_FRAME_LOG), written as its window goes, names the back-end that
// drew the last frame: that tells a GPU frame from a CPU fall-back, which look alike on screen.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Driver.h"  // <windows.h> first

using namespace e2e;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
// Making a Direct3D renderer and its first present take about 1.5 s under software GL.
constexpr DWORD kFirstFrameMs = 15000;

// The pictures in name order, sorted, no captions, no timer in the way.
void WriteShow(const std::vector<std::vector<uint8_t>>& pictures, DWORD stretch, DWORD fade,
               DWORD panAndZoom) {
    const std::string folder = MakeFolder("pics");
    for (size_t i = 0; i < pictures.size(); ++i)
        WriteFileBytes(folder + "\\" + std::string(1, char('a' + i)) + ".bmp", pictures[i]);
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = stretch;
    s.caption = 0;
    s.fade = fade;
    s.panAndZoom = panAndZoom;
    s.folder = folder;
    s.Write();
}

std::string FrameLogPath() { return CaseRoot() + "\\frames.log"; }

// The next saver started draws on this back-end, and logs its frames. First the screen a saver
// before it left (another case's, or the CPU run of the same picture) has gone, so that what is
// read next is this saver's drawing.
void UsePresenter(const char* presenter) {
    for (const RECT& m : ShowingOrderMonitors()) {
        const POINT points[] = {Centre(m),
                                {m.left, m.top},
                                {m.right - 1, m.top},
                                {m.left, m.bottom - 1},
                                {m.right - 1, m.bottom - 1}};
        for (const POINT& p : points)
            E2E_REQUIRE(WaitPixel(p.x, p.y, kBlack, 5000), "the last saver's screen stays: %s at (%ld, %ld)",
                        Describe(ScreenPixel(p.x, p.y)).c_str(), p.x, p.y);
    }
    _putenv_s("ORVANTA_PRESENTER", presenter);
    DeleteFileA(FrameLogPath().c_str());
    _putenv_s("ORVANTA_FRAME_LOG", FrameLogPath().c_str());
}

// The back-end named by the frame log of the saver that has ended ("gpu", "cpu"); empty when it
// logged no frame.
std::string LoggedPresenter() {
    std::string last;
    FILE* f = std::fopen(FrameLogPath().c_str(), "r");
    if (!f) return last;
    char line[128];
    while (std::fgets(line, sizeof line, f)) {
        char name[32] = "";
        if (std::sscanf(line, "# presenter %31s", name) == 1) last = name;
    }
    std::fclose(f);
    return last;
}

// A key ends the saver, with code 0 and no second window on the way.
void EndWithKey(Saver& saver, const char* what) {
    saver.Post(WM_KEYDOWN, VK_SPACE, 1);
    ExpectEndsOnce(saver, what);
}

std::vector<COLORREF> Read(const std::vector<POINT>& points) {
    std::vector<COLORREF> values;
    for (const POINT& p : points)
        values.push_back(ScreenPixel(p.x, p.y));
    return values;
}

bool NoneBlack(const std::vector<COLORREF>& values) {
    for (COLORREF c : values)
        if (c == kBlack) return false;
    return true;
}

// The screen once the still picture has shown at `probe` and holds still.
Shot StillShow(const char* presenter, POINT probe) {
    UsePresenter(presenter);
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(probe.x, probe.y) != kBlack; }, kFirstFrameMs),
                "%s: the picture did not show at (%ld, %ld)", presenter, probe.x, probe.y);
    Shot shot = WaitStillScreen();
    EndWithKey(saver, presenter);
    // The GPU draws the still picture itself; the CPU's is the window's own paint, unlogged.
    if (std::string(presenter) == "gpu")
        E2E_EXPECT(LoggedPresenter() == "gpu", "the still picture was drawn by '%s', want gpu",
                   LoggedPresenter().c_str());
    return shot;
}

// Pixels of two shots further apart than one step in any channel.
int Differences(const Shot& a, const Shot& b, RECT* first) {
    int count = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const COLORREF p = a.At(x, y), q = b.At(x, y);
            if (Near(p, q, 1)) continue;
            if (count++ == 0) *first = RECT{x, y, x + 1, y + 1};
        }
    return count;
}

void CompareStill(int width, int height, DWORD stretch, POINT probe) {
    WriteShow({GradientBmp(width, height)}, stretch, 0, 0);
    const Shot cpu = StillShow("cpu", probe);
    const Shot gpu = StillShow("gpu", probe);
    E2E_REQUIRE(cpu.width == gpu.width && cpu.height == gpu.height, "the screens differ in size");
    RECT first{};
    const int differ = Differences(cpu, gpu, &first);
    if (differ) {
        SaveScreen("gpu");
        E2E_EXPECT(false, "%dx%d stretch %lu: %d pixels differ, the first at %s: cpu %s, gpu %s", width,
                   height, stretch, differ, Describe(first).c_str(),
                   Describe(cpu.At(first.left, first.top)).c_str(),
                   Describe(gpu.At(first.left, first.top)).c_str());
    }
}

}  // namespace

E2E_CASE_WITH(gpu_still_picture_as_cpu_draws_it, "timeout=120") {
    // Its own size, centred at (349, 274); then stretched to 800 x 403 at (0, 98).
    CompareStill(101, 51, 0, POINT{400, 300});
    CompareStill(101, 51, 1, POINT{400, 300});
}

static void CrossfadeBlends(DWORD panAndZoom) {
    WriteShow({SolidBmp24(160, 120, kRed), SolidBmp24(160, 120, kBlue)}, 1, 1, panAndZoom);
    UsePresenter("gpu");
    Saver saver("/s");
    saver.WaitFullScreen();
    const int x = ScreenWidth() / 2, y = ScreenHeight() / 2;
    E2E_REQUIRE(WaitPixel(x, y, kRed, kFirstFrameMs), "the red picture did not show: %s",
                Describe(ScreenPixel(x, y)).c_str());
    saver.Tick();
    auto blend = [](COLORREF c) {
        return GetGValue(c) == 0 && GetRValue(c) > 0 && GetBValue(c) > 0 && GetRValue(c) < 255 &&
               GetBValue(c) < 255;
    };
    E2E_EXPECT(WaitUntil([&] { return blend(ScreenPixel(x, y)); }, 10000),
               "no blend of red and blue showed: %s", Describe(ScreenPixel(x, y)).c_str());
    E2E_EXPECT(WaitPixel(x, y, kBlue, 10000), "the fade did not end on blue: %s",
               Describe(ScreenPixel(x, y)).c_str());
    EndWithKey(saver, "a key after the fade");
    E2E_EXPECT(LoggedPresenter() == "gpu", "the frames were drawn by '%s', want gpu",
               LoggedPresenter().c_str());
}

E2E_CASE(gpu_crossfade_blends) { CrossfadeBlends(1); }

E2E_CASE(gpu_plain_crossfade_blends) { CrossfadeBlends(0); }

E2E_CASE(gpu_motion_corners_never_black) {
    // A 4:3 picture stretched over the 4:3 screen: its corners are picture at every zoom.
    WriteShow({GradientBmp(200, 150)}, 1, 0, 1);
    UsePresenter("gpu");
    Saver saver("/s");
    saver.WaitFullScreen();
    const int w = ScreenWidth(), h = ScreenHeight();
    const std::vector<POINT> corners = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    const std::vector<POINT> inside = {{w / 8, h / 8}, {w / 2, h / 2}, {w * 7 / 8, h * 7 / 8}};
    std::vector<COLORREF> first;
    E2E_REQUIRE(WaitUntil(
                    [&] {
                        first = Read(inside);
                        return NoneBlack(first) && NoneBlack(Read(corners));
                    },
                    kFirstFrameMs),
                "the picture did not show");
    // Until the inside has moved and every corner has changed: no corner is black on the way.
    const std::vector<COLORREF> firstCorners = Read(corners);
    std::vector<bool> changed(corners.size(), false);
    bool moved = false;
    int reads = 0;
    const bool done = WaitUntil(
        [&] {
            const std::vector<COLORREF> now = Read(corners);
            ++reads;
            for (size_t i = 0; i < now.size(); ++i) {
                E2E_REQUIRE(now[i] != kBlack, "corner (%ld, %ld) black after %d reads", corners[i].x,
                            corners[i].y, reads);
                if (now[i] != firstCorners[i]) changed[i] = true;
            }
            moved = moved || Read(inside) != first;
            for (bool c : changed)
                if (!c) return false;
            return moved;
        },
        20000);
    E2E_EXPECT(done, "in 20 s the picture %s and not every corner changed", moved ? "moved" : "did not move");
    Note("%d reads of the four corners", reads);
    EndWithKey(saver, "a key during motion");
    E2E_EXPECT(LoggedPresenter() == "gpu", "the frames were drawn by '%s', want gpu",
               LoggedPresenter().c_str());
}

E2E_CASE_WITH(gpu_two_monitors_each_its_own, "monitors=2") {
    // Red on the primary monitor, blue on the other: each moving on the one swap chain.
    WriteShow({SolidBmp24(160, 120, kRed), SolidBmp24(160, 120, kBlue)}, 1, 0, 1);
    UsePresenter("gpu");
    Saver saver("/s");
    saver.WaitFullScreen();
    const std::vector<RECT> monitors = ShowingOrderMonitors();
    E2E_REQUIRE(monitors.size() == 2, "%zu monitors, want 2", monitors.size());
    const COLORREF want[] = {kRed, kBlue};
    for (size_t i = 0; i < monitors.size(); ++i) {
        const POINT c = Centre(monitors[i]);
        E2E_EXPECT(WaitPixel(c.x, c.y, want[i], kFirstFrameMs), "the monitor at %ld,%ld shows %s, want %s",
                   monitors[i].left, monitors[i].top, Describe(ScreenPixel(c.x, c.y)).c_str(),
                   Describe(want[i]).c_str());
    }
    EndWithKey(saver, "a key on two monitors");
    E2E_EXPECT(LoggedPresenter() == "gpu", "the frames were drawn by '%s', want gpu",
               LoggedPresenter().c_str());
}

// The first picture fades in from black over a second, in some 40 frames here: the twelfth
// present finds the device removed. The CPU back-end takes the fade over and the show goes on.
static void DeviceRemovedMidFade(DWORD panAndZoom) {
    WriteShow({SolidBmp24(160, 120, kRed), SolidBmp24(160, 120, kBlue)}, 1, 1, panAndZoom);
    UsePresenter("gpu");
    _putenv_s("ORVANTA_TEST_REMOVE_DEVICE", "12");
    Saver saver("/s");
    _putenv_s("ORVANTA_TEST_REMOVE_DEVICE", "");
    saver.WaitFullScreen();
    const int x = ScreenWidth() / 2, y = ScreenHeight() / 2;
    // Once the picture shows (past the first steps of its fade, where Wine may show the window's
    // black erase once more for a frame), the centre is never black again: no blank frame.
    bool shown = false;
    auto watch = [&](COLORREF want) {
        return WaitUntil(
            [&] {
                const COLORREF c = ScreenPixel(x, y);
                E2E_REQUIRE(!shown || c != kBlack, "the screen went black after the picture showed");
                shown = shown || GetRValue(c) >= 32 || GetBValue(c) >= 32;
                return c == want;
            },
            kFirstFrameMs);
    };
    E2E_REQUIRE(watch(kRed), "the red picture did not show whole: %s", Describe(ScreenPixel(x, y)).c_str());
    saver.Tick();
    E2E_EXPECT(watch(kBlue), "the next picture did not show: %s", Describe(ScreenPixel(x, y)).c_str());
    EndWithKey(saver, "a key after the device went");
    E2E_EXPECT(LoggedPresenter() == "cpu", "the last frames were drawn by '%s', want cpu",
               LoggedPresenter().c_str());
}

E2E_CASE(gpu_device_removed_mid_fade) { DeviceRemovedMidFade(1); }

E2E_CASE(gpu_device_removed_mid_plain_fade) { DeviceRemovedMidFade(0); }
