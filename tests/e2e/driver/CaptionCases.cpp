// The caption box: beside which edge it goes, its size against the text's lines, and the
// load-failure box that carries on the show.
#include <algorithm>

#include "Driver.h"

using namespace e2e;

namespace {

constexpr COLORREF kRed = RGB(200, 40, 40), kGreen = RGB(40, 200, 40), kBlue = RGB(40, 40, 200);

void WriteSettings(const std::string& folder, DWORD stretch, DWORD caption) {
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = stretch;
    s.caption = caption;
    s.folder = folder;
    s.Write();
}

// Waits for the picture at the centre and its whole paint on the screen (the caption is drawn
// after the picture), then returns the caption box.
std::optional<RECT> BoxAfter(COLORREF centre, Shot* shotOut = nullptr) {
    E2E_REQUIRE(WaitPixel(400, 300, centre), "the picture %s did not show", Describe(centre).c_str());
    Shot shot = WaitStillScreen();
    if (shotOut) *shotOut = shot;
    return FindCaptionBox(shot);
}

// Text pixels (anything but the face colour) inside the box's text area.
int TextPixels(const Shot& shot, const RECT& box) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int n = 0;
    for (int y = box.top + 5; y < box.bottom - 5; ++y)
        for (int x = box.left + 10; x < box.right - 10; ++x)
            n += shot.At(x, y) != face;
    return n;
}

}  // namespace

E2E_CASE_WITH(caption_box_at_bottom_edge, "x86") {
    // 1000 x 500 stretched to 800 x 400 at (0, 100): the margins are above and below, so the box
    // goes against the bottom edge, inside the lower margin.
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\beach.bmp", SolidBmp24(1000, 500, kRed));
    WriteText(folder + "\\beach.txt", "Beach at dawn\r\n");
    WriteSettings(folder, 1, 1);
    Saver saver("/s");
    saver.WaitFullScreen();
    Shot shot;
    auto box = BoxAfter(kRed, &shot);
    if (!box) SaveScreen("caption");
    E2E_REQUIRE(box, "no caption box on the screen");
    RECT b = *box;
    E2E_EXPECT(b.bottom == 600, "box %s is not against the bottom edge", Describe(b).c_str());
    E2E_EXPECT(b.top >= 500 && b.left >= 0 && b.right <= 800, "box %s is not inside the lower margin",
               Describe(b).c_str());
    E2E_EXPECT(TextPixels(shot, b) > 0, "box %s holds no text", Describe(b).c_str());
    // A repaint of the same picture keeps the box where it is.
    // RDW_UPDATENOW has the saver's thread repaint before the call returns.
    RedrawWindow(saver.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    auto again = FindCaptionBox(WaitStillScreen());
    E2E_EXPECT(again && EqualRect(&*again, &b), "after a repaint the box is at %s, was %s",
               again ? Describe(*again).c_str() : "(none)", Describe(b).c_str());
    // The picture keeps its place.
    RECT pic = shot.Bounds(kRed);
    E2E_EXPECT(pic.left == 0 && pic.top == 100 && pic.right == 800 && pic.bottom == 500, "picture at %s",
               Describe(pic).c_str());
    Note("caption box %s", Describe(b).c_str());
}

E2E_CASE(caption_box_at_right_edge) {
    // 200 x 300 stretched to 400 x 600 at (200, 0): the margins are left and right, so the box
    // goes against the right edge.
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\tower.bmp", SolidBmp24(200, 300, kRed));
    WriteText(folder + "\\tower.txt", "Tower");
    WriteSettings(folder, 1, 1);
    Saver saver("/s");
    saver.WaitFullScreen();
    auto box = BoxAfter(kRed);
    if (!box) SaveScreen("caption");
    E2E_REQUIRE(box, "no caption box on the screen");
    RECT b = *box;
    E2E_EXPECT(b.right == 800, "box %s is not against the right edge", Describe(b).c_str());
    E2E_EXPECT(b.left >= 600 && b.top >= 0 && b.bottom <= 600, "box %s is not inside the right margin",
               Describe(b).c_str());
    Note("caption box %s", Describe(b).c_str());
}

E2E_CASE(caption_lines_and_empty_files) {
    // One folder, shown in order: a one-line caption, a file whose first two lines are empty (one
    // line), three lines with the middle one empty, an empty file and a file of empty lines (no
    // box), a picture whose caption file is missing (no box), and captions turned off below.
    std::string folder = MakeFolder("pics");
    const COLORREF colours[] = {kRed, kGreen, kBlue, RGB(200, 200, 40), RGB(200, 40, 200), RGB(40, 200, 200)};
    const char* texts[] = {"Word", "\r\n\r\nWord\r\n", "Alpha\r\n\r\nGamma\r\n", "", "\r\n\r\n\r\n", nullptr};
    for (int i = 0; i < 6; ++i) {
        std::string base = folder + "\\p" + char('1' + i);
        WriteFileBytes(base + ".bmp", SolidBmp24(400, 300, colours[i]));
        if (texts[i]) WriteText(base + ".txt", texts[i]);
    }
    WriteSettings(folder, 0, 1);
    Saver saver("/s");
    saver.WaitFullScreen();
    std::optional<RECT> boxes[6];
    for (int i = 0; i < 6; ++i) {
        if (i > 0) saver.Tick();
        boxes[i] = BoxAfter(colours[i]);
    }
    for (int i = 0; i < 3; ++i)
        E2E_EXPECT(boxes[i], "picture %d: no caption box", i + 1);
    for (int i = 3; i < 6; ++i)
        E2E_EXPECT(!boxes[i], "picture %d: a caption box %s for an empty or missing text file", i + 1,
                   Describe(*boxes[i]).c_str());
    if (boxes[0] && boxes[1] && boxes[2]) {
        int one = boxes[0]->bottom - boxes[0]->top;
        int leading = boxes[1]->bottom - boxes[1]->top;
        int three = boxes[2]->bottom - boxes[2]->top;
        E2E_EXPECT(leading == one, "leading empty lines: box height %d, want %d like one line", leading, one);
        E2E_EXPECT(three - 10 == 3 * (one - 10), "three lines: box height %d, want 10 + 3 x %d", three,
                   one - 10);
        E2E_EXPECT(boxes[0]->right - boxes[0]->left == boxes[1]->right - boxes[1]->left,
                   "the same word gives boxes of widths %ld and %ld", boxes[0]->right - boxes[0]->left,
                   boxes[1]->right - boxes[1]->left);
        Note("box heights: one line %d, three lines %d", one, three);
    }
}

E2E_CASE(caption_one_picture_reloads_each_tick) {
    // A list of one picture reloads it at every tick, and each load places the box afresh at a
    // random place along the bottom edge.
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\only.bmp", SolidBmp24(1000, 500, kRed));
    WriteText(folder + "\\only.txt", "The only picture");
    WriteSettings(folder, 1, 1);
    Saver saver("/s");
    saver.WaitFullScreen();
    std::vector<LONG> lefts;
    for (int tick = 0; tick < 6; ++tick) {
        std::optional<RECT> box = BoxAfter(kRed);
        if (tick > 0) {
            // Wait for the box to move (it may, rarely, land where it was: then the wait runs out).
            LONG before = box ? box->left : -1;
            saver.Tick();
            WaitUntil([&] { return (box = FindCaptionBox(CaptureScreen())) && box->left != before; }, 2000);
            box = BoxAfter(kRed);
        }
        E2E_REQUIRE(box, "tick %d: no caption box", tick);
        E2E_EXPECT(box->bottom == 600, "tick %d: box %s is not against the bottom edge", tick,
                   Describe(*box).c_str());
        lefts.push_back(box->left);
    }
    std::sort(lefts.begin(), lefts.end());
    size_t places = std::unique(lefts.begin(), lefts.end()) - lefts.begin();
    E2E_EXPECT(places >= 2, "six loads put the box at one place, x = %ld", lefts[0]);
    Note("six loads, %zu places", places);
}

E2E_CASE(caption_ampersand_prefix) {
    // "&" underlines the next character and is not shown; "&&" shows one "&".
    std::string folder = MakeFolder("pics");
    const char* texts[] = {"Salt & Pepper", "Salt  Pepper", "Salt && Pepper"};
    const COLORREF colours[] = {kRed, kGreen, kBlue};
    for (int i = 0; i < 3; ++i) {
        std::string base = folder + "\\p" + char('1' + i);
        WriteFileBytes(base + ".bmp", SolidBmp24(1000, 500, colours[i]));
        WriteText(base + ".txt", texts[i]);
    }
    WriteSettings(folder, 1, 1);
    Saver saver("/s");
    saver.WaitFullScreen();
    RECT boxes[3];
    int ink[3];
    for (int i = 0; i < 3; ++i) {
        if (i > 0) saver.Tick();
        Shot shot;
        auto box = BoxAfter(colours[i], &shot);
        E2E_REQUIRE(box, "'%s': no caption box", texts[i]);
        boxes[i] = *box;
        ink[i] = TextPixels(shot, *box);
    }
    auto width = [](const RECT& r) { return r.right - r.left; };
    E2E_EXPECT(width(boxes[0]) == width(boxes[1]), "'%s' box width %ld, want %ld like '%s'", texts[0],
               width(boxes[0]), width(boxes[1]), texts[1]);
    E2E_EXPECT(ink[0] > ink[1], "'%s' has %d text pixels, '%s' %d: no underline", texts[0], ink[0], texts[1],
               ink[1]);
    E2E_EXPECT(width(boxes[2]) > width(boxes[1]),
               "'%s' box width %ld, not wider than '%s' (%ld): no '&' shown", texts[2], width(boxes[2]),
               texts[1], width(boxes[1]));
    Note("widths %ld %ld %ld, text pixels %d %d %d", width(boxes[0]), width(boxes[1]), width(boxes[2]),
         ink[0], ink[1], ink[2]);
}

E2E_CASE(caption_off_hides_text_file) {
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\beach.bmp", SolidBmp24(1000, 500, kRed));
    WriteText(folder + "\\beach.txt", "Beach at dawn");
    WriteSettings(folder, 1, 0);
    Saver saver("/s");
    saver.WaitFullScreen();
    auto box = BoxAfter(kRed);
    E2E_EXPECT(!box, "a caption box %s with captions off", Describe(*box).c_str());
}

E2E_CASE_WITH(failure_box_and_show_goes_on, "x86") {
    // Damaged files show the failure box (even with captions off), on a black screen, and the
    // next tick shows the next picture.
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(320, 240, kRed));
    WriteText(folder + "\\b.bmp", "this is not a picture\r\n");
    WriteFileBytes(folder + "\\c_empty_file.bmp", {});
    std::vector<uint8_t> cut = SolidBmp24(320, 240, kGreen);
    cut.resize(60);  // headers and a few bytes of the rows
    WriteFileBytes(folder + "\\d.bmp", cut);
    WriteFileBytes(folder + "\\e.bmp", SolidBmp24(320, 240, kBlue));
    WriteSettings(folder, 0, 0);
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_REQUIRE(WaitPixel(400, 300, kRed), "the first picture did not show");
    // The two failure messages differ in length, so the second box is told from the first by
    // its width.
    const char* damaged[] = {"b.bmp (text)", "c_empty_file.bmp (empty)"};
    LONG previousWidth = -1;
    for (const char* name : damaged) {
        saver.Tick();
        E2E_REQUIRE(WaitPixel(400, 300, RGB(0, 0, 0)), "%s: the centre did not turn black", name);
        std::optional<RECT> box;
        Shot shot;
        WaitUntil(
            [&] {
                shot = CaptureScreen();
                box = FindCaptionBox(shot);
                return box.has_value() && box->right - box->left != previousWidth;
            },
            3000);
        if (box && box->right - box->left == previousWidth) box.reset();
        if (box) previousWidth = box->right - box->left;
        if (!box) SaveScreen("failure");
        E2E_EXPECT(box, "%s: no failure box", name);
        if (box) {
            // No picture: roomBelow = 300 - box height beats roomBeside = 400 - box width for any
            // message shorter than the screen, so the box sits against the bottom edge.
            E2E_EXPECT(box->bottom == 600, "%s: failure box %s is not against the bottom edge", name,
                       Describe(*box).c_str());
            E2E_EXPECT(TextPixels(shot, *box) > 0, "%s: the failure box holds no text", name);
            RECT outside = shot.BoundsNot(RGB(0, 0, 0));
            E2E_EXPECT(outside.left >= box->left && outside.top >= box->top && outside.right <= box->right &&
                           outside.bottom <= box->bottom,
                       "%s: something besides the box was drawn: %s", name, Describe(outside).c_str());
            Note("%s: failure box %s", name, Describe(*box).c_str());
        }
    }
    // A truncated file: whatever the loader makes of it, the show goes on to the next picture.
    saver.Tick();
    saver.Tick();
    E2E_EXPECT(WaitPixel(400, 300, kBlue), "the picture after the damaged files did not show");
    E2E_EXPECT(saver.Running(), "the saver ended on a truncated file");
    auto box = FindCaptionBox(CaptureScreen());
    E2E_EXPECT(!box, "a box %s stays after a good picture", Describe(*box).c_str());
}

E2E_CASE(failure_file_removed_after_start) {
    // The list is built at start; a file deleted since shows the failure box when its turn comes.
    // The picture after the one on show is decoded ahead, so the file deleted is the one after it.
    // This is the show without a library index (held open here without sharing, so none can be
    // had): one that lists a picture since gone passes over it instead (the index cases).
    char local[MAX_PATH] = "";
    const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", local, sizeof local);
    E2E_REQUIRE(n > 0 && n < sizeof local, "LOCALAPPDATA is not set");
    ForgetLibraryIndex();
    CreateDirectoryA((std::string(local) + "\\Orvanta").c_str(), nullptr);
    struct Held {
        HANDLE h;
        ~Held() {
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
    } held{CreateFileA((std::string(local) + "\\Orvanta\\Library.db").c_str(), GENERIC_READ | GENERIC_WRITE,
                       0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    E2E_REQUIRE(held.h != INVALID_HANDLE_VALUE, "the index could not be held open");
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(320, 240, kRed));
    WriteFileBytes(folder + "\\b.bmp", SolidBmp24(320, 240, kGreen));
    WriteFileBytes(folder + "\\c.bmp", SolidBmp24(320, 240, kBlue));
    WriteSettings(folder, 0, 1);
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_REQUIRE(WaitPixel(400, 300, kRed), "the first picture did not show");
    E2E_REQUIRE(DeleteFileA((folder + "\\c.bmp").c_str()), "cannot delete c.bmp");
    saver.Tick();
    E2E_REQUIRE(WaitPixel(400, 300, kGreen), "the second picture did not show");
    saver.Tick();
    E2E_REQUIRE(WaitPixel(400, 300, RGB(0, 0, 0)), "the centre did not turn black");
    std::optional<RECT> box;
    WaitUntil([&] { return (box = FindCaptionBox(CaptureScreen())).has_value(); }, 3000);
    E2E_EXPECT(box, "no failure box for the removed file");
    saver.Tick();
    E2E_EXPECT(WaitPixel(400, 300, kRed), "the show did not go back to the first picture");
}

E2E_CASE(empty_or_missing_folder_stays_black) {
    std::string empty = MakeFolder("empty");
    MakeFolder("empty\\sub");
    WriteText(empty + "\\notes.txt", "no pictures here");
    for (const std::string& folder : {empty, CaseRoot() + "\\does-not-exist"}) {
        WriteSettings(folder, 1, 1);
        Saver saver("/s");
        saver.WaitFullScreen();
        saver.Tick();
        saver.Tick();
        Shot shot = WaitStillScreen();
        E2E_EXPECT(shot.AllOf(RGB(0, 0, 0)), "%s: the screen is not black: non-black area %s", folder.c_str(),
                   Describe(shot.BoundsNot(RGB(0, 0, 0))).c_str());
        E2E_EXPECT(saver.Running(), "%s: the saver ended on its own", folder.c_str());
        saver.Post(WM_KEYDOWN, VK_SPACE, 1);
        auto code = saver.WaitExit(5000);
        E2E_EXPECT(code && *code == 0, "%s: a key did not end the saver with code 0", folder.c_str());
    }
}
