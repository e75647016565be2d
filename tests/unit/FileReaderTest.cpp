#include "core/picture/FileReader.h"

#include <gtest/gtest.h>

#include "PictureFiles.h"

using namespace orv;

TEST(FileReader, MissingFileDoesNotOpen) {
    PictureFolder folder;
    EXPECT_EQ(OpenFileForReading(folder.Path("missing.bmp").c_str()), nullptr);
    EXPECT_EQ(OpenFileForReading(nullptr), nullptr);
}

TEST(FileReader, ReadsLengthThenBytesUntilTheEnd) {
    PictureFolder folder;
    auto file = OpenFileForReading(folder.Write("f.bin", {1, 2, 3, 4, 5}).c_str());
    ASSERT_NE(file, nullptr);
    uint64_t length = 0;
    ASSERT_TRUE(file->GetLength(length));
    EXPECT_EQ(length, 5u);
    uint8_t buffer[8] = {};
    size_t read = 0;
    ASSERT_TRUE(file->Read(buffer, 2, read));
    EXPECT_EQ(read, 2u);
    ASSERT_TRUE(file->Read(buffer, 8, read));
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(buffer[2], 5);
}

TEST(FileReader, ReadingAFolderIsAnError) {
    PictureFolder folder;
    folder.Write("sub/x", {});
    auto file = OpenFileForReading(folder.Path("sub").c_str());
    ASSERT_NE(file, nullptr);
    uint8_t buffer[4];
    size_t read = 0;
    EXPECT_FALSE(file->Read(buffer, sizeof buffer, read));
}
