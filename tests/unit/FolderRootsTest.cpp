#include "core/show/FolderRoots.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Paths = std::vector<std::string>;

namespace {

struct RootsCase {
    const char* name;
    std::string directory;
    Paths more;
    Paths excluded;
    Paths roots;
    Paths excludedOut;
};

TEST(WalkFoldersOf, RootsInListedOrderEachOnceAndOutsideEveryExclusion) {
    const RootsCase cases[] = {
        {"a 1.2 registry: the directory alone", "C:\\Pictures", {}, {}, {"C:\\Pictures"}, {}},
        {"listed order kept, the directory first",
         "D:\\B",
         {"D:\\C", "D:\\A"},
         {},
         {"D:\\B", "D:\\C", "D:\\A"},
         {}},
        {"the directory loses one backslash as written, the others all theirs",
         "C:\\Pictures\\",
         {"D:\\More\\\\", "E:/Shots/"},
         {},
         {"C:\\Pictures", "D:\\More", "E:/Shots"},
         {}},
        {"a folder listed twice, in another case and spelling, is walked once",
         "C:\\Pictures",
         {"c:\\pictures\\", "C:/PICTURES", "D:\\x"},
         {},
         {"C:\\Pictures", "D:\\x"},
         {}},
        {"a folder inside an earlier one goes",
         "C:\\Pictures",
         {"C:\\Pictures\\2024"},
         {},
         {"C:\\Pictures"},
         {}},
        {"a folder inside a later one goes too, the outer keeps its place",
         "C:\\Pictures\\2024",
         {"D:\\x", "c:\\PICTURES"},
         {},
         {"D:\\x", "c:\\PICTURES"},
         {}},
        {"a shared prefix is no nesting", "C:\\Pic", {"C:\\Pictures"}, {}, {"C:\\Pic", "C:\\Pictures"}, {}},
        {"a drive root holds everything on its drive",
         "C:\\",
         {"C:\\Pictures", "D:\\Pictures"},
         {},
         {"C:", "D:\\Pictures"},
         {}},
        {"UNC shares: case ignored, separators folded, the share holds its folders",
         "\\\\NAS\\Photos\\",
         {"\\\\nas\\photos\\2020", "//nas/photos", "\\\\nas\\photo", "\\\\other\\Photos"},
         {},
         {"\\\\NAS\\Photos", "\\\\nas\\photo", "\\\\other\\Photos"},
         {}},
        {"non-ASCII letters compare by their upper case",
         "C:\\Bilder\\\xC3\xBC"
         "ber",  // über
         {"c:\\BILDER\\\xC3\x9C"
          "BER",                                    // ÜBER
          "C:\\\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE",   // фото
          "c:\\\xD0\xA4\xD0\x9E\xD0\xA2\xD0\x9E"},  // ФОТО
         {},
         {"C:\\Bilder\\\xC3\xBC"
          "ber",
          "C:\\\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE"},
         {}},
        {"legacy code-page bytes (not UTF-8) stay apart, their ASCII folded",
         "C:\\Bilder\\\xC4",  // Ä in code page 1252
         {"c:\\bilder\\\xD6", "C:\\BILDER\\\xC4\\x"},
         {},
         {"C:\\Bilder\\\xC4", "c:\\bilder\\\xD6"},
         {}},
        {"empty entries of the lists mean nothing", "C:\\P", {"", "\\"}, {""}, {"C:\\P"}, {}},
        {"an excluded folder that holds a root takes it out",
         "C:\\Pictures\\Keep",
         {"D:\\Other"},
         {"c:\\pictures"},
         {"D:\\Other"},
         {}},
        {"an excluded folder equal to the directory takes it out",
         "C:\\P",
         {"D:\\Q"},
         {"C:\\P\\"},
         {"D:\\Q"},
         {}},
        {"an exclusion below a root is kept, once, as spelt first",
         "C:\\Pictures",
         {"D:\\Other"},
         {"C:\\Pictures\\Private\\", "c:\\pictures\\private", "D:\\Other\\Tmp"},
         {"C:\\Pictures", "D:\\Other"},
         {"C:\\Pictures\\Private", "D:\\Other\\Tmp"}},
        {"an exclusion within another, or below no root, is dropped",
         "C:\\Pictures",
         {},
         {"C:\\Pictures\\A\\B", "E:\\Elsewhere", "C:\\Pictures\\A"},
         {"C:\\Pictures"},
         {"C:\\Pictures\\A"}},
    };
    for (const RootsCase& c : cases) {
        const orv::WalkFolders got = orv::WalkFoldersOf(c.directory, c.more, c.excluded);
        EXPECT_EQ(got.roots, c.roots) << c.name;
        EXPECT_EQ(got.excluded, c.excludedOut) << c.name;
    }
}

TEST(IsHousekeepingFolder, ServerAndSystemFoldersInAnyCaseOnly) {
    const std::pair<const char*, bool> cases[] = {
        {"@eaDir", true},
        {"@EADIR", true},
        {".@__thumb", true},
        {"#recycle", true},
        {"#Recycle", true},
        {"#snapshot", true},
        {"$RECYCLE.BIN", true},
        {"$Recycle.Bin", true},
        {"System Volume Information", true},
        {"system volume information", true},
        {"eaDir", false},
        {"@eaDir2", false},
        {"recycle", false},
        {"#recycled", false},
        {"RECYCLE.BIN", false},
        {"System Volume", false},
        {"", false},
    };
    for (const auto& [name, housekeeping] : cases)
        EXPECT_EQ(orv::IsHousekeepingFolder(name), housekeeping) << name;
}

}  // namespace
