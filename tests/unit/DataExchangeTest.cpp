#include "core/framework/DataExchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDialogControls.h"

namespace {

using orv::DataExchange;

const std::string kRange = "Please enter an integer between 1 and 120.";

TEST(ReadUnsignedText, AcceptsDecimalNumbersWithBlanksAndSign) {
    struct Case {
        std::string text;
        uint32_t expected;
    };
    const std::vector<Case> cases = {
        {"15", 15},
        {" 15 ", 15},
        {"\t15\t", 15},
        {"015", 15},
        {"0", 0},
        {"00", 0},
        {"  0  ", 0},
        {"+15", 15},
        {"4294967295", 4294967295u},
        {"-1", 4294967295u},  // minus wraps modulo 2^32
        {"-120", 4294967176u},
        {"-4294967295", 1},
        {"4294967296", 4294967295u},  // too large for 32 bits
        {"99999999999999999999", 4294967295u},
        {"-99999999999999999999", 4294967295u},
    };
    for (const Case& c : cases) {
        uint32_t value = 7;
        EXPECT_TRUE(orv::ReadUnsignedText(c.text, value)) << '"' << c.text << '"';
        EXPECT_EQ(value, c.expected) << '"' << c.text << '"';
    }
}

TEST(ReadUnsignedText, RefusesTextThatIsNotANumberAndKeepsTheValue) {
    const std::vector<std::string> cases = {
        "",     "   ",  "15a", "1 5",  "+0",   "-0",  "+",   "-",   "a",
        "0x10", "15.0", "1,5", "\n15", "15\n", "++1", "--1", "+ 1", std::string("15\0", 3),
    };
    for (const std::string& text : cases) {
        uint32_t value = 7;
        EXPECT_FALSE(orv::ReadUnsignedText(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 7u) << '"' << text << '"';
    }
}

TEST(ReadUnsignedText, ReadsOnlyTheFirst31Characters) {
    uint32_t value = 0;
    // What follows character 31 is never seen, a bad character included.
    EXPECT_TRUE(orv::ReadUnsignedText("15" + std::string(29, ' ') + "x", value));
    EXPECT_EQ(value, 15u);
    EXPECT_FALSE(orv::ReadUnsignedText("15" + std::string(28, ' ') + "x", value));
    // A number that starts at character 32 is cut off: only blanks remain.
    EXPECT_FALSE(orv::ReadUnsignedText(std::string(31, ' ') + "5", value));
    // 31 digits overflow; the 32nd is cut off and cannot make the text fail.
    EXPECT_TRUE(orv::ReadUnsignedText(std::string(31, '1') + "z", value));
    EXPECT_EQ(value, 4294967295u);
}

TEST(FormatPrompt2, PutsInTheTwoArguments) {
    EXPECT_EQ(orv::FormatPrompt2("Please enter an integer between %1 and %2.", "1", "120"), kRange);
    EXPECT_EQ(orv::FormatPrompt2("%2-%1-%2", "a", "b"), "b-a-b");
    EXPECT_EQ(orv::FormatPrompt2("100% %3 %", "a", "b"), "100% %3 %");
    EXPECT_EQ(orv::FormatPrompt2("", "a", "b"), "");
}

TEST(DDX_TextNumber, LoadShowsTheValueAndSkipsAnUnchangedText) {
    FakeDialogControls controls;
    DataExchange load(controls, false);
    uint32_t delay = 500;  // out of range, still shown as it is
    EXPECT_TRUE(orv::DDX_Text(load, IDC_DELAY, delay));
    EXPECT_TRUE(orv::DDV_MinMaxUInt(load, delay, 1, 120));
    EXPECT_EQ(controls.texts[IDC_DELAY], "500");

    controls.log.clear();
    DataExchange again(controls, false);
    EXPECT_TRUE(orv::DDX_Text(again, IDC_DELAY, delay));
    EXPECT_TRUE(controls.log.empty());  // no SetText, so no EN_CHANGE

    uint32_t large = 4294967295u;
    DataExchange big(controls, false);
    orv::DDX_Text(big, IDC_DELAY, large);
    EXPECT_EQ(controls.texts[IDC_DELAY], "4294967295");
}

TEST(DDX_Check, LoadShowsValuesOutsideZeroToTwoAsUnchecked) {
    struct Case {
        int32_t member;
        int32_t shown;
    };
    for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{2, 2}, Case{3, 0}, Case{-1, 0}, Case{1000, 0}}) {
        FakeDialogControls controls;
        controls.checks[IDC_STRETCH] = 9;
        DataExchange load(controls, false);
        int32_t member = c.member;
        EXPECT_TRUE(orv::DDX_Check(load, IDC_STRETCH, member));
        EXPECT_EQ(controls.checks[IDC_STRETCH], c.shown) << c.member;
        EXPECT_EQ(member, c.shown) << c.member;
    }
}

TEST(DDX_TextString, SaveReadsTheWholeTextAndLoadSkipsAnUnchangedOne) {
    FakeDialogControls controls;
    const std::string longPath = "C:\\" + std::string(600, 'p');
    controls.texts[IDC_FOLDER] = longPath;
    DataExchange save(controls, true);
    std::string folder;
    EXPECT_TRUE(orv::DDX_Text(save, IDC_FOLDER, folder));
    EXPECT_EQ(folder, longPath);

    DataExchange load(controls, false);
    EXPECT_TRUE(orv::DDX_Text(load, IDC_FOLDER, folder));
    EXPECT_TRUE(controls.log.empty());
    folder = "D:\\pictures";
    DataExchange load2(controls, false);
    EXPECT_TRUE(orv::DDX_Text(load2, IDC_FOLDER, folder));
    EXPECT_EQ(controls.log, (std::vector<std::string>{"text 1000 = D:\\pictures"}));
}

}  // namespace
