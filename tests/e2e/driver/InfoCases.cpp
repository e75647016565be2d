// The information line (DisplayPictureInfo): the date, place and folder of the picture on show.
// The saver appends each line it makes to the file ORVANTA_INFO_LOG names, so the cases read the
// exact text there rather than off the screen; the screen shows that the line is drawn, light text
// in a corner of the slide, clear of the caption box.
#include <sqlite3.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "../../../src/resources/resource.h"
#include "Driver.h"

using namespace e2e;

namespace {

constexpr COLORREF kInfoText = RGB(245, 245, 240);  // the line's text colour
const char* const kDot = " \xC2\xB7 ";              // " · " in UTF-8

// A file of the project's samples folder, as Wine sees it (Z: is the Linux root).
std::string Sample(const std::string& relative) {
    std::string path = std::string("Z:") + ORV_SAMPLES_DIR + "/" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

void CopySample(const std::string& relative, const std::string& to) {
    E2E_REQUIRE(CopyFileA(Sample(relative).c_str(), to.c_str(), FALSE),
                "cannot copy the sample %s (error %lu)", relative.c_str(), GetLastError());
}

// The user's long date form, asked of the system as the driver sees it (the same prefix).
std::string LongDate(WORD year, WORD month, WORD day) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    wchar_t text[128];
    const int n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, text, 128);
    return n > 1 ? Utf8(std::wstring(text, n - 1)) : std::string();
}

// The saver started with ORVANTA_INFO_LOG set to a file of the case's own; the log's first line.
struct LoggedSaver {
    std::string log = CaseRoot() + "\\info.log";
    LoggedSaver() { SetEnvironmentVariableA("ORVANTA_INFO_LOG", log.c_str()); }
    ~LoggedSaver() { SetEnvironmentVariableA("ORVANTA_INFO_LOG", nullptr); }
    std::string FirstLine(DWORD timeoutMs = 15000) const {
        std::string line;
        WaitUntil(
            [&] {
                FILE* f = std::fopen(log.c_str(), "rb");
                if (!f) return false;
                char buffer[1024];
                const size_t n = std::fread(buffer, 1, sizeof buffer, f);
                std::fclose(f);
                const std::string text(buffer, n);
                const size_t end = text.find('\n');
                if (end == std::string::npos) return false;
                line = text.substr(0, end);
                return true;
            },
            timeoutMs);
        return line;
    }
};

// Pixels of the line's text colour inside r (screen coordinates) of the shot.
int TextPixels(const Shot& shot, const RECT& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (shot.Inside(x, y) && shot.At(x, y) == kInfoText) ++n;
    return n;
}

}  // namespace

E2E_CASE(info_line_photo_with_gps) {
    // A real photo taken near Heraklion, with its caption: the line names the day, the town and
    // its country, and the folder, and keeps clear of the caption box.
    const std::string folder = MakeFolder("Crete 2019");
    CopySample("Crete 2019/Grass by the sea.jpg", folder + "\\Grass by the sea.jpg");
    CopySample("Crete 2019/Grass by the sea.txt", folder + "\\Grass by the sea.txt");
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 1;
    s.caption = 1;
    s.info = 1;
    s.folder = folder;
    s.Write();
    LoggedSaver logged;
    Saver saver("/s");
    saver.WaitFullScreen();
    const std::string line = logged.FirstLine();
    const std::string want = LongDate(2019, 8, 12) + kDot + "Ir\xC3\xA1kleion, Greece" + kDot + "Crete 2019";
    E2E_EXPECT(line == want, "the line is '%s', want '%s'", line.c_str(), want.c_str());

    const int w = ScreenWidth(), h = ScreenHeight();
    Shot shot;
    std::optional<RECT> box;
    const bool drawn = WaitUntil(
        [&] {
            shot = CaptureScreen();
            box = FindCaptionBox(shot);
            return box && TextPixels(shot, RECT{0, 0, w, h}) > 40;
        },
        10000);
    SaveScreen("info");
    E2E_REQUIRE(drawn, "no caption box and line on screen (%d text pixels)",
                TextPixels(shot, RECT{0, 0, w, h}));
    E2E_EXPECT(TextPixels(shot, *box) == 0, "the line reaches into the caption box %s",
               Describe(*box).c_str());
    // In a corner: every text pixel within a fifth of the screen's height of its top or bottom.
    const int middle = TextPixels(shot, RECT{0, h / 5, w, h - h / 5});
    E2E_EXPECT(middle == 0, "%d text pixels away from the top and bottom edges", middle);
}

E2E_CASE(info_line_photo_without_gps) {
    // A photo with no Exif block: the date is the file's last write time, there is no place.
    const std::string folder = MakeFolder("Plain days");
    const std::string path = folder + "\\Drop.jpg";
    CopySample("Drop.jpg", path);
    SYSTEMTIME local{};
    local.wYear = 2020;
    local.wMonth = 3;
    local.wDay = 4;
    local.wHour = 12;
    FILETIME localTime, utc;
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    E2E_REQUIRE(file != INVALID_HANDLE_VALUE, "cannot open %s", path.c_str());
    SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 0;
    s.info = 1;
    s.folder = folder;
    s.Write();
    LoggedSaver logged;
    Saver saver("/s");
    saver.WaitFullScreen();
    const std::string line = logged.FirstLine();
    const std::string want = LongDate(2020, 3, 4) + kDot + "Plain days";
    E2E_EXPECT(line == want, "the line is '%s', want '%s'", line.c_str(), want.c_str());
    // No caption: the bottom left corner.
    const int w = ScreenWidth(), h = ScreenHeight();
    E2E_EXPECT(WaitUntil(
                   [&] {
                       return TextPixels(CaptureScreen(), RECT{0, h - h / 5, w / 2, h}) > 40;
                   },
                   10000),
               "no line in the bottom left corner");
}

E2E_CASE(info_line_off_by_default) {
    // The same photo without the setting: no line is made, none drawn.
    const std::string folder = MakeFolder("Crete 2019");
    CopySample("Crete 2019/Grass by the sea.jpg", folder + "\\Grass by the sea.jpg");
    Settings::WritePlainShow(folder);
    LoggedSaver logged;
    Saver saver("/s");
    saver.WaitFullScreen();
    // The picture on show (its middle is not black), then no line.
    const int w = ScreenWidth(), h = ScreenHeight();
    E2E_REQUIRE(WaitUntil([&] { return ScreenPixel(w / 2, h / 2) != RGB(0, 0, 0); }, 10000),
                "no picture shows");
    const Shot shot = WaitStillScreen();
    E2E_EXPECT(TextPixels(shot, RECT{0, 0, w, h}) == 0, "text pixels on screen with the line off");
    E2E_EXPECT(GetFileAttributesA(logged.log.c_str()) == INVALID_FILE_ATTRIBUTES, "a line was made");
}

E2E_CASE(info_line_over_moving_picture) {
    // Pan and zoom: the line is drawn once into a texture on its dark plate and stands still in
    // the bottom left corner while the picture moves under it.
    const std::string folder = MakeFolder("Crete 2019");
    CopySample("Crete 2019/Grass by the sea.jpg", folder + "\\Grass by the sea.jpg");
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 0;
    s.panAndZoom = 1;
    s.info = 1;
    s.folder = folder;
    s.Write();
    LoggedSaver logged;
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_EXPECT(!logged.FirstLine().empty(), "no line was made");
    const int w = ScreenWidth(), h = ScreenHeight();
    const RECT corner{0, h - h / 5, w / 2, h};
    const auto plate = [&](const Shot& shot) {
        return Capture(corner).Count(RGB(20, 20, 20)) > 200 && TextPixels(shot, corner) > 40;
    };
    Shot first;
    E2E_REQUIRE(WaitUntil([&] { return plate(first = Capture(corner)); }, 10000),
                "no line on its plate in the bottom left corner over the moving picture");
    // The picture moves; the line's pixels stay where they were.
    const int middle = h / 2;
    const COLORREF before = ScreenPixel(w / 2, middle);
    E2E_EXPECT(WaitPixelChange(w / 2, middle, before, 8000).has_value(), "the picture does not move");
    const Shot later = Capture(corner);
    int moved = 0;
    for (int y = corner.top; y < corner.bottom; ++y)
        for (int x = corner.left; x < corner.right; ++x)
            if ((first.At(x, y) == kInfoText) != (later.At(x, y) == kInfoText)) ++moved;
    E2E_EXPECT(moved == 0, "%d of the line's pixels moved with the picture", moved);
}

E2E_CASE(info_box_shows_the_line_in_the_preview) {
    // The dialog's preview follows box 1021: the line shows in miniature as a light bar in the
    // preview's bottom left corner (no caption), and goes with the box.
    const std::string folder = MakeFolder("Crete 2019");
    CopySample("Crete 2019/Grass by the sea.jpg", folder + "\\Grass by the sea.jpg");
    Settings::WritePlainShow(folder);
    Saver saver("/c");
    HWND dlg = saver.WaitWindow("#32770");
    E2E_REQUIRE(dlg, "the settings dialog did not show");
    const HWND preview = FindPreview(dlg);
    E2E_REQUIRE(preview, "the dialog has no preview window");
    const RECT r = ClientOnScreen(preview);
    const COLORREF kBar = RGB(192, 192, 192);  // the stock light grey brush
    const RECT lowerLeft{r.left, (r.top + r.bottom) / 2, (r.left + r.right) / 2, r.bottom};
    E2E_REQUIRE(
        WaitUntil([&] { return ScreenPixel((r.left + r.right) / 2, (r.top + r.bottom) / 2) != RGB(0, 0, 0); },
                  8000),
        "the preview shows no picture");
    E2E_EXPECT(WaitStill(r).Count(kBar) == 0, "a light bar in the preview with the box off");
    PostMessageA(GetDlgItem(dlg, IDC_SHOW_INFO), BM_CLICK, 0, 0);
    E2E_EXPECT(WaitUntil([&] { return Capture(lowerLeft).Count(kBar) > 0; }, 8000),
               "no light bar in the preview's lower left after the box");
    PostMessageA(GetDlgItem(dlg, IDC_SHOW_INFO), BM_CLICK, 0, 0);
    E2E_EXPECT(WaitUntil([&] { return Capture(r).Count(kBar) == 0; }, 8000),
               "the light bar stays after the box is cleared");
    PostMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
    E2E_EXPECT(saver.WaitExit(10000).has_value(), "the dialog did not end after Cancel");
}

E2E_CASE(info_facts_are_recorded_in_the_index) {
    // The date and the position read for the line go into the library index with the picture's
    // size, so that later showings take them from there.
    ForgetLibraryIndex();
    KeepLibraryIndexAcrossStarts();
    const std::string folder = MakeFolder("Crete 2019");
    CopySample("Crete 2019/Grass by the sea.jpg", folder + "\\Grass by the sea.jpg");
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 0;
    s.info = 1;
    s.folder = folder;
    s.Write();
    LoggedSaver logged;
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_REQUIRE(!logged.FirstLine().empty(), "no line was made");
    char local[MAX_PATH] = "";
    GetEnvironmentVariableA("LOCALAPPDATA", local, sizeof local);
    const std::string file = std::string(local) + "\\Orvanta\\Library.db";
    long long taken = 0;
    double lat = 0, lon = 0;
    int width = 0;
    // Read beside the saver, as a second process would.
    const bool stored = WaitUntil(
        [&] {
            sqlite3* db = nullptr;
            bool found = false;
            if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
                sqlite3_busy_timeout(db, 200);
                sqlite3_stmt* stmt = nullptr;
                if (sqlite3_prepare_v2(
                        db,
                        "SELECT taken, lat, lon, width FROM picture WHERE name = 'Grass by the sea.jpg' "
                        "AND taken IS NOT NULL",
                        -1, &stmt, nullptr) == SQLITE_OK &&
                    sqlite3_step(stmt) == SQLITE_ROW) {
                    taken = sqlite3_column_int64(stmt, 0);
                    lat = sqlite3_column_double(stmt, 1);
                    lon = sqlite3_column_double(stmt, 2);
                    width = sqlite3_column_int(stmt, 3);
                    found = true;
                }
                sqlite3_finalize(stmt);
            }
            sqlite3_close(db);
            return found;
        },
        10000);
    E2E_REQUIRE(stored, "the index holds no date for the picture");
    // 2019:08:12 18:04:31 by the camera's clock, 35 deg 20' 19.32" N, 25 deg 8' 39.12" E, 1680 wide.
    E2E_EXPECT(taken == 1565633071LL, "taken %lld, want 1565633071", taken);
    E2E_EXPECT(lat > 35.3386 && lat < 35.3388 && lon > 25.1441 && lon < 25.1443, "position %f, %f", lat, lon);
    E2E_EXPECT(width == 1680, "width %d, want 1680", width);
}
