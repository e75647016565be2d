#include "core/show/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "FakeProfileStore.h"

using orv::ClampDelay;
using orv::LoadDialogSettings;
using orv::LoadWindowSettings;
using orv::SaveSettings;
using orv::SettingsRecord;
using Op = FakeProfileStore::Op;

namespace {

const std::string kWindowsDir = "C:\\WINDOWS";

// Every value once, in the order users' registries have always been read and written: the
// numbers with the int calls, the folder with the string calls, then the folder lists.
std::vector<FakeProfileStore::Access> AllInOrder(Op intOp, Op stringOp, Op listOp) {
    return {
        {intOp, "Config", "DelayBetweenPictures"}, {intOp, "Config", "StretchPictures"},
        {intOp, "Config", "RandomOrder"},          {intOp, "Config", "DisplayImageDescription"},
        {intOp, "Config", "FadeBetweenPictures"},  {intOp, "Config", "DisplayBMPFiles"},
        {intOp, "Config", "DisplayJPGFiles"},      {intOp, "Config", "DisplayOtherFiles"},
        {intOp, "Config", "PanAndZoom"},           {intOp, "Config", "DisplayPictureInfo"},
        {intOp, "Config", "BrowseKeys"},           {intOp, "Config", "PairPortraits"},
        {stringOp, "Config", "Directory"},         {listOp, "Config", "MoreFolders"},
        {listOp, "Config", "ExcludedFolders"},
    };
}

// Every setting of s against expected, given as {delay, stretch, random order, caption, fade, BMP,
// JPG, Others, pan and zoom, information line, browse keys, pairs, folder, more folders,
// excluded folders}.
void ExpectRecord(const SettingsRecord& s, const SettingsRecord& expected) {
    EXPECT_EQ(s.delay, expected.delay);
    EXPECT_EQ(s.stretch, expected.stretch);
    EXPECT_EQ(s.randomOrder, expected.randomOrder);
    EXPECT_EQ(s.showCaption, expected.showCaption);
    EXPECT_EQ(s.fade, expected.fade);
    EXPECT_EQ(s.showBmp, expected.showBmp);
    EXPECT_EQ(s.showJpg, expected.showJpg);
    EXPECT_EQ(s.showOther, expected.showOther);
    EXPECT_EQ(s.panAndZoom, expected.panAndZoom);
    EXPECT_EQ(s.showInfo, expected.showInfo);
    EXPECT_EQ(s.browseKeys, expected.browseKeys);
    EXPECT_EQ(s.pairPortraits, expected.pairPortraits);
    EXPECT_EQ(s.folder, expected.folder);
    EXPECT_EQ(s.moreFolders, expected.moreFolders);
    EXPECT_EQ(s.excludedFolders, expected.excludedFolders);
}

}  // namespace

TEST(SettingsClampDelay, ZeroRaisedToOneAndAbove120LoweredUnsigned) {
    struct Case {
        uint32_t stored;
        uint32_t expected;
    };
    const Case cases[] = {
        {0, 1},
        {1, 1},
        {2, 2},
        {60, 60},
        {119, 119},
        {120, 120},
        {121, 120},
        {500, 120},
        {0x7FFFFFFFu, 120},
        {0x80000000u, 120},
        {4294967295u, 120},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClampDelay(c.stored), c.expected) << c.stored;
}

TEST(SettingsTable, StoredNamesKindsAndDefaultsStay) {
    // What users' registries already hold: these values keep their names, types and defaults.
    struct Case {
        std::string name;
        orv::SettingKind kind;
        uint32_t def;
    };
    const Case cases[] = {
        {"DelayBetweenPictures", orv::SettingKind::Delay, 10},
        {"StretchPictures", orv::SettingKind::Flag, 1},
        {"RandomOrder", orv::SettingKind::Flag, 1},
        {"DisplayImageDescription", orv::SettingKind::Flag, 1},
        {"FadeBetweenPictures", orv::SettingKind::Flag, 1},
        {"DisplayBMPFiles", orv::SettingKind::Flag, 1},
        {"DisplayJPGFiles", orv::SettingKind::Flag, 1},
        {"DisplayOtherFiles", orv::SettingKind::Flag, 1},
        {"PanAndZoom", orv::SettingKind::Flag, 0},
        {"DisplayPictureInfo", orv::SettingKind::Flag, 0},
        {"BrowseKeys", orv::SettingKind::Flag, 0},
        {"PairPortraits", orv::SettingKind::Flag, 0},
        {"Directory", orv::SettingKind::Folder, 0},
        {"MoreFolders", orv::SettingKind::FolderList, 0},
        {"ExcludedFolders", orv::SettingKind::FolderList, 0},
    };
    FakeProfileStore store;
    orv::SettingsRecord written;
    written.folder = "F";
    SaveSettings(store, written);
    for (const Case& c : cases) {
        const auto row = std::find_if(std::begin(orv::kSettingRows), std::end(orv::kSettingRows),
                                      [&](const orv::SettingRow& r) { return r.name == c.name; });
        ASSERT_NE(row, std::end(orv::kSettingRows)) << c.name;
        EXPECT_EQ(row->kind, c.kind) << c.name;
        if (c.kind == orv::SettingKind::Folder)
            EXPECT_EQ(store.String("Config", c.name), "F");
        else if (c.kind == orv::SettingKind::FolderList)
            EXPECT_EQ(store.Strings("Config", c.name), std::vector<std::string>{}) << c.name;
        else
            EXPECT_EQ(store.Int("Config", c.name), c.def) << c.name;
    }
    // The folder is read and written after every flag, as it always was; the lists follow it.
    EXPECT_EQ(std::string(orv::kSettingRows[orv::kSettingCount - 3].name), "Directory");
}

TEST(SettingsLoad, EmptyStoreGivesDefaultsAndTheWindowsDirectory) {
    FakeProfileStore store;
    ExpectRecord(LoadWindowSettings(store, kWindowsDir),
                 {10, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, kWindowsDir, {}, {}});
    ExpectRecord(LoadDialogSettings(store, kWindowsDir),
                 {10, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, kWindowsDir, {}, {}});
    EXPECT_EQ(store.ValueCount(), 0u) << "reading writes nothing";
}

TEST(SettingsLoad, BothReadersReadEveryValueInTableOrder) {
    FakeProfileStore window;
    LoadWindowSettings(window, kWindowsDir);
    EXPECT_EQ(window.accesses, AllInOrder(Op::GetInt, Op::GetString, Op::GetStrings));

    FakeProfileStore dialog;
    LoadDialogSettings(dialog, kWindowsDir);
    EXPECT_EQ(dialog.accesses, AllInOrder(Op::GetInt, Op::GetString, Op::GetStrings));
}

TEST(SettingsLoad, WindowClampsTheDelayDialogShowsItAsStored) {
    struct Case {
        uint32_t stored;
        uint32_t window;
        uint32_t dialog;
    };
    const Case cases[] = {
        {0, 1, 0},       {1, 1, 1},       {120, 120, 120},
        {121, 120, 121}, {500, 120, 500}, {4294967295u, 120, 4294967295u},
    };
    for (const Case& c : cases) {
        FakeProfileStore store;
        store.SetInt("Config", "DelayBetweenPictures", c.stored);
        EXPECT_EQ(LoadWindowSettings(store, kWindowsDir).delay, c.window) << c.stored;
        EXPECT_EQ(LoadDialogSettings(store, kWindowsDir).delay, c.dialog) << c.stored;
    }
}

TEST(SettingsLoad, StoredFlagsAndFolderPassUnchanged) {
    FakeProfileStore store;
    store.SetInt("Config", "DelayBetweenPictures", 30);
    store.SetInt("Config", "StretchPictures", 0);
    store.SetInt("Config", "RandomOrder", 7);
    store.SetInt("Config", "DisplayImageDescription", 0xFFFFFFFFu);
    store.SetInt("Config", "FadeBetweenPictures", 4);
    store.SetInt("Config", "DisplayBMPFiles", 5);
    store.SetInt("Config", "DisplayJPGFiles", 2);
    store.SetInt("Config", "DisplayOtherFiles", 3);
    store.SetInt("Config", "PanAndZoom", 6);
    store.SetInt("Config", "DisplayPictureInfo", 8);
    store.SetInt("Config", "BrowseKeys", 9);
    store.SetInt("Config", "PairPortraits", 10);
    store.SetString("Config", "Directory", "D:\\Photos\\");
    store.SetStrings("Config", "MoreFolders", {"E:\\b\\", "E:\\a"});
    store.SetString("Config", "ExcludedFolders", "D:\\Photos\\Tmp");  // typed in by hand as text
    for (const SettingsRecord& s :
         {LoadWindowSettings(store, kWindowsDir), LoadDialogSettings(store, kWindowsDir)})
        ExpectRecord(s, {30,
                         0,
                         7,
                         -1,
                         4,
                         5,
                         2,
                         3,
                         6,
                         8,
                         9,
                         10,
                         "D:\\Photos\\",
                         {"E:\\b\\", "E:\\a"},
                         {"D:\\Photos\\Tmp"}});
}

TEST(SettingsLoad, EmptyFolderMeansTheWindowsDirectory) {
    FakeProfileStore store;
    store.SetString("Config", "Directory", "");
    EXPECT_EQ(LoadWindowSettings(store, kWindowsDir).folder, kWindowsDir);
    EXPECT_EQ(LoadDialogSettings(store, kWindowsDir).folder, kWindowsDir);
    // A blank is a folder name as far as the store knows; only the empty text is replaced.
    store.SetString("Config", "Directory", " ");
    EXPECT_EQ(LoadWindowSettings(store, kWindowsDir).folder, " ");
}

TEST(SettingsSave, WritesTheNumbersThenTheFolder) {
    FakeProfileStore store;
    // Each flag its own value, so a setting written under another's name shows.
    const SettingsRecord s{
        45, 0, 1, 2, 3, 4, 5, -1, 6, 7, 8, 9, "C:\\My Pictures", {"D:\\x", "E:\\y"}, {"D:\\x\\z"}};
    SaveSettings(store, s);
    EXPECT_EQ(store.accesses, AllInOrder(Op::WriteInt, Op::WriteString, Op::WriteStrings));
    EXPECT_EQ(store.Int("Config", "DelayBetweenPictures"), 45u);
    EXPECT_EQ(store.Int("Config", "StretchPictures"), 0u);
    EXPECT_EQ(store.Int("Config", "RandomOrder"), 1u);
    EXPECT_EQ(store.Int("Config", "DisplayImageDescription"), 2u);
    EXPECT_EQ(store.Int("Config", "FadeBetweenPictures"), 3u);
    EXPECT_EQ(store.Int("Config", "DisplayBMPFiles"), 4u);
    EXPECT_EQ(store.Int("Config", "DisplayJPGFiles"), 5u);
    EXPECT_EQ(store.Int("Config", "DisplayOtherFiles"), 0xFFFFFFFFu);
    EXPECT_EQ(store.Int("Config", "PanAndZoom"), 6u);
    EXPECT_EQ(store.Int("Config", "DisplayPictureInfo"), 7u);
    EXPECT_EQ(store.Int("Config", "BrowseKeys"), 8u);
    EXPECT_EQ(store.Int("Config", "PairPortraits"), 9u);
    EXPECT_EQ(store.String("Config", "Directory"), "C:\\My Pictures");
    EXPECT_EQ(store.Strings("Config", "MoreFolders"), (std::vector<std::string>{"D:\\x", "E:\\y"}));
    EXPECT_EQ(store.Strings("Config", "ExcludedFolders"), std::vector<std::string>{"D:\\x\\z"});
    EXPECT_EQ(store.ValueCount(), 15u);
}

TEST(SettingsSave, FailedWritesDoNotStopTheRest) {
    FakeProfileStore store;
    store.failWrites = true;
    SaveSettings(store, SettingsRecord{});
    EXPECT_EQ(store.accesses, AllInOrder(Op::WriteInt, Op::WriteString, Op::WriteStrings));
    EXPECT_EQ(store.ValueCount(), 0u);
}

TEST(SettingsSave, SavedValuesReadBackAndReplaceEarlierOnes) {
    FakeProfileStore store;
    store.SetInt("Config", "DelayBetweenPictures", 500);
    store.SetString("Config", "Directory", "old");
    SettingsRecord s;
    s.delay = 120;
    s.stretch = 0;
    s.folder = std::string(1000, 'x');  // the store keeps text of any length
    SaveSettings(store, s);
    ExpectRecord(LoadDialogSettings(store, kWindowsDir),
                 {120, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, std::string(1000, 'x'), {}, {}});
    EXPECT_EQ(store.ValueCount(), 15u);
}
