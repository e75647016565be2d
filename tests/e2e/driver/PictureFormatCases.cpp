// Picture formats through the whole show: a JPEG file, an 8-bit BMP, and an 8-bit (palette)
// display.
#include "Driver.h"

using namespace e2e;

E2E_CASE_WITH(format_jpeg_and_8bit_bmp, "x86") {
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.jpg", BlueJpeg());
    WriteFileBytes(folder + "\\b.BMP", SolidBmp8(160, 120, RGB(200, 200, 40)));
    Settings::WritePlainShow(folder);
    Saver saver("/s");
    saver.WaitFullScreen();
    // 160 x 120 1:1 at (320, 240).
    if (!WaitPixel(400, 300, kBlueJpegColour, 5000, 6)) SaveScreen("jpeg");
    E2E_REQUIRE(Near(ScreenPixel(400, 300), kBlueJpegColour, 6), "the JPEG did not show: %s at the centre",
                Describe(ScreenPixel(400, 300)).c_str());
    Shot shot = WaitStillScreen();
    RECT drawn = shot.BoundsNot(RGB(0, 0, 0));
    E2E_EXPECT(drawn.left == 320 && drawn.top == 240 && drawn.right == 480 && drawn.bottom == 360,
               "JPEG drawn at %s", Describe(drawn).c_str());
    saver.Tick();
    E2E_EXPECT(WaitPixel(400, 300, RGB(200, 200, 40)), "the 8-bit BMP did not show: %s at the centre",
               Describe(ScreenPixel(400, 300)).c_str());
    shot = WaitStillScreen();
    RECT bmp = shot.Bounds(RGB(200, 200, 40));
    E2E_EXPECT(bmp.left == 320 && bmp.top == 240 && bmp.right == 480 && bmp.bottom == 360,
               "8-bit BMP drawn at %s", Describe(bmp).c_str());
}

E2E_CASE(format_jpg_files_off) {
    // Only JPEG files, named .jpg and .jpeg; with JPG files off nothing shows.
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.jpg", BlueJpeg());
    WriteFileBytes(folder + "\\b.jpeg", BlueJpeg());
    Settings s;
    s.delay = 120;
    s.jpg = 0;
    s.folder = folder;
    s.Write();
    Saver saver("/s");
    saver.WaitFullScreen();
    saver.Tick();
    Shot shot = WaitStillScreen();
    E2E_EXPECT(shot.AllOf(RGB(0, 0, 0)), "the screen is not black: non-black area %s",
               Describe(shot.BoundsNot(RGB(0, 0, 0))).c_str());
}

E2E_CASE_WITH(palette_display_runs, "depth=8") {
    // On a palette display the saver realises each picture's palette. Wine reads the colours back
    // wrong at 8 bits, so this checks that palette mode is on, that pictures are drawn where they
    // belong, and that nothing fails over several ticks.
    HDC screen = GetDC(nullptr);
    int caps = GetDeviceCaps(screen, RASTERCAPS), bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    E2E_REQUIRE(caps & RC_PALETTE, "the display is not palette-based (%d bits, raster caps 0x%x)", bits,
                caps);
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(160, 120, RGB(200, 40, 40)));
    WriteFileBytes(folder + "\\b.bmp", SolidBmp8(160, 120, RGB(40, 200, 40)));
    WriteFileBytes(folder + "\\c.jpg", BlueJpeg());
    WriteText(folder + "\\d.bmp", "damaged");
    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.stretch = 0;
    s.folder = folder;
    s.Write();
    Saver saver("/s");
    saver.WaitFullScreen();
    // Colours read back at 8 bits are unreliable, so a tick has no exact pixel to wait for: its
    // effect is a screen that differs from the last slide's (the black screen before the first,
    // a picture and the failure box, or two pictures of different colours), and then holds still.
    Shot shot;
    for (int tick = 0; tick < 8; ++tick) {
        if (tick > 0) saver.Tick();
        const Shot before = shot;
        const bool changed = WaitUntil(
            [&] {
                const Shot now = CaptureScreen();
                return tick == 0 ? !now.AllOf(RGB(0, 0, 0)) : now.pixels != before.pixels;
            },
            10000);
        E2E_REQUIRE(changed, "tick %d: the screen did not change", tick);
        shot = WaitStillScreen();
        E2E_REQUIRE(saver.Running(), "tick %d: the saver ended", tick);
        E2E_EXPECT(saver.TopWindows().size() == 1, "tick %d: %zu windows (a message box?)", tick,
                   saver.TopWindows().size());
        if (tick % 4 != 3) {
            // Something other than black where the 160 x 120 picture sits, and black outside it.
            RECT drawn = shot.BoundsNot(RGB(0, 0, 0));
            E2E_EXPECT(drawn.left == 320 && drawn.top == 240 && drawn.right == 480 && drawn.bottom == 360,
                       "tick %d: drawn area %s, want (320, 240)-(480, 360)", tick, Describe(drawn).c_str());
        }
    }
    saver.Post(WM_KEYDOWN, VK_SPACE, 1);
    auto code = saver.WaitExit(5000);
    E2E_EXPECT(code && *code == 0, "a key did not end the saver with code 0");
}
