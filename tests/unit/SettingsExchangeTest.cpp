#include "core/ui/SettingsExchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeDialogControls.h"
#include "SettingsOwner.h"

namespace {

using orv::SettingChange;

const std::string kPositive = "Please enter a positive integer.";
const std::string kRange = "Please enter an integer between 1 and 120.";

// Sets every flag of the fields to on.
void SetAllFlags(const orv::SettingsFields& f, int32_t on) {
    for (int32_t* flag : {&f.stretch, &f.randomOrder, &f.showCaption, &f.fade, &f.showBmp, &f.showJpg,
                          &f.showOther, &f.panAndZoom, &f.showInfo, &f.browseKeys, &f.pairPortraits})
        *flag = on;
}

// The dialog's members, with the values a caller might have put in: every flag off.
struct Members : SettingsOwner {
    Members() {
        folder = "C:\\old";
        delay = 30;
        SetAllFlags(Fields(), 0);
    }
};

// A dialog whose controls all differ from the members above.
FakeDialogControls EditedControls(const std::string& delayText) {
    FakeDialogControls controls;
    controls.texts[IDC_FOLDER] = "D:\\new";
    controls.texts[IDC_DELAY] = delayText;
    for (int box : {IDC_STRETCH, IDC_RANDOM_ORDER, IDC_SHOW_CAPTION, IDC_FADE, IDC_SHOW_BMP, IDC_SHOW_JPG,
                    IDC_SHOW_OTHER, IDC_PAN_AND_ZOOM, IDC_SHOW_INFO, IDC_BROWSE_KEYS, IDC_PAIR_PORTRAITS})
        controls.checks[box] = 1;
    return controls;
}

TEST(ExchangeSettings, DelayTextsAcceptedOrRefusedWithTheirMessage) {
    struct Case {
        std::string text;
        bool ok;
        uint32_t delayAfter;  // the member after the exchange
        std::string message;
    };
    const std::vector<Case> cases = {
        {" 15 ", true, 15, ""},
        {"015", true, 15, ""},
        {"1", true, 1, ""},
        {"120", true, 120, ""},
        {"15a", false, 30, kPositive},
        {"1 5", false, 30, kPositive},
        {"+0", false, 30, kPositive},
        {"", false, 30, kPositive},
        {"0", false, 0, kRange},
        {"121", false, 121, kRange},
        {"-1", false, 4294967295u, kRange},
        {"500", false, 500, kRange},
    };
    for (const Case& c : cases) {
        Members m;
        FakeDialogControls controls = EditedControls(c.text);
        orv::DataExchange save(controls, true);
        EXPECT_EQ(orv::ExchangeSettings(save, m.Fields()), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(m.delay, c.delayAfter) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_TRUE(controls.log.empty()) << '"' << c.text << '"';
        } else {
            EXPECT_EQ(controls.log,
                      (std::vector<std::string>{"message: " + c.message, "focus 1010 select all"}))
                << '"' << c.text << '"';
        }
    }
}

TEST(ExchangeSettings, SuccessfulSaveReadsEveryControl) {
    Members m;
    FakeDialogControls controls = EditedControls("45");
    // Each box its own state, so a box read into another setting's member shows.
    controls.checks[IDC_STRETCH] = 1;
    controls.checks[IDC_RANDOM_ORDER] = 2;
    controls.checks[IDC_SHOW_CAPTION] = 0;
    controls.checks[IDC_FADE] = 1;
    controls.checks[IDC_SHOW_BMP] = 2;
    controls.checks[IDC_SHOW_JPG] = 0;
    controls.checks[IDC_SHOW_OTHER] = 2;
    controls.checks[IDC_PAN_AND_ZOOM] = 1;
    controls.checks[IDC_SHOW_INFO] = 2;
    controls.checks[IDC_BROWSE_KEYS] = 2;
    controls.items[IDC_MORE_FOLDERS] = {"E:\\more", "F:\\most"};
    controls.items[IDC_EXCLUDED_FOLDERS] = {"E:\\more\\skip"};
    orv::DataExchange save(controls, true);
    EXPECT_TRUE(orv::ExchangeSettings(save, m.Fields()));
    EXPECT_EQ(m.moreFolders, (std::vector<std::string>{"E:\\more", "F:\\most"}));
    EXPECT_EQ(m.excludedFolders, (std::vector<std::string>{"E:\\more\\skip"}));
    EXPECT_EQ(m.folder, "D:\\new");
    EXPECT_EQ(m.stretch, 1);
    EXPECT_EQ(m.delay, 45u);
    EXPECT_EQ(m.randomOrder, 2);
    EXPECT_EQ(m.showCaption, 0);
    EXPECT_EQ(m.fade, 1);
    EXPECT_EQ(m.showBmp, 2);
    EXPECT_EQ(m.showJpg, 0);
    EXPECT_EQ(m.showOther, 2);
    EXPECT_EQ(m.panAndZoom, 1);
    EXPECT_EQ(m.showInfo, 2);
    EXPECT_EQ(m.browseKeys, 2);
}

TEST(ExchangeSettings, FailingDelayKeepsEarlierMembersNewAndLaterOnesOld) {
    for (const std::string& text : {std::string("abc"), std::string("0")}) {
        Members m;
        FakeDialogControls controls = EditedControls(text);
        orv::DataExchange save(controls, true);
        EXPECT_FALSE(orv::ExchangeSettings(save, m.Fields()));
        // Read before the delay: new values.
        EXPECT_EQ(m.folder, "D:\\new") << text;
        EXPECT_EQ(m.stretch, 1) << text;
        // After it: not read.
        EXPECT_EQ(m.randomOrder, 0) << text;
        EXPECT_EQ(m.showCaption, 0) << text;
        EXPECT_EQ(m.fade, 0) << text;
        EXPECT_EQ(m.showBmp, 0) << text;
        EXPECT_EQ(m.showJpg, 0) << text;
        EXPECT_EQ(m.showOther, 0) << text;
        EXPECT_EQ(m.panAndZoom, 0) << text;
        EXPECT_EQ(m.browseKeys, 0) << text;
    }
}

TEST(ExchangeSettings, LoadShowsEveryMemberWithoutValidating) {
    Members m;
    m.folder = "C:\\Windows";
    m.stretch = 1;
    m.delay = 500;
    m.randomOrder = 7;  // outside 0..2: shown unchecked, member reset
    m.showCaption = 2;
    m.showBmp = -3;
    m.showJpg = 1;
    m.showOther = 1;
    m.panAndZoom = 2;
    m.browseKeys = 1;
    m.moreFolders = {"D:\\a", "E:\\b"};
    FakeDialogControls controls;
    orv::DataExchange load(controls, false);
    EXPECT_TRUE(orv::ExchangeSettings(load, m.Fields()));
    // One entry per setting: the long-standing seven in their order, then fade and "Others" where
    // their boxes were added, pan and zoom, the information line, the browsing keys and the
    // portrait pairs after them, and the folder lists last.
    EXPECT_EQ(controls.log, (std::vector<std::string>{
                                "text 1000 = C:\\Windows", "check 1008 = 1", "text 1010 = 500",
                                "check 1012 = 0", "check 1014 = 2", "check 1019 = 0", "check 1016 = 0",
                                "check 1017 = 1", "check 1018 = 1", "check 1020 = 2", "check 1021 = 0",
                                "check 1022 = 1", "check 1023 = 0", "items 1030 = D:\\a|E:\\b"}));
    EXPECT_EQ(m.randomOrder, 0);
    EXPECT_EQ(m.showBmp, 0);
    EXPECT_EQ(m.delay, 500u);
}

// Records the preview calls, and the exchange, in one sequence.
class RecordingPreview : public orv::IPreviewWindow {
public:
    std::vector<std::string>& calls;
    explicit RecordingPreview(std::vector<std::string>& log) : calls(log) {}
    void StopSlideTimer() override { calls.push_back("StopSlideTimer"); }
    void StartSlideTimer() override { calls.push_back("StartSlideTimer"); }
    void SetFolder(const std::string& folder) override { calls.push_back("SetFolder " + folder); }
    void SetDelayBetweenPictures(uint32_t v) override { Record("SetDelayBetweenPictures", v); }
    void SetStretchPictures(int32_t v) override { Record("SetStretchPictures", v); }
    void SetRandomOrder(int32_t v) override { Record("SetRandomOrder", v); }
    void SetDisplayImageDescription(int32_t v) override { Record("SetDisplayImageDescription", v); }
    void SetFadeBetweenPictures(int32_t v) override { Record("SetFadeBetweenPictures", v); }
    void SetDisplayBMPFiles(int32_t v) override { Record("SetDisplayBMPFiles", v); }
    void SetDisplayJPGFiles(int32_t v) override { Record("SetDisplayJPGFiles", v); }
    void SetDisplayOtherFiles(int32_t v) override { Record("SetDisplayOtherFiles", v); }
    void SetPanAndZoom(int32_t v) override { Record("SetPanAndZoom", v); }
    void SetDisplayPictureInfo(int32_t v) override { Record("SetDisplayPictureInfo", v); }
    void SetBrowseKeys(int32_t v) override { Record("SetBrowseKeys", v); }
    void SetPairPortraits(int32_t v) override { Record("SetPairPortraits", v); }
    void SetMoreFolders(const std::vector<std::string>& v) override { Record("SetMoreFolders", v); }
    void SetExcludedFolders(const std::vector<std::string>& v) override { Record("SetExcludedFolders", v); }

private:
    void Record(const char* setter, int64_t value) {
        calls.push_back(setter + (" " + std::to_string(value)));
    }
    void Record(const char* setter, const std::vector<std::string>& folders) {
        std::string text = setter;
        for (const std::string& folder : folders)
            text += " " + folder;
        calls.push_back(text);
    }
};

// Runs UpdatePreview with an exchange that succeeds or fails after giving the members new values
// (delay 45 only on success, as a failing delay leaves it).
std::vector<std::string> RunUpdate(SettingChange change, bool exchangeSucceeds, int32_t ready = 1) {
    Members m;
    std::vector<std::string> log;
    RecordingPreview preview(log);
    auto readControls = [&] {
        log.push_back("UpdateData");
        m.folder = "D:\\new";
        m.moreFolders = {"E:\\more", "F:\\most"};
        m.excludedFolders = {"D:\\new\\skip"};
        SetAllFlags(m.Fields(), 1);
        if (exchangeSucceeds) m.delay = 45;
        return exchangeSucceeds;
    };
    orv::UpdatePreview(change, ready, readControls, m.Fields(), preview);
    return log;
}

TEST(UpdatePreview, EachChangeReachesThePreviewBetweenStopAndStart) {
    struct Case {
        SettingChange change;
        std::vector<std::string> calls;  // between StopSlideTimer and StartSlideTimer
    };
    const std::vector<Case> cases = {
        {SettingChange::Directory, {"SetFolder D:\\new"}},
        {SettingChange::StretchPictures, {"SetStretchPictures 1"}},
        {SettingChange::DelayBetweenPictures, {"SetDelayBetweenPictures 45"}},
        {SettingChange::RandomOrder, {"SetRandomOrder 1", "SetFolder D:\\new"}},
        {SettingChange::DisplayImageDescription, {"SetDisplayImageDescription 1"}},
        {SettingChange::FadeBetweenPictures, {"SetFadeBetweenPictures 1"}},
        {SettingChange::DisplayBMPFiles, {"SetDisplayBMPFiles 1", "SetFolder D:\\new"}},
        {SettingChange::DisplayJPGFiles, {"SetDisplayJPGFiles 1", "SetFolder D:\\new"}},
        {SettingChange::DisplayOtherFiles, {"SetDisplayOtherFiles 1", "SetFolder D:\\new"}},
        {SettingChange::PanAndZoom, {"SetPanAndZoom 1"}},
        {SettingChange::DisplayPictureInfo, {"SetDisplayPictureInfo 1"}},
        {SettingChange::BrowseKeys, {"SetBrowseKeys 1"}},
        {SettingChange::PairPortraits, {"SetPairPortraits 1"}},
        {SettingChange::MoreFolders, {"SetMoreFolders E:\\more F:\\most", "SetFolder D:\\new"}},
        {SettingChange::ExcludedFolders, {"SetExcludedFolders D:\\new\\skip", "SetFolder D:\\new"}},
    };
    ASSERT_EQ(cases.size(), static_cast<size_t>(orv::kSettingCount)) << "a row for every setting";
    for (const Case& c : cases) {
        std::vector<std::string> expected = {"UpdateData", "StopSlideTimer"};
        expected.insert(expected.end(), c.calls.begin(), c.calls.end());
        expected.push_back("StartSlideTimer");
        EXPECT_EQ(RunUpdate(c.change, true), expected) << static_cast<int>(c.change);
    }
}

TEST(UpdatePreview, FailedExchangeWithholdsOnlyTheDelay) {
    EXPECT_EQ(RunUpdate(SettingChange::DelayBetweenPictures, false),
              (std::vector<std::string>{"UpdateData", "StopSlideTimer", "StartSlideTimer"}));
    // The other changes pass the member as the exchange left it.
    EXPECT_EQ(RunUpdate(SettingChange::StretchPictures, false),
              (std::vector<std::string>{"UpdateData", "StopSlideTimer", "SetStretchPictures 1",
                                        "StartSlideTimer"}));
    EXPECT_EQ(RunUpdate(SettingChange::DisplayJPGFiles, false),
              (std::vector<std::string>{"UpdateData", "StopSlideTimer", "SetDisplayJPGFiles 1",
                                        "SetFolder D:\\new", "StartSlideTimer"}));
}

TEST(UpdatePreview, DoesNothingBeforeThePreviewIsReady) {
    for (SettingChange change :
         {SettingChange::Directory, SettingChange::DelayBetweenPictures, SettingChange::DisplayJPGFiles})
        EXPECT_TRUE(RunUpdate(change, true, 0).empty());
}

TEST(UpdatePreview, FailingDelayTextHidesCheckBoxChangesFromThePreview) {
    // The delay box holds "abc" and the user ticks random order: the message appears, and the
    // preview gets the random-order value from before the click, since the exchange stopped at the
    // delay.
    Members m;
    FakeDialogControls controls = EditedControls("abc");
    std::vector<std::string> log;
    RecordingPreview preview(log);
    auto readControls = [&] {
        orv::DataExchange save(controls, true);
        return orv::ExchangeSettings(save, m.Fields());
    };
    orv::UpdatePreview(SettingChange::RandomOrder, 1, readControls, m.Fields(), preview);
    EXPECT_EQ(controls.Messages(), (std::vector<std::string>{kPositive}));
    EXPECT_EQ(log, (std::vector<std::string>{"StopSlideTimer", "SetRandomOrder 0", "SetFolder D:\\new",
                                             "StartSlideTimer"}));
}

}  // namespace
