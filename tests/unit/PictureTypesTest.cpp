#include "core/picture/PictureTypes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using orv::IsListedPicture;
using orv::OtherExtensionsOf;
using orv::PictureKind;
using orv::PictureKindOf;
using Names = std::vector<std::string>;

TEST(PictureTypesKind, ExtensionOfTheLastPathElementChoosesTheLoader) {
    struct Case {
        const char* path;
        PictureKind kind;
    };
    const Case cases[] = {
        {"C:\\Pictures\\SUNSET.JPG", PictureKind::Jpeg},
        {"a.Jpeg", PictureKind::Jpeg},
        {"x.jpe", PictureKind::Jpeg},
        {"x.JFIF", PictureKind::Jpeg},
        {".jpg", PictureKind::Jpeg},
        {"photo.bmp.jpg", PictureKind::Jpeg},
        {"photo.jpg.bmp", PictureKind::Bmp},
        {"x.png", PictureKind::Other},
        {"x.TIFF", PictureKind::Other},
        {"x.HeIc", PictureKind::Other},
        {"x.jxl", PictureKind::Other},
        {"photo.png.jpg", PictureKind::Jpeg},
        {"C:\\pics.png\\sunset", PictureKind::Bmp},
        {"pics.jpg/sunset", PictureKind::Bmp},
        {"x.jpgx", PictureKind::Bmp},
        {"x.jpg ", PictureKind::Bmp},
        {"x.ico", PictureKind::Bmp},
        {"x.dds", PictureKind::Bmp},
        {"x.cr2", PictureKind::Bmp},
        {"noext", PictureKind::Bmp},
        {"", PictureKind::Bmp},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PictureKindOf(c.path), c.kind) << c.path;
}

TEST(PictureTypesListed, EachFlagListsItsOwnNames) {
    const Names others = {".png", ".gif", ".tif", ".tiff"};
    struct Case {
        const char* name;
        bool underBmp;
        bool underJpg;
        bool underOthers;
    };
    const Case cases[] = {
        {"a.bmp", true, false, false},  {"a.BMP", true, false, false},   {"a.jpg", false, true, false},
        {"a.JPEG", false, true, false}, {"a.jpe", false, true, false},   {"a.Jfif", false, true, false},
        {"a.png", false, false, true},  {"a.GIF", false, false, true},   {"a.tif", false, false, true},
        {"a.Tiff", false, false, true}, {"a.webp", false, false, false}, {"a.heic", false, false, false},
        {"a.dib", false, false, false}, {"a.jpgx", false, false, false}, {"a.png.txt", false, false, false},
        {"png", false, false, false},   {"a.", false, false, false},     {"a.\xD0ng", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsListedPicture(c.name, true, false, {}), c.underBmp);
        EXPECT_EQ(IsListedPicture(c.name, false, true, {}), c.underJpg);
        EXPECT_EQ(IsListedPicture(c.name, false, false, others), c.underOthers);
        EXPECT_EQ(IsListedPicture(c.name, true, true, others), c.underBmp || c.underJpg || c.underOthers);
        EXPECT_FALSE(IsListedPicture(c.name, false, false, {}));
    }
}

TEST(PictureTypesOthers, OnlyFixedExtensionsThatADecoderClaims) {
    // What this Wine's imaging component reports, what a Windows 11 with the free codec
    // extensions reports, and lists in forms the component might use.
    const Names wine = {".gif",           ".png",       ".bmp,.dib,.rle", ".dds", ".jpg;.jpeg;.jfif",
                        ".jxr;.hdp;.wdp", ".tga;.tpic", ".tif;.tiff",     ".ico"};
    const Names windows11 = {".bmp,.dib,.rle", ".png",
                             ".gif",           ".tiff,.tif",
                             ".jxr,.wdp",      ".heic,.heif,.hif,.avci,.heics,.heifs,.avcs,.avif,.avifs",
                             ".webp",          ".arw,.cr2,.crw,.dng,.nef",
                             ".cur,.ico"};
    struct Case {
        const char* what;
        Names decoders;
        Names others;
    };
    const Case cases[] = {
        {"none", {}, {}},
        {"this Wine", wine, {".png", ".gif", ".tif", ".tiff", ".jxr", ".wdp", ".hdp"}},
        {"Windows' own JPEG list", {".jpeg,.jpe,.jpg,.jfif,.exif"}, {}},
        {"Windows 11 with codecs",
         windows11,
         {".png", ".gif", ".tif", ".tiff", ".jxr", ".wdp", ".heic", ".heif", ".hif", ".avif", ".webp"}},
        {"letter case, blanks, no dots", {" PNG , Tif", "WebP"}, {".png", ".tif", ".webp"}},
        {"empty items and lone dots", {",,.,;;", ".", ""}, {}},
        {"claimed twice", {".png", ".PNG,.png"}, {".png"}},
        {"no partial matches", {".pn,.pngx,.tiffx,.jx,.jxlx", "png2"}, {}},
        {"RAW, icons, textures and JPEG stay out", {".cr2,.ico,.dds,.jpg,.bmp"}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OtherExtensionsOf(c.decoders), c.others) << c.what;
}
