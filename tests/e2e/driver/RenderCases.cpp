// The presenter's back-ends drawing a known scene (tests/e2e/render/RenderScene.h) through the
// render check program beside the driver, read back from the screen: a picture at 1:1 with point
// sampling exactly, a bilinear quad's hand-computed values, a blend at one half, and renderers
// made and dropped without a GDI object left behind.
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "RenderScene.h"

namespace {

using namespace render_scene;

std::string RenderCheckPath() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, DWORD(sizeof path));
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of('\\')) + "\\scene_check.exe";
}

// The driver's Saver starts whatever ORVANTA_SCR names: for this scope, the render check.
class StartsRenderCheck {
public:
    StartsRenderCheck() {
        const char* scr = std::getenv("ORVANTA_SCR");
        saved_ = scr ? scr : "";
        _putenv_s("ORVANTA_SCR", RenderCheckPath().c_str());
    }
    ~StartsRenderCheck() { _putenv_s("ORVANTA_SCR", saved_.c_str()); }
    StartsRenderCheck(const StartsRenderCheck&) = delete;
    StartsRenderCheck& operator=(const StartsRenderCheck&) = delete;

private:
    std::string saved_;
};

// Channel by channel (a + b + 1) / 2: the blend at one half.
uint32_t Half(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
        out |= ((((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + 1) / 2) << shift;
    return out;
}

// The old screen as drawn: black, the pattern, the ramp.
std::vector<uint32_t> OldScreen() {
    std::vector<uint32_t> screen(size_t(kWidth) * kHeight, 0);
    for (int y = 0; y < kPatternHeight; ++y)
        for (int x = 0; x < kPatternWidth; ++x)
            screen[size_t(kPatternY + y) * kWidth + kPatternX + x] = PatternPixel(x, y);
    const uint32_t rampRow[] = {0x000000, 0x323232, 0x969696, 0xC8C8C8};  // 0, 50, 150, 200
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            screen[size_t(kRampY + y) * kWidth + kRampX + x] = rampRow[x];
    return screen;
}

bool Matches(uint32_t got, uint32_t want, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = int((got >> shift) & 0xFF), b = int((want >> shift) & 0xFF);
        if (std::abs(a - b) > tolerance) return false;
    }
    return true;
}

// Waits until the window's area shows `want` (each channel within tolerance); reports the first
// pixel that differs when it does not in time.
void ExpectScreen(const char* stage, const std::vector<uint32_t>& want, int tolerance) {
    const RECT area{0, 0, kWidth, kHeight};
    e2e::Shot shot;
    size_t bad = 0;
    const bool shown = e2e::WaitUntil(
        [&] {
            shot = e2e::Capture(area);
            for (bad = 0; bad < want.size(); ++bad)
                if (shot.pixels.size() != want.size() || !Matches(shot.pixels[bad], want[bad], tolerance))
                    return false;
            return true;
        },
        10000);
    if (!shown) {
        e2e::SaveScreen(stage);
        const int x = int(bad % kWidth), y = int(bad / kWidth);
        E2E_EXPECT(false, "%s: at %d,%d the screen shows %06X, not %06X", stage, x, y,
                   bad < shot.pixels.size() ? unsigned(shot.pixels[bad]) : 0u, unsigned(want[bad]));
    }
}

// The scene through one back-end, stage by stage; tolerance for a back-end whose blend rounds
// otherwise (a GPU's).
void CheckScene(const char* backEnd, int tolerance) {
    std::optional<StartsRenderCheck> program(std::in_place);
    e2e::Saver check(backEnd);
    program.reset();
    HWND window = nullptr;
    E2E_REQUIRE(e2e::WaitUntil(
                    [&] {
                        const std::vector<HWND> windows = check.TopWindows();
                        window = windows.empty() ? nullptr : windows.front();
                        return window != nullptr || !check.Running();
                    },
                    10000) &&
                    window,
                "the render check shows no window (exit code %lu)", check.WaitExit(0).value_or(259));

    const std::vector<uint32_t> old = OldScreen();
    ExpectScreen("old screen", old, 0);

    std::vector<uint32_t> blend(old.size());
    for (size_t i = 0; i < old.size(); ++i)
        blend[i] = Half(old[i], kNewColour);
    PostMessageA(window, kNextStageMessage, 0, 0);
    ExpectScreen("blend at one half", blend, tolerance);

    PostMessageA(window, kNextStageMessage, 0, 0);
    ExpectScreen("new screen", std::vector<uint32_t>(old.size(), kNewColour), 0);

    // Renderers made and dropped leave no GDI object behind: one round warms what GDI keeps for
    // the process, the next must end where it began.
    DWORD_PTR answer = 1;
    E2E_EXPECT(SendMessageTimeoutA(window, kChurnMessage, 0, 0, SMTO_NORMAL, 10000, &answer) && answer == 0,
               "the render check could not make its renderers");
    const long before = e2e::Measure(check.Process(), check.Pid()).gdiTable;
    SendMessageTimeoutA(window, kChurnMessage, 0, 0, SMTO_NORMAL, 10000, &answer);
    const long after = e2e::Measure(check.Process(), check.Pid()).gdiTable;
    E2E_EXPECT(before == after, "%d renderers made and dropped: GDI objects %ld before, %ld after",
               kChurnRenderers, before, after);
    e2e::Note("GDI objects around %d renderers made and dropped: %ld, %ld", kChurnRenderers, before, after);

    PostMessageA(window, WM_CLOSE, 0, 0);
    const std::optional<DWORD> code = check.WaitExit(10000);
    E2E_EXPECT(code && *code == 0, "the render check ended with %lu", code.value_or(259));
}

}  // namespace

E2E_CASE(render_cpu_scene) { CheckScene("cpu", 0); }
