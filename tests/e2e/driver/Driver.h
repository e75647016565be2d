// The end-to-end test driver: one Windows program that holds every case. It starts the real
// Orvanta.scr with real command lines, writes the picture folder and the settings itself, finds
// the saver's windows, reads the screen's pixels, sends input and checks exit codes.
//
// A case is a function registered by name:
//
//     E2E_CASE(layout_stretch_wide) { ... }                // ctest name: e2e.layout_stretch_wide
//     E2E_CASE_WITH(palette_display, "depth=8") { ... }   // options read by tests/e2e/CMakeLists.txt
//
// Inside a case, E2E_REQUIRE stops the case at the first failure, E2E_EXPECT records the failure
// and goes on. Both print what was seen. Exit code 0 means every check held.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// ---- Case registry -------------------------------------------------------------------------

using CaseFn = void (*)();

struct Registrar {
    Registrar(const char* name, CaseFn fn);
};

struct Failure {};  // thrown by E2E_REQUIRE; caught by main

// Both format like printf (the C++ runtime's own, so %zu and %lld work).
void Fail(const char* file, int line, const char* fmt, ...)
    __attribute__((format(gnu_printf, 3, 4)));                              // records one failure
void Note(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));  // prints a line
int FailureCount();

#define E2E_CASE(name)                                                          \
    static void e2e_case_##name();                                              \
    static const ::e2e::Registrar e2e_registrar_##name(#name, e2e_case_##name); \
    static void e2e_case_##name()
#define E2E_CASE_WITH(name, options) E2E_CASE(name)

#define E2E_EXPECT(cond, ...)                                      \
    do {                                                           \
        if (!(cond)) ::e2e::Fail(__FILE__, __LINE__, __VA_ARGS__); \
    } while (0)
#define E2E_REQUIRE(cond, ...)                            \
    do {                                                  \
        if (!(cond)) {                                    \
            ::e2e::Fail(__FILE__, __LINE__, __VA_ARGS__); \
            throw ::e2e::Failure{};                       \
        }                                                 \
    } while (0)

// ---- Time and waiting ----------------------------------------------------------------------

double NowMs();
// Waits for ms milliseconds while dispatching the driver's own messages (its windows may be
// the saver's parent, and the saver sends them messages).
void Pump(DWORD ms);
// Polls pred every 15 ms (pumping meanwhile) until it holds or timeoutMs passes.
template <class Pred>
bool WaitUntil(Pred pred, DWORD timeoutMs) {
    double end = NowMs() + timeoutMs;
    for (;;) {
        if (pred()) return true;
        if (NowMs() > end) return false;
        Pump(15);
    }
}

// ---- Files ---------------------------------------------------------------------------------

// The case's own folder tree under C:\e2e\<case name>, emptied when the case starts.
std::string CaseRoot();
// A folder below the case's root (created with its parents); returns its full path.
std::string MakeFolder(const std::string& relative);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
// A 24-bit bottom-up BMP of one solid colour.
std::vector<uint8_t> SolidBmp24(int width, int height, COLORREF colour);
// A 24-bit picture whose every pixel differs from its neighbours (red across, green down) and none
// is black (blue at least 96): any move of it shows.
std::vector<uint8_t> GradientBmp(int width, int height);
// An 8-bit BMP with a 256-entry colour table whose every pixel uses entry 1 (colour).
std::vector<uint8_t> SolidBmp8(int width, int height, COLORREF colour);
// A small baseline JPEG, 160 x 120, solid RGB(40, 90, 200) before compression.
const std::vector<uint8_t>& BlueJpeg();
constexpr COLORREF kBlueJpegColour = RGB(40, 90, 200);

// ---- Settings ------------------------------------------------------------------------------

// HKCU\Software\Nimbrel\Orvantar Screen Saver\Config. Only the fields that are set are written,
// and FadeBetweenPictures, which is 0 unless the case sets it: cases that check a picture's pixels
// see it whole at once, as with fades off.
struct Settings {
    std::optional<DWORD> delay, stretch, randomOrder, caption, bmp, jpg, fade, panAndZoom, info, browseKeys,
        pairPortraits;
    std::optional<std::string> folder;
    void Write() const;
    // Each picture 1:1, centred, no caption, in name order, one slide a posted tick (delay 120).
    static void WritePlainShow(const std::string& folder);
};
constexpr const char* kConfigKey = "Software\\Nimbrel\\Orvantar Screen Saver\\Config";
void DeleteSettings();  // removes HKCU\Software\Nimbrel and everything below it
std::optional<DWORD> ReadDword(const char* name);
std::optional<std::string> ReadString(const char* name);
bool ConfigKeyExists();

// ---- Screen --------------------------------------------------------------------------------

struct Shot {
    int width = 0, height = 0, left = 0, top = 0;
    std::vector<uint32_t> pixels;     // 0x00RRGGBB, top-down
    COLORREF At(int x, int y) const;  // screen coordinates
    bool Inside(int x, int y) const { return x >= left && y >= top && x < left + width && y < top + height; }
    int Count(COLORREF c) const;
    bool AllOf(COLORREF c) const { return Count(c) == width * height; }
    // Bounding box (screen coordinates, right and bottom exclusive) of the pixels equal to c;
    // empty when there are none.
    RECT Bounds(COLORREF c) const;
    // Bounding box of every pixel that is not c.
    RECT BoundsNot(COLORREF c) const;
    bool Save(const std::string& path) const;  // writes a 24-bit BMP, for a look after a failure
};
Shot Capture(RECT area);
Shot CaptureScreen();
COLORREF ScreenPixel(int x, int y);
int ScreenWidth();
int ScreenHeight();
std::string Describe(COLORREF c);
std::string Describe(const RECT& r);
bool Near(COLORREF a, COLORREF b, int tolerance);
// Saves the whole screen as <case root>\<name>.bmp and prints the path.
void SaveScreen(const char* name);

// ---- The saver -----------------------------------------------------------------------------

// Orvanta.scr started with a command line. The process belongs to a job that kills it when the
// driver ends, so a failed case never leaves a saver covering the screen for the next one.
class Saver {
public:
    // args: what follows the program path, e.g. "/s" or "/p 1234".
    explicit Saver(const std::string& args);
    ~Saver();
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    DWORD Pid() const { return pid_; }
    HANDLE Process() const { return process_; }
    double StartedAtMs() const { return startedAt_; }
    bool Running() const;
    // Waits for the process to end; returns its exit code, or nothing on timeout.
    std::optional<DWORD> WaitExit(DWORD timeoutMs);
    // Visible top-level windows of the process.
    std::vector<HWND> TopWindows() const;
    // Waits for a visible top-level window of the process that covers the whole virtual screen
    // (the screen itself on one monitor).
    HWND WaitFullScreen(DWORD timeoutMs = 10000);
    // Waits for a visible top-level window of the process with this class name ("#32770" for a
    // dialog box), IsWindowVisible included; it becomes Window().
    HWND WaitWindow(const char* className, DWORD timeoutMs = 10000);
    HWND Window() const { return window_; }
    // Posts WM_TIMER for timer 1, as the slide timer would.
    void Tick() const;
    void Post(UINT msg, WPARAM w = 0, LPARAM l = 0) const;
    void Kill();

private:
    HANDLE process_ = nullptr;
    HANDLE job_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
    double startedAt_ = 0;
};

// Posts a marker to an edit control behind everything posted to its thread so far (a dialog's
// controls and every window of that thread share one queue) and waits until the thread has
// dispatched it: posted messages are handled in order, so everything posted before it has been
// handled. The marker flips the control's "modified" flag, which the program never reads.
// Painting those messages caused may still be pending: wait for its pixels. False when the
// control is gone or the marker does not come back in time.
bool Fence(HWND edit, DWORD timeoutMs = 10000);

// Waits until a capture of area has held still for two reads in a row (a paint that has begun
// has reached the screen) and returns it; fails the case when it keeps changing.
Shot WaitStill(RECT area, DWORD timeoutMs = 10000);
Shot WaitStillScreen();

// Waits until the pixel at (x, y) differs from `previous` and has held one value for two reads
// in a row; returns that value, or nothing on timeout.
std::optional<COLORREF> WaitPixelChange(int x, int y, COLORREF previous, DWORD timeoutMs = 10000);
// Waits until the pixel at (x, y) equals `want` (within tolerance).
bool WaitPixel(int x, int y, COLORREF want, DWORD timeoutMs = 10000, int tolerance = 0);

// Puts the pointer at a known place before a saver starts, in Wine's books and on the X server
// alike; false when the X server does not report it there within 2 s.
bool ResetPointer(int x = 400, int y = 300);

// Sends the saver's window WM_NULL and waits for the answer: the saver's thread has gone back to
// its message loop, so the message it was taking (a mouse move included) has been taken in full.
bool RoundTrip(HWND hwnd, DWORD timeoutMs = 5000);

// Moves the pointer to each point in turn with SetCursorPos, the next one only after a round trip
// to the saver's window, as a hand moves a mouse in several steps.
void MovePointerInSteps(HWND saverWindow, const std::vector<POINT>& points);

// The caption box (also the load-failure box): found by its button-face interior. Returns the
// outer box (frame included, right and bottom exclusive), or nothing when no box is on screen.
std::optional<RECT> FindCaptionBox(const Shot& shot);

// ---- Resource figures of another process ---------------------------------------------------

struct ProcessFigures {
    DWORD guiGdi = 0, guiUser = 0;  // GetGuiResources (Wine 8 answers 0 always)
    long gdiTable = -1;             // live entries in the process's GDI handle table (-1: unknown)
    SIZE_T privateBytes = 0;        // GetProcessMemoryInfo PrivateUsage (PagefileUsage under Wine)
    SIZE_T peakWorkingSet = 0;      // GetProcessMemoryInfo PeakWorkingSetSize
    DWORD handles = 0;              // GetProcessHandleCount (Wine 8 answers 0 always)
    int windows = 0;                // top-level windows of the process
};
ProcessFigures Measure(HANDLE process, DWORD pid);

}  // namespace e2e

// ---- Names in any script -------------------------------------------------------------------
// The driver runs in the prefix's code page (1252), so names it must spell in other scripts go
// through the wide calls, written here in UTF-8.
namespace e2e {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
// Creates the folder named in UTF-8 (its parent must exist).
void MakeFolderUtf8(const std::string& path);
void WriteFileBytesUtf8(const std::string& path, const std::vector<uint8_t>& bytes);
// Writes the Directory setting as REG_SZ from UTF-8.
void WriteFolderUtf8(const std::string& folder);
// The raw data of a value of the settings key, and its type; nothing when it is missing.
std::optional<std::vector<uint8_t>> ReadValueBytes(const char* name, DWORD* type = nullptr);
// Starts a program of the Linux side (such as "Z:\\bin\\ln -s . self") with folder (a Windows
// path) as its working folder. Wine runs it but hands back no process to wait for: the caller
// waits for its effect on the files.
bool RunUnix(const std::string& commandLine, const std::string& folder);
// A string resource of the saver under test, e.g. the load-failure format 103.
std::wstring ScrString(UINT id);
// The caption box the saver would draw for text, drawn by the driver with the same font and
// colours: returns the box's size and its pixels, with the origin at the box's top-left corner.
// Only the inside of the bevel (two pixels in from each side) is meant for comparison.
Shot ReferenceCaptionBox(const std::wstring& text);
// Pixels inside the bevel of a box found on the screen that differ from the reference; -1 when
// the sizes differ.
int CompareCaptionBox(const Shot& screen, const RECT& box, const Shot& reference);

}  // namespace e2e

// ---- Monitors ------------------------------------------------------------------------------

namespace e2e {

// The monitors in the order the saver deals entries to them: the primary first, then the others
// in EnumDisplayMonitors order. Screen coordinates.
std::vector<RECT> ShowingOrderMonitors();
// The virtual screen: the bounding rectangle of every monitor.
RECT VirtualScreenRect();
// Stops the case, saying why, unless the display has exactly `count` monitors.
void RequireMonitors(int count);
POINT Centre(const RECT& r);
// Waits until the window's rectangle on the screen is `want`.
bool WaitWindowRect(HWND hwnd, const RECT& want, DWORD timeoutMs = 10000);
// Whether `inner` lies wholly inside `outer`.
bool Contains(const RECT& outer, const RECT& inner);

}  // namespace e2e

// ---- Shared checks -------------------------------------------------------------------------

namespace e2e {

// The first child window of parent that belongs to process pid (a preview inside a host window),
// or null.
HWND ChildOfProcess(HWND parent, DWORD pid);
// A grey top-level window of that size at (40, 40), to host a preview (/p).
HWND MakePreviewParent(int width, int height);
// The command line that puts a preview into parent.
std::string PreviewArgs(HWND parent);
// Waits until the saver's child in parent is visible, or the saver has ended: WS_VISIBLE takes
// effect only once WM_CREATE has returned, and the child exists, hidden, before that. The child,
// or null.
HWND WaitPreviewChild(HWND parent, Saver& saver, DWORD timeoutMs = 10000);
// The settings dialog's live preview: its child of the program's own window class; or null.
HWND FindPreview(HWND dialog);
// A window's client area in screen coordinates.
RECT ClientOnScreen(HWND window);
// The rest of the case starts the test-only twin of the saver beside the one under test, whose
// directory layer waits folderMs on every folder and whose file layer waits openMs on every open.
void UseSlowSaver(int folderMs, int openMs);
// Every saver a case starts begins without a library index (%LOCALAPPDATA%\Orvanta\Library.db),
// as a user who never ran it: an index left by an earlier start would resume the sorted order or
// go on with the cycle, and the written cases expect a first start each time. A case about what
// carries over from run to run keeps it between its starts.
void KeepLibraryIndexAcrossStarts();
void ForgetLibraryIndex();
// The library index's folder in the suite's profile (the case fails without LOCALAPPDATA), and
// its file in it.
std::string LibraryIndexFolder();
std::string LibraryIndexFile();
// Column 0 of the first row that `sql` gives (?1 bound to `text` when given), read from the index
// beside the saver, as a second process would, with a 200 ms busy time-out; nothing when the
// index, the row or a value (not NULL) cannot be had.
std::optional<long long> IndexValue(const char* sql, const char* text = nullptr);
// Waits up to 5 s for the saver to end, and expects code 0 with no second visible window on the
// way (a message box).
void ExpectEndsOnce(Saver& saver, const char* what);

}  // namespace e2e
