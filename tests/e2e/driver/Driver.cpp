// The driver's entry point and the helpers that every case uses.
#include "Driver.h"

#include <psapi.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace e2e {
namespace {

std::map<std::string, CaseFn>& Cases() {
    static std::map<std::string, CaseFn> cases;
    return cases;
}

std::string g_caseName;
std::string g_caseRoot;
int g_failures = 0;
bool g_keepLibraryIndex = false;  // KeepLibraryIndexAcrossStarts

std::string ScrPath() {
    const char* p = std::getenv("ORVANTA_SCR");
    return p ? p : "";
}

void DeleteTree(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

void PutU16(std::vector<uint8_t>& v, size_t at, uint16_t x) {
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
void PutU32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v[at + i] = uint8_t(x >> (8 * i));
}

// File header and BITMAPINFOHEADER of an uncompressed bottom-up BMP.
std::vector<uint8_t> BmpHeaders(int width, int height, int bits, int colours, size_t imageSize) {
    size_t offset = 14 + 40 + size_t(colours) * 4;
    std::vector<uint8_t> v(offset + imageSize, 0);
    v[0] = 'B';
    v[1] = 'M';
    PutU32(v, 2, uint32_t(v.size()));
    PutU32(v, 10, uint32_t(offset));
    PutU32(v, 14, 40);
    PutU32(v, 18, uint32_t(width));
    PutU32(v, 22, uint32_t(height));
    PutU16(v, 26, 1);
    PutU16(v, 28, uint16_t(bits));
    PutU32(v, 30, 0);
    PutU32(v, 34, uint32_t(imageSize));
    PutU32(v, 38, 2835);
    PutU32(v, 42, 2835);
    PutU32(v, 46, uint32_t(colours));
    PutU32(v, 50, 0);
    return v;
}

HDC g_pixelDc = nullptr;
uint32_t* g_pixelBits = nullptr;

HBITMAP CreateTopDownDib(int width, int height, void** bits) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

COLORREF FromPixel(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

}  // namespace

// ---- Case registry -------------------------------------------------------------------------

Registrar::Registrar(const char* name, CaseFn fn) { Cases()[name] = fn; }

void Fail(const char* file, int line, const char* fmt, ...) {
    ++g_failures;
    const char* base = std::strrchr(file, '/');
    std::printf("FAIL %s:%d: ", base ? base + 1 : file, line);
    va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    std::printf("\n");
    std::fflush(stdout);
}

void Note(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    std::printf("\n");
    std::fflush(stdout);
}

int FailureCount() { return g_failures; }

// ---- Time and waiting ----------------------------------------------------------------------

double NowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(freq.QuadPart);
}

void Pump(DWORD ms) {
    double end = NowMs() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        double left = end - NowMs();
        if (left <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(left) + 1, QS_ALLINPUT);
    }
}

// ---- Files ---------------------------------------------------------------------------------

std::string CaseRoot() { return g_caseRoot; }

std::string MakeFolder(const std::string& relative) {
    std::string full = g_caseRoot;
    size_t start = 0;
    while (start <= relative.size() && !relative.empty()) {
        size_t end = relative.find('\\', start);
        if (end == std::string::npos) end = relative.size();
        full += "\\" + relative.substr(start, end - start);
        CreateDirectoryA(full.c_str(), nullptr);
        start = end + 1;
    }
    return full;
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE h =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    E2E_REQUIRE(h != INVALID_HANDLE_VALUE, "cannot create %s (error %lu)", path.c_str(), GetLastError());
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(h);
    E2E_REQUIRE(ok && written == bytes.size(), "cannot write %s", path.c_str());
}

void WriteText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> GradientBmp(int width, int height) {
    std::vector<uint8_t> v = SolidBmp24(width, height, RGB(0, 0, 0));
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &v[54 + stride * y + 3 * size_t(x)];
            p[0] = uint8_t(96 + (x + y) % 160);
            p[1] = uint8_t(y * 255 / (height > 1 ? height - 1 : 1));
            p[2] = uint8_t(x * 255 / (width > 1 ? width - 1 : 1));
        }
    return v;
}

std::vector<uint8_t> SolidBmp24(int width, int height, COLORREF colour) {
    size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> v = BmpHeaders(width, height, 24, 0, stride * height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &v[54 + stride * y];
        for (int x = 0; x < width; ++x) {
            row[3 * x] = GetBValue(colour);
            row[3 * x + 1] = GetGValue(colour);
            row[3 * x + 2] = GetRValue(colour);
        }
    }
    return v;
}

std::vector<uint8_t> SolidBmp8(int width, int height, COLORREF colour) {
    size_t stride = (size_t(width) + 3) & ~size_t(3);
    std::vector<uint8_t> v = BmpHeaders(width, height, 8, 256, stride * height);
    for (int i = 0; i < 256; ++i) {  // entry 0 black, 1 the colour, the rest a grey ramp
        uint8_t* q = &v[54 + 4 * i];
        if (i == 1) {
            q[0] = GetBValue(colour);
            q[1] = GetGValue(colour);
            q[2] = GetRValue(colour);
        } else if (i > 1) {
            q[0] = q[1] = q[2] = uint8_t(i);
        }
    }
    size_t bits = 54 + 1024;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            v[bits + stride * y + x] = 1;
    return v;
}

// ---- Settings ------------------------------------------------------------------------------

void Settings::WritePlainShow(const std::string& folder) {
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 0;
    s.caption = 0;
    s.folder = folder;
    s.Write();
}

void Settings::Write() const {
    HKEY key;
    LONG rc =
        RegCreateKeyExA(HKEY_CURRENT_USER, kConfigKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    E2E_REQUIRE(rc == ERROR_SUCCESS, "cannot create the settings key (error %ld)", rc);
    auto dword = [&](const char* name, const std::optional<DWORD>& v) {
        if (v) RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*v), 4);
    };
    dword("DelayBetweenPictures", delay);
    dword("StretchPictures", stretch);
    dword("RandomOrder", randomOrder);
    dword("DisplayImageDescription", caption);
    dword("DisplayBMPFiles", bmp);
    dword("DisplayJPGFiles", jpg);
    dword("FadeBetweenPictures", fade.value_or(0));
    dword("PanAndZoom", panAndZoom);
    dword("DisplayPictureInfo", info);
    dword("BrowseKeys", browseKeys);
    dword("PairPortraits", pairPortraits);
    if (folder)
        RegSetValueExA(key, "Directory", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder->c_str()),
                       DWORD(folder->size() + 1));
    RegCloseKey(key);
}

void DeleteSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Nimbrel");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Nimbrel");
}

std::optional<DWORD> ReadDword(const char* name) {
    DWORD v = 0, size = sizeof(v);
    if (RegGetValueA(HKEY_CURRENT_USER, kConfigKey, name, RRF_RT_REG_DWORD, nullptr, &v, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return v;
}

std::optional<std::string> ReadString(const char* name) {
    DWORD size = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kConfigKey, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::string s(size, '\0');
    if (RegGetValueA(HKEY_CURRENT_USER, kConfigKey, name, RRF_RT_REG_SZ, nullptr, &s[0], &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    s.resize(std::strlen(s.c_str()));
    return s;
}

bool ConfigKeyExists() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// ---- Screen --------------------------------------------------------------------------------

COLORREF Shot::At(int x, int y) const {
    if (!Inside(x, y)) return CLR_INVALID;
    return FromPixel(pixels[size_t(y - top) * width + (x - left)]);
}

int Shot::Count(COLORREF c) const {
    int n = 0;
    for (uint32_t p : pixels)
        n += FromPixel(p) == c;
    return n;
}

RECT Shot::Bounds(COLORREF c) const {
    RECT r = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (FromPixel(pixels[size_t(y) * width + x]) == c) {
                r.left = std::min<LONG>(r.left, x + left);
                r.top = std::min<LONG>(r.top, y + top);
                r.right = std::max<LONG>(r.right, x + left + 1);
                r.bottom = std::max<LONG>(r.bottom, y + top + 1);
            }
    if (r.left == INT_MAX) SetRectEmpty(&r);
    return r;
}

RECT Shot::BoundsNot(COLORREF c) const {
    RECT r = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (FromPixel(pixels[size_t(y) * width + x]) != c) {
                r.left = std::min<LONG>(r.left, x + left);
                r.top = std::min<LONG>(r.top, y + top);
                r.right = std::max<LONG>(r.right, x + left + 1);
                r.bottom = std::max<LONG>(r.bottom, y + top + 1);
            }
    if (r.left == INT_MAX) SetRectEmpty(&r);
    return r;
}

bool Shot::Save(const std::string& path) const {
    size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> v = BmpHeaders(width, height, 24, 0, stride * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t p = pixels[size_t(height - 1 - y) * width + x];
            uint8_t* q = &v[54 + stride * y + 3 * x];
            q[0] = uint8_t(p);
            q[1] = uint8_t(p >> 8);
            q[2] = uint8_t(p >> 16);
        }
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(h, v.data(), DWORD(v.size()), &written, nullptr);
    CloseHandle(h);
    return written == v.size();
}

Shot Capture(RECT area) {
    Shot s;
    s.left = area.left;
    s.top = area.top;
    s.width = area.right - area.left;
    s.height = area.bottom - area.top;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateTopDownDib(s.width, s.height, &bits);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, s.width, s.height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    s.pixels.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + size_t(s.width) * s.height);
    for (uint32_t& p : s.pixels)
        p &= 0xFFFFFF;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return s;
}

Shot CaptureScreen() { return Capture(RECT{0, 0, ScreenWidth(), ScreenHeight()}); }

COLORREF ScreenPixel(int x, int y) {
    if (!g_pixelDc) {
        void* bits = nullptr;
        g_pixelDc = CreateCompatibleDC(nullptr);
        SelectObject(g_pixelDc, CreateTopDownDib(1, 1, &bits));
        g_pixelBits = static_cast<uint32_t*>(bits);
    }
    HDC screen = GetDC(nullptr);
    BitBlt(g_pixelDc, 0, 0, 1, 1, screen, x, y, SRCCOPY);
    GdiFlush();
    ReleaseDC(nullptr, screen);
    return FromPixel(*g_pixelBits);
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

std::string Describe(COLORREF c) {
    char buf[64];
    if (c == CLR_INVALID)
        std::snprintf(buf, sizeof buf, "(none)");
    else
        std::snprintf(buf, sizeof buf, "RGB(%d, %d, %d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

std::string Describe(const RECT& r) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "(%ld, %ld)-(%ld, %ld) [%ld x %ld]", r.left, r.top, r.right, r.bottom,
                  r.right - r.left, r.bottom - r.top);
    return buf;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= tolerance &&
           std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= tolerance &&
           std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= tolerance;
}

void SaveScreen(const char* name) {
    std::string path = g_caseRoot + "\\" + name + ".bmp";
    if (CaptureScreen().Save(path)) Note("screen saved as %s", path.c_str());
}

std::optional<COLORREF> WaitPixelChange(int x, int y, COLORREF previous, DWORD timeoutMs) {
    COLORREF last = CLR_INVALID;
    std::optional<COLORREF> result;
    WaitUntil(
        [&] {
            COLORREF c = ScreenPixel(x, y);
            if (c != previous && c == last) {
                result = c;
                return true;
            }
            last = c;
            return false;
        },
        timeoutMs);
    return result;
}

bool WaitPixel(int x, int y, COLORREF want, DWORD timeoutMs, int tolerance) {
    return WaitUntil([&] { return Near(ScreenPixel(x, y), want, tolerance); }, timeoutMs);
}

bool ResetPointer(int x, int y) {
    // Wine's server clamps the pointer to the desktop window's rectangle, which is empty until the
    // desktop window exists: the server closes the desktop a second after the last program of a
    // case ends, and on the next one's fresh desktop a SetCursorPos made before anything asked for
    // the desktop window lands at (0, 0) and never reaches the X server. Ask for it first.
    GetDesktopWindow();
    // Wine warps the X pointer only when its own idea of the place changes: one pixel aside first,
    // so that the X server is told even when Wine believes the pointer is there already.
    SetCursorPos(x + 1, y);
    SetCursorPos(x, y);
    // GetCursorPos answers from the X server once Wine's own record is 100 ms old: wait until it
    // says the same.
    const double since = NowMs();
    return WaitUntil(
        [&] {
            POINT p{};
            return NowMs() - since > 150 && GetCursorPos(&p) && p.x == x && p.y == y;
        },
        2000);
}

bool RoundTrip(HWND hwnd, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

void MovePointerInSteps(HWND saverWindow, const std::vector<POINT>& points) {
    for (size_t i = 0; i < points.size(); ++i) {
        // Wine's server merges a mouse move into the previous one still in the queue, even one the
        // saver has already taken out and is still handling (its place already read); the saver
        // then drops the merged message with the one it handles, and the newer place is lost. A
        // sent message is answered only between messages, so after the round trip nothing taken
        // earlier is still being handled and the next step reaches the saver.
        if (i) RoundTrip(saverWindow);
        SetCursorPos(points[i].x, points[i].y);
    }
}

std::optional<RECT> FindCaptionBox(const Shot& shot) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
    RECT f = shot.Bounds(face);
    if (IsRectEmpty(&f)) return std::nullopt;
    // Face bounds first, then the bevel lines that sit one pixel inside the frame: highlight on
    // the left and top, shadow on the right and bottom. The frame itself is black like the
    // background, so it is found through the bevel.
    RECT box = {f.left - 2, f.top - 2, f.right + 2, f.bottom + 2};
    int row = f.top, col = f.left + 1;
    for (int x = col; shot.Inside(x, row); --x)
        if (shot.At(x, row) == light) {
            box.left = x - 1;
            break;
        }
    for (int x = col; shot.Inside(x, row); ++x)
        if (shot.At(x, row) == dark) {
            box.right = x + 2;
            break;
        }
    for (int y = row; shot.Inside(col, y); --y)
        if (shot.At(col, y) == light) {
            box.top = y - 1;
            break;
        }
    for (int y = row; shot.Inside(col, y); ++y)
        if (shot.At(col, y) == dark) {
            box.bottom = y + 2;
            break;
        }
    return box;
}

// ---- The saver -----------------------------------------------------------------------------

Saver::Saver(const std::string& args) {
    if (!g_keepLibraryIndex) ForgetLibraryIndex();
    std::string scr = ScrPath();
    E2E_REQUIRE(!scr.empty(), "ORVANTA_SCR is not set");
    std::string cmd = "\"" + scr + "\"";
    if (!args.empty()) cmd += " " + args;
    job_ = CreateJobObjectA(nullptr, nullptr);
    if (job_) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION li = {};
        li.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &li, sizeof li);
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    // Wine now and then refuses a process start with ERROR_INTERNAL_ERROR when the previous
    // case's saver is still being torn down; a second attempt a moment later goes through.
    BOOL ok = FALSE;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
        if (attempt) Sleep(300);
        startedAt_ = NowMs();
        ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                            &si, &pi);
        if (!ok) error = GetLastError();
    }
    E2E_REQUIRE(ok, "cannot start %s (error %lu)", cmd.c_str(), error);
    // The suite runs some cases against the x86 build too (E2E_SAVER_MACHINE=x86): make sure the
    // process really is the one asked for.
    if (const char* machine = std::getenv("E2E_SAVER_MACHINE")) {
        BOOL wow64 = FALSE;
        IsWow64Process(pi.hProcess, &wow64);
        const bool x86 = std::strcmp(machine, "x86") == 0;
        if (wow64 != (x86 ? TRUE : FALSE)) TerminateProcess(pi.hProcess, 99);
        E2E_REQUIRE(wow64 == (x86 ? TRUE : FALSE), "%s runs as %s, want %s", scr.c_str(),
                    wow64 ? "x86" : "x64", machine);
    }
    if (job_) AssignProcessToJobObject(job_, pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
}

Saver::~Saver() {
    Kill();
    if (process_) CloseHandle(process_);
    if (job_) CloseHandle(job_);
}

void Saver::Kill() {
    if (Running()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
}

bool Saver::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Saver::WaitExit(DWORD timeoutMs) {
    if (!WaitUntil([&] { return !Running(); }, timeoutMs)) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::vector<HWND> Saver::TopWindows() const {
    struct Ctx {
        DWORD pid;
        std::vector<HWND> found;
    } ctx{pid_, {}};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == c->pid && IsWindowVisible(h)) c->found.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

HWND Saver::WaitFullScreen(DWORD timeoutMs) {
    // The whole desktop: the screen on a desk of one monitor, every monitor on a larger one.
    const RECT desk = VirtualScreenRect();
    WaitUntil(
        [&] {
            for (HWND hwnd : TopWindows()) {
                RECT r;
                GetWindowRect(hwnd, &r);
                if (EqualRect(&r, &desk)) {
                    window_ = hwnd;
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs);
    E2E_REQUIRE(window_, "no full-screen window of the saver within %lu ms (process %s)", timeoutMs,
                Running() ? "running" : "ended");
    return window_;
}

HWND Saver::WaitWindow(const char* className, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND hwnd : TopWindows()) {
                char name[256] = "";
                GetClassNameA(hwnd, name, sizeof name);
                if (lstrcmpiA(name, className) == 0) {
                    found = hwnd;
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs);
    E2E_REQUIRE(found, "no visible %s window of the saver within %lu ms (process %s)", className, timeoutMs,
                Running() ? "running" : "ended");
    window_ = found;
    return found;
}

void Saver::Tick() const { Post(WM_TIMER, 1, 0); }

void Saver::Post(UINT msg, WPARAM w, LPARAM l) const {
    E2E_REQUIRE(window_, "no saver window to post to");
    PostMessageA(window_, msg, w, l);
}

bool Fence(HWND edit, DWORD timeoutMs) {
    // The marker flips the edit control's "modified" flag with a posted EM_SETMODIFY; EM_GETMODIFY,
    // a sent message that the thread answers between posted ones, reads it back.
    auto modified = [edit](bool& flag) {
        DWORD_PTR result = 0;
        // A result of 0 comes back as a 0 return too; only an error code means no answer.
        SetLastError(0);
        if (!SendMessageTimeoutA(edit, EM_GETMODIFY, 0, 0, SMTO_NORMAL, 2000, &result) && GetLastError() != 0)
            return false;
        flag = result != 0;
        return true;
    };
    bool before = false;
    if (!modified(before) || !PostMessageA(edit, EM_SETMODIFY, before ? FALSE : TRUE, 0)) return false;
    return WaitUntil(
        [&] {
            bool now = before;
            return modified(now) && now != before;
        },
        timeoutMs);
}

Shot WaitStillScreen() { return WaitStill(RECT{0, 0, ScreenWidth(), ScreenHeight()}); }

Shot WaitStill(RECT area, DWORD timeoutMs) {
    Shot last = Capture(area);
    Shot now;
    const bool still = WaitUntil(
        [&] {
            now = Capture(area);
            if (now.pixels == last.pixels) return true;
            last = now;
            return false;
        },
        timeoutMs);
    E2E_REQUIRE(still, "the screen in %s kept changing for %lu ms", Describe(area).c_str(), timeoutMs);
    return now;
}

// ---- Resource figures ----------------------------------------------------------------------

namespace {

// The GDI handle table that the system maps into every process and points to from the process
// environment block (offset 0xF8 on x64). An entry is 24 bytes; its type byte (offset 14) is 0
// for a free entry.
long CountGdiTable(HANDLE process) {
    using QueryFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    static auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    if (!query) return -1;
    struct {
        PVOID exitStatus;
        PVOID peb;
        ULONG_PTR affinity, basePriority, pid, parentPid;
    } info = {};
    if (query(process, 0 /* ProcessBasicInformation */, &info, sizeof info, nullptr) != 0 || !info.peb)
        return -1;
    ULONG_PTR table = 0;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(info.peb) + 0xF8, &table, sizeof table, &got) ||
        !table)
        return -1;
    constexpr size_t kEntries = 0x10000, kEntrySize = 24;
    std::vector<uint8_t> buf(kEntries * kEntrySize);
    if (!ReadProcessMemory(process, reinterpret_cast<void*>(table), buf.data(), buf.size(), &got)) return -1;
    long n = 0;
    for (size_t i = 0; i < got / kEntrySize; ++i)
        n += buf[i * kEntrySize + 14] != 0;
    return n;
}

}  // namespace

ProcessFigures Measure(HANDLE process, DWORD pid) {
    ProcessFigures f;
    f.guiGdi = GetGuiResources(process, GR_GDIOBJECTS);
    f.guiUser = GetGuiResources(process, GR_USEROBJECTS);
    f.gdiTable = CountGdiTable(process);
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) {
        // Wine leaves PrivateUsage at 0; PagefileUsage is the same commit charge there.
        f.privateBytes = pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
        f.peakWorkingSet = pmc.PeakWorkingSetSize;
    }
    GetProcessHandleCount(process, &f.handles);
    struct Ctx {
        DWORD pid;
        int n;
    } ctx{pid, 0};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            c->n += owner == c->pid;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    f.windows = ctx.n;
    return f;
}

}  // namespace e2e

// ---- Entry ---------------------------------------------------------------------------------

int main(int argc, char** argv) {
    using namespace e2e;
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2 || std::strcmp(argv[1], "--list") == 0) {
        for (auto& [name, fn] : Cases())
            std::printf("%s\n", name.c_str());
        return argc < 2 ? 2 : 0;
    }
    auto it = Cases().find(argv[1]);
    if (it == Cases().end()) {
        std::printf("unknown case %s (see --list)\n", argv[1]);
        return 2;
    }
    g_caseName = it->first;
    CreateDirectoryA("C:\\e2e", nullptr);
    g_caseRoot = "C:\\e2e\\" + g_caseName;
    DeleteTree(g_caseRoot);
    CreateDirectoryA(g_caseRoot.c_str(), nullptr);
    // Every case starts from a user who has never run the saver.
    DeleteSettings();
    // The saver (which inherits the environment) draws its frames on the CPU back-end, whose timing
    // Wine runs as Windows would; a case that checks the GPU one sets the variable itself.
    if (!std::getenv("ORVANTA_PRESENTER")) _putenv_s("ORVANTA_PRESENTER", "cpu");
    // The primary screen's centre, where the X server puts its pointer when it starts, and again
    // when it resets once the last program of the previous case has left it.
    ResetPointer(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
    double start = NowMs();
    try {
        it->second();
    } catch (const Failure&) {
        std::printf("case stopped at the first fatal failure\n");
    }
    DeleteSettings();
    std::printf("%s %s (%d failure%s, %.0f ms)\n", g_failures ? "FAILED" : "PASSED", g_caseName.c_str(),
                g_failures, g_failures == 1 ? "" : "s", NowMs() - start);
    return g_failures ? 1 : 0;
}

// ---- Names in any script -------------------------------------------------------------------

namespace e2e {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &w[0], n);
    return w;
}

std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), &s[0], n, nullptr, nullptr);
    return s;
}

void MakeFolderUtf8(const std::string& path) {
    E2E_REQUIRE(CreateDirectoryW(Wide(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS,
                "cannot create the folder %s (error %lu)", path.c_str(), GetLastError());
}

void WriteFileBytesUtf8(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    E2E_REQUIRE(h != INVALID_HANDLE_VALUE, "cannot create %s (error %lu)", path.c_str(), GetLastError());
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(h);
    E2E_REQUIRE(ok && written == bytes.size(), "cannot write %s", path.c_str());
}

void WriteFolderUtf8(const std::string& folder) {
    HKEY key;
    LONG rc =
        RegCreateKeyExA(HKEY_CURRENT_USER, kConfigKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    E2E_REQUIRE(rc == ERROR_SUCCESS, "cannot create the settings key (error %ld)", rc);
    std::wstring w = Wide(folder);
    rc = RegSetValueExW(key, L"Directory", 0, REG_SZ, reinterpret_cast<const BYTE*>(w.c_str()),
                        DWORD((w.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    E2E_REQUIRE(rc == ERROR_SUCCESS, "cannot write Directory (error %ld)", rc);
}

std::optional<std::vector<uint8_t>> ReadValueBytes(const char* name, DWORD* type) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    std::wstring wname = Wide(name);
    DWORD size = 0, t = 0;
    LONG rc = RegQueryValueExW(key, wname.c_str(), nullptr, &t, nullptr, &size);
    std::vector<uint8_t> data(size);
    if (rc == ERROR_SUCCESS && size > 0)
        rc = RegQueryValueExW(key, wname.c_str(), nullptr, &t, data.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    data.resize(size);
    if (type) *type = t;
    return data;
}

bool RunUnix(const std::string& commandLine, const std::string& folder) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = Wide(commandLine);
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, Wide(folder).c_str(), &si,
                        &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

std::wstring ScrString(UINT id) {
    std::wstring scr = Wide(ScrPath());
    HMODULE module = LoadLibraryExW(scr.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    E2E_REQUIRE(module, "cannot load %s as data (error %lu)", ScrPath().c_str(), GetLastError());
    wchar_t buffer[512] = L"";
    int n = LoadStringW(module, id, buffer, 512);
    FreeLibrary(module);
    return std::wstring(buffer, n > 0 ? size_t(n) : 0);
}

Shot ReferenceCaptionBox(const std::wstring& text) {
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HFONT font =
        CreateFontA(12, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    HGDIOBJ oldFont = SelectObject(mem, font);
    RECT measured{};
    DrawTextW(mem, text.data(), int(text.size()), &measured, DT_CALCRECT);
    Shot s;
    s.width = measured.right - measured.left + 20;
    s.height = measured.bottom - measured.top + 10;
    void* bits = nullptr;
    HBITMAP dib = CreateTopDownDib(s.width, s.height, &bits);
    HGDIOBJ oldBitmap = SelectObject(mem, dib);
    RECT all{0, 0, s.width, s.height};
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(mem, &all, face);
    DeleteObject(face);
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, GetSysColor(COLOR_BTNTEXT));
    RECT inner{10, 5, s.width - 10, s.height - 5};
    DrawTextW(mem, text.data(), int(text.size()), &inner, 0);
    GdiFlush();
    s.pixels.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + size_t(s.width) * s.height);
    for (uint32_t& p : s.pixels)
        p &= 0xFFFFFF;
    SelectObject(mem, oldBitmap);
    SelectObject(mem, oldFont);
    DeleteObject(dib);
    DeleteObject(font);
    DeleteDC(mem);
    return s;
}

int CompareCaptionBox(const Shot& screen, const RECT& box, const Shot& reference) {
    if (box.right - box.left != reference.width || box.bottom - box.top != reference.height) return -1;
    int differ = 0;
    for (int y = 2; y < reference.height - 2; ++y)
        for (int x = 2; x < reference.width - 2; ++x)
            differ += screen.At(box.left + x, box.top + y) != reference.At(x, y);
    return differ;
}

}  // namespace e2e

// ---- Monitors ------------------------------------------------------------------------------

namespace e2e {

std::vector<RECT> ShowingOrderMonitors() {
    struct Found {
        RECT rect;
        bool primary;
    };
    std::vector<Found> found;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR h, HDC, LPRECT, LPARAM p) -> BOOL {
            MONITORINFO mi = {};
            mi.cbSize = sizeof mi;
            if (GetMonitorInfoA(h, &mi))
                reinterpret_cast<std::vector<Found>*>(p)->push_back(
                    {mi.rcMonitor, (mi.dwFlags & MONITORINFOF_PRIMARY) != 0});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    std::vector<RECT> order;
    for (const Found& f : found)
        if (f.primary) order.push_back(f.rect);
    for (const Found& f : found)
        if (!f.primary) order.push_back(f.rect);
    return order;
}

RECT VirtualScreenRect() {
    int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void RequireMonitors(int count) {
    int have = GetSystemMetrics(SM_CMONITORS);
    E2E_REQUIRE(have == count,
                "this case needs %d monitors, the display has %d (run it on the %d-monitor fixture)", count,
                have, count);
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

bool WaitWindowRect(HWND hwnd, const RECT& want, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            RECT r;
            return GetWindowRect(hwnd, &r) && EqualRect(&r, &want);
        },
        timeoutMs);
}

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace e2e

// ---- Shared checks -------------------------------------------------------------------------

namespace e2e {

HWND ChildOfProcess(HWND parent, DWORD pid) {
    struct Ctx {
        DWORD pid;
        HWND found;
    } ctx{pid, nullptr};
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner != c->pid) return TRUE;
            c->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

HWND MakePreviewParent(int width, int height) {
    static ATOM cls = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = "E2EPreviewParent";
        return RegisterClassA(&wc);
    }();
    (void)cls;
    HWND parent = CreateWindowExA(0, "E2EPreviewParent", "preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                  40, width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    E2E_REQUIRE(parent, "cannot create the parent window");
    return parent;
}

std::string PreviewArgs(HWND parent) {
    char args[64];
    std::snprintf(args, sizeof args, "/p %llu",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(parent)));
    return args;
}

HWND FindPreview(HWND dialog) {
    HWND found = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND h, LPARAM p) -> BOOL {
            char name[64] = "";
            GetClassNameA(h, name, sizeof name);
            if (std::strncmp(name, "Orv:", 4) != 0) return TRUE;
            *reinterpret_cast<HWND*>(p) = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

RECT ClientOnScreen(HWND window) {
    RECT r{0, 0, 0, 0};
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND WaitPreviewChild(HWND parent, Saver& saver, DWORD timeoutMs) {
    HWND child = nullptr;
    WaitUntil(
        [&] {
            child = ChildOfProcess(parent, saver.Pid());
            return (child && IsWindowVisible(child)) || !saver.Running();
        },
        timeoutMs);
    return child;
}

void KeepLibraryIndexAcrossStarts() { g_keepLibraryIndex = true; }

namespace {

// %LOCALAPPDATA%, or empty when it is not set.
std::string LocalAppData() {
    char local[MAX_PATH] = "";
    const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", local, sizeof local);
    return n > 0 && n < sizeof local ? std::string(local) : std::string();
}

}  // namespace

void ForgetLibraryIndex() {
    const std::string local = LocalAppData();
    if (local.empty()) return;
    for (const char* suffix : {"", "-wal", "-shm"})
        DeleteFileA((local + "\\Orvanta\\Library.db" + suffix).c_str());
}

std::string LibraryIndexFolder() {
    const std::string local = LocalAppData();
    E2E_REQUIRE(!local.empty(), "LOCALAPPDATA is not set");
    return local + "\\Orvanta";
}

std::string LibraryIndexFile() { return LibraryIndexFolder() + "\\Library.db"; }

std::optional<long long> IndexValue(const char* sql, const char* text) {
    sqlite3* db = nullptr;
    std::optional<long long> value;
    if (sqlite3_open_v2(LibraryIndexFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 200);
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
            (!text || sqlite3_bind_text(stmt, 1, text, -1, SQLITE_TRANSIENT) == SQLITE_OK) &&
            sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL)
            value = sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return value;
}

void UseSlowSaver(int folderMs, int openMs) {
    // The runtime's copy of the environment (getenv, which names the saver) and the process's
    // own (which the saver inherits) both change with _putenv_s.
    const char* scr = std::getenv("ORVANTA_SCR");
    E2E_REQUIRE(scr && *scr, "ORVANTA_SCR is not set");
    std::string path(scr);
    const size_t slash = path.find_last_of("\\/");
    path = path.substr(0, slash == std::string::npos ? 0 : slash + 1) + "OrvantaSlowIo.scr";
    E2E_REQUIRE(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, "no %s", path.c_str());
    E2E_REQUIRE(_putenv_s("ORVANTA_SCR", path.c_str()) == 0 &&
                    _putenv_s("ORVANTA_SLOW_FOLDER_MS", std::to_string(folderMs).c_str()) == 0 &&
                    _putenv_s("ORVANTA_SLOW_OPEN_MS", std::to_string(openMs).c_str()) == 0,
                "cannot set the slow saver's environment");
}

void ExpectEndsOnce(Saver& saver, const char* what) {
    size_t mostWindows = 0;
    bool ended = WaitUntil(
        [&] {
            mostWindows = std::max(mostWindows, saver.TopWindows().size());
            return !saver.Running();
        },
        5000);
    E2E_EXPECT(ended, "%s: the saver is still running after 5 s", what);
    DWORD code = 0;
    GetExitCodeProcess(saver.Process(), &code);
    E2E_EXPECT(!ended || code == 0, "%s: exit code %lu, want 0", what, code);
    E2E_EXPECT(mostWindows <= 1, "%s: %zu windows were visible while closing", what, mostWindows);
}

}  // namespace e2e
