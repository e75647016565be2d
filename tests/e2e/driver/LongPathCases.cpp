// Paths past 260 characters: a library kept deep in folders with long names.
#include <string>

#include "Driver.h"  // <windows.h> first

using namespace e2e;

E2E_CASE(long_path_picture_and_caption_draw) {
    // Six folders of 50 characters below the picture folder: the picture's path is over 330
    // characters long. The driver makes them through the "\\?\" form, which takes any length.
    const std::string top = MakeFolder("pics");
    std::string folder = top;
    for (char c = 'a'; c < 'a' + 6; ++c) {
        folder += "\\" + std::string(49, c) + "_";
        MakeFolderUtf8("\\\\?\\" + folder);
    }
    const std::string picture = folder + "\\deep.bmp";
    E2E_REQUIRE(picture.size() > 300, "the path is only %zu characters long", picture.size());
    constexpr COLORREF kRed = RGB(200, 40, 40);
    WriteFileBytesUtf8("\\\\?\\" + picture, SolidBmp24(400, 300, kRed));
    WriteFileBytesUtf8("\\\\?\\" + folder + "\\deep.txt", {'D', 'e', 'e', 'p'});
    Settings s;
    s.delay = 120;
    s.stretch = 0;
    s.caption = 1;
    s.folder = top;
    s.Write();

    Saver saver("/s");
    E2E_REQUIRE(saver.WaitFullScreen(), "no full-screen window");
    E2E_REQUIRE(WaitPixel(400, 300, kRed), "the centre shows %s, not the picture %zu characters deep",
                Describe(ScreenPixel(400, 300)).c_str(), picture.size());
    std::optional<RECT> box;
    E2E_EXPECT(WaitUntil([&] { return (box = FindCaptionBox(CaptureScreen())).has_value(); }, 10000),
               "no caption box for the text file beside the picture");
    if (box) Note("caption box %s for a picture %zu characters deep", Describe(*box).c_str(), picture.size());
}
