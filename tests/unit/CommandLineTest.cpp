#include "core/app/CommandLine.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using orv::DecideMode;
using orv::GetSwitchValue;
using orv::IsSwitch;
using orv::ModeDecision;
using orv::ReadSignedDecimal;
using orv::SaverMode;

namespace {

const char* ModeName(SaverMode m) {
    switch (m) {
    case SaverMode::Settings:
        return "Settings";
    case SaverMode::Preview:
        return "Preview";
    case SaverMode::FullScreen:
        return "FullScreen";
    case SaverMode::None:
        return "None";
    }
    return "?";
}

std::string Describe(const std::vector<std::string>& args) {
    std::string text = "args:";
    for (const std::string& a : args)
        text += " [" + a + "]";
    return text;
}

}  // namespace

TEST(CommandLineIsSwitch, WholeStringAfterOneOptionalPrefixIgnoringCase) {
    struct Case {
        const char* arg;
        const char* letter;
        bool expected;
    };
    const Case cases[] = {
        {"s", "s", true},     {"/S", "s", true},   {"-s", "s", true},   {"S", "s", true},
        {"/s", "S", true},    {"-C", "c", true},   {"p", "p", true},    {"/scr", "s", false},
        {"//s", "s", false},  {"-/s", "s", false}, {"/-s", "s", false}, {"/", "s", false},
        {"", "s", false},     {"-", "s", false},   {"s ", "s", false},  {" s", "s", false},
        {"/c:1", "c", false}, {"/x", "s", false},  {"sc", "s", false},  {"/s", "", false},
        {"/", "", true},      {"", "", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSwitch(c.arg, c.letter), c.expected) << "[" << c.arg << "] as [" << c.letter << "]";
}

TEST(CommandLineIsSwitch, NullArgumentIsNoSwitch) {
    EXPECT_FALSE(IsSwitch(nullptr, "s"));
    EXPECT_FALSE(IsSwitch("s", nullptr));
}

TEST(CommandLineGetSwitchValue, ReadsNumberAfterLetterAndOneSeparator) {
    struct Case {
        const char* arg;
        int32_t expected;
    };
    const Case cases[] = {
        {"/c:1234", 1234},
        {"/c=1234", 1234},
        {"-C=1234", 1234},
        {"c1234", 1234},
        {"/C1234", 1234},
        {"/c", 0},
        {"/c:", 0},
        {"/config", 0},
        {"/c::5", 0},
        {"/c=:5", 0},
        {"/c: 12", 12},
        {"/c 12", 12},
        {"/c:\t-7", -7},
        {"/c:+8", 8},
        {"/c:--5", 0},
        {"/c:+-5", 0},
        {"/c:12x34", 12},
        {"/c:- 5", 0},
        {"/c:4294967295", -1},
        {"/c:2147483648", INT32_MIN},
        {"/c:4294967296", 0},
        {"/c:-1", -1},
        {"/c:2147483647", INT32_MAX},
    };
    for (const Case& c : cases) {
        int32_t value = 77;
        EXPECT_TRUE(GetSwitchValue(c.arg, 'c', value)) << c.arg;
        EXPECT_EQ(value, c.expected) << c.arg;
    }
}

TEST(CommandLineGetSwitchValue, OtherFirstLetterLeavesValueUntouched) {
    for (const char* arg : {"/p:12", "x12", "", "/", "-", "//c:12", " c12", ":12"}) {
        int32_t value = 77;
        EXPECT_FALSE(GetSwitchValue(arg, 'c', value)) << arg;
        EXPECT_EQ(value, 77) << arg;
    }
    int32_t value = 77;
    EXPECT_FALSE(GetSwitchValue(nullptr, 'c', value));
    EXPECT_FALSE(GetSwitchValue("", '\0', value));
    EXPECT_EQ(value, 77);
}

TEST(CommandLineReadSignedDecimal, BlanksOneSignDigitsAndWrapsIn32Bits) {
    struct Case {
        const char* text;
        int32_t expected;
    };
    const Case cases[] = {
        {"", 0},
        {"abc", 0},
        {"42", 42},
        {"  42", 42},
        {"\t\n\v\f\r 5", 5},
        {"-17", -17},
        {"+8", 8},
        {"-0", 0},
        {"12abc", 12},
        {"1 2", 1},
        {"0x10", 0},
        {"007", 7},
        {"2147483647", 2147483647},
        {"2147483648", INT32_MIN},
        {"-2147483648", INT32_MIN},
        {"4294967295", -1},
        {"4294967296", 0},
        {"99999999999", 1215752191},
        {"-99999999999", -1215752191},
        {"123456789012345678901234567890", 1312754386},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadSignedDecimal(c.text), c.expected) << "[" << c.text << "]";
    EXPECT_EQ(ReadSignedDecimal(nullptr), 0);
}

TEST(CommandLineDecideMode, FirstMatchingTestDecides) {
    struct Case {
        std::vector<std::string> args;
        ModeDecision expected;
    };
    const Case cases[] = {
        {{}, {SaverMode::Settings, 0}},
        {{"/c"}, {SaverMode::Settings, 0}},
        {{"-c"}, {SaverMode::Settings, 0}},
        {{"c"}, {SaverMode::Settings, 0}},
        {{"/C"}, {SaverMode::Settings, 0}},
        {{"/c:1234"}, {SaverMode::Settings, 1234}},
        {{"/c=1234"}, {SaverMode::Settings, 1234}},
        {{"-C=1234"}, {SaverMode::Settings, 1234}},
        {{"/C1234"}, {SaverMode::Settings, 1234}},
        {{"c1234"}, {SaverMode::Settings, 1234}},
        {{"/c:"}, {SaverMode::Settings, 0}},
        {{"/config"}, {SaverMode::Settings, 0}},
        {{"/c:-3"}, {SaverMode::Settings, -3}},
        {{"/p", "1234"}, {SaverMode::Preview, 1234}},
        {{"-P", " 1234"}, {SaverMode::Preview, 1234}},
        {{"p", "1234xyz"}, {SaverMode::Preview, 1234}},
        {{"/p", "-5"}, {SaverMode::Preview, -5}},
        {{"/p", "4294967295"}, {SaverMode::Preview, -1}},
        {{"/p:1234"}, {SaverMode::None, 0}},
        {{"/p:1234", "1234"}, {SaverMode::None, 0}},
        {{"/s"}, {SaverMode::FullScreen, 0}},
        {{"-S"}, {SaverMode::FullScreen, 0}},
        {{"s"}, {SaverMode::FullScreen, 0}},
        {{"/a"}, {SaverMode::None, 0}},
        {{"/x"}, {SaverMode::None, 0}},
        {{"/"}, {SaverMode::None, 0}},
        {{"//s"}, {SaverMode::None, 0}},
        {{"/scr"}, {SaverMode::None, 0}},
        {{""}, {SaverMode::None, 0}},
        {{"-"}, {SaverMode::None, 0}},
    };
    for (const Case& c : cases) {
        const ModeDecision got = DecideMode(c.args);
        EXPECT_EQ(got, c.expected) << Describe(c.args) << " gave " << ModeName(got.mode) << " " << got.window;
    }
}

TEST(CommandLineDecideMode, ArgumentsAfterTheDecidingOnesAreIgnored) {
    struct Case {
        std::vector<std::string> args;
        ModeDecision expected;
    };
    const Case cases[] = {
        {{"/c", "1234"}, {SaverMode::Settings, 0}},
        {{"/c:5", "/s"}, {SaverMode::Settings, 5}},
        {{"/s", "/c"}, {SaverMode::FullScreen, 0}},
        {{"/s", "1234", "x"}, {SaverMode::FullScreen, 0}},
        {{"/p", "1234", "/s"}, {SaverMode::Preview, 1234}},
        {{"/x", "/s"}, {SaverMode::None, 0}},
        {{"", "/s"}, {SaverMode::None, 0}},
    };
    for (const Case& c : cases) {
        const ModeDecision got = DecideMode(c.args);
        EXPECT_EQ(got, c.expected) << Describe(c.args) << " gave " << ModeName(got.mode) << " " << got.window;
    }
}

TEST(CommandLineDecideMode, PreviewWithoutParentWindowEndsLikeUnknownSwitch) {
    const std::vector<std::vector<std::string>> cases = {
        {"/p"}, {"/p", "0"}, {"/p", ""}, {"/p", "abc"}, {"/p", "-0"}, {"/p", "4294967296"},
    };
    for (const auto& args : cases) {
        const ModeDecision got = DecideMode(args);
        EXPECT_EQ(got, (ModeDecision{SaverMode::None, 0})) << Describe(args);
    }
}
