#include "core/picture/DibImage.h"

#include <gtest/gtest.h>

#include "BmpBuilder.h"
#include "JpegBuilder.h"
#include "PictureFiles.h"

namespace {

std::vector<uint8_t> BmpBytes(int32_t width, int32_t height) {
    BmpBuilder b;
    b.width = width;
    b.height = height;
    return b.Build();
}

std::vector<uint8_t> JpegBytes(int width, int height) {
    JpegParams params;
    params.width = width;
    params.height = height;
    return EncodeJpeg(params, SolidPixels(params, {9, 99, 199}));
}

class DibImage : public ::testing::Test {
protected:
    PictureFolder folder;
};

}  // namespace

TEST_F(DibImage, EmptyObjectMeasuresZero) {
    CDibImage image;
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetHeight(), 0);
    image.Free();
    image.Free();
    EXPECT_EQ(image.GetWidth(), 0);
}

TEST_F(DibImage, LoadsBmpAndReportsANegativeHeightPositive) {
    CDibImage image;
    ASSERT_TRUE(image.Load(folder.Write("top-down.bmp", BmpBytes(7, -5)).c_str(), 0));
    EXPECT_EQ(image.GetWidth(), 7);
    EXPECT_EQ(image.GetHeight(), 5);
}

TEST_F(DibImage, NameAloneChoosesTheDecoder) {
    struct Case {
        const char* name;
        bool jpegContent;
        bool loads;
    };
    const Case cases[] = {
        {"SUNSET.JPG", true, true},
        {"a.Jpeg", true, true},
        {"photo.jpg.bmp", false, true},
        {"photo.bmp.jpg", true, true},
        {"pics.old/sunset", false, true},
        {"jpeg-named.bmp", true, false},
        {"bmp-named.jpg", false, false},
        {"pics.old/jpeg-without-extension", true, false},
        {"x.jpe", true, true},
        {"x.JFIF", true, true},
        // The imaging component's names: none on this host, so even a JPEG named .png fails.
        {"jpeg-named.png", true, false},
        {"bmp-named.tif", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Write(c.name, c.jpegContent ? JpegBytes(9, 4) : BmpBytes(9, 4));
        CDibImage image;
        EXPECT_EQ(image.Load(path.c_str(), 0) != 0, c.loads);
        EXPECT_EQ(image.GetWidth(), c.loads ? 9 : 0);
    }
}

TEST_F(DibImage, BmpThatCannotBeOpenedKeepsThePreviousPicture) {
    CDibImage image;
    ASSERT_TRUE(image.Load(folder.Write("a.bmp", BmpBytes(3, 2)).c_str(), 0));
    EXPECT_FALSE(image.Load(folder.Path("missing.bmp").c_str(), 0));
    EXPECT_FALSE(image.Load(nullptr, 0));
    EXPECT_EQ(image.GetWidth(), 3);
    EXPECT_EQ(image.GetHeight(), 2);
}

TEST_F(DibImage, OtherFailuresEmptyTheObject) {
    const std::string good = folder.Write("a.bmp", BmpBytes(3, 2));
    const std::string notBm = folder.Write("text.bmp", std::vector<uint8_t>(40, 'x'));
    const std::string bmOnly = folder.Write("bm.bmp", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const std::string missingJpeg = folder.Path("missing.jpg");
    const std::string badJpeg = folder.Write("bad.jpg", {1, 2, 3});
    // A folder opens but cannot be read: the file layer's read error becomes a failed load.
    const std::string folderBmp = folder.Write("dir.bmp/inside", {}).substr(0, folder.Path("dir.bmp").size());
    for (const std::string& path : {notBm, bmOnly, missingJpeg, badJpeg, folderBmp}) {
        SCOPED_TRACE(path);
        CDibImage image;
        ASSERT_TRUE(image.Load(good.c_str(), 0));
        EXPECT_FALSE(image.Load(path.c_str(), 0));
        EXPECT_EQ(image.GetWidth(), 0);
        EXPECT_EQ(image.GetHeight(), 0);
    }
}

TEST_F(DibImage, ReloadReplacesThePicture) {
    CDibImage image;
    ASSERT_TRUE(image.Load(folder.Write("a.bmp", BmpBytes(3, 2)).c_str(), 0));
    ASSERT_TRUE(image.Load(folder.Write("b.jpg", JpegBytes(17, 11)).c_str(), 1));
    EXPECT_EQ(image.GetWidth(), 17);
    EXPECT_EQ(image.GetHeight(), 11);
}

TEST_F(DibImage, ScaledJpegKeepsItsOwnSizeAndBmpIgnoresTheDrawSize) {
    // The layout and the caption work from the picture's size, not from the smaller block's.
    int asked = 0;
    const orv::DrawSizeFn small = [&asked](orv::Size s) {
        ++asked;
        return orv::Size{s.cx / 8, s.cy / 8};
    };
    CDibImage image;
    ASSERT_TRUE(image.Load(folder.Write("p.jpg", JpegBytes(160, 96)).c_str(), 0, small));
    EXPECT_EQ(image.GetWidth(), 160);
    EXPECT_EQ(image.GetHeight(), 96);
    EXPECT_EQ(asked, 1);
    ASSERT_TRUE(image.Load(folder.Write("p.bmp", BmpBytes(40, 24)).c_str(), 0, small));
    EXPECT_EQ(image.GetWidth(), 40);
    EXPECT_EQ(image.GetHeight(), 24);
    EXPECT_EQ(asked, 1);
    image.Free();
    EXPECT_EQ(image.GetWidth(), 0);
}
