#include "core/app/InputRules.h"

#include <gtest/gtest.h>

#include <cstdint>

using orv::DecideInput;
using orv::InputDecision;
using orv::kNoMousePosition;
using orv::Point;
namespace wm = orv::wm;

namespace {

constexpr InputDecision kClose{true, true, false, 0};
constexpr InputDecision kPassOn{false, true, false, 0};
constexpr InputDecision kSwallow{false, false, false, 0};

intptr_t MouseAt(int x, int y) {
    return static_cast<intptr_t>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) |
                                 static_cast<uint16_t>(x));
}

InputDecision Decide(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
    Point start = kNoMousePosition;
    return DecideInput(message, wParam, lParam, start);
}

}  // namespace

TEST(InputRules, FirstMouseMoveRecordsThenAnyOtherPositionCloses) {
    Point start = kNoMousePosition;
    EXPECT_EQ(DecideInput(wm::kMouseMove, 0, MouseAt(300, 200), start), kPassOn);
    EXPECT_EQ(start, (Point{300, 200}));
    EXPECT_EQ(DecideInput(wm::kMouseMove, 0, MouseAt(300, 200), start), kPassOn);
    EXPECT_EQ(DecideInput(wm::kMouseMove, 0, MouseAt(301, 200), start), kClose);
    EXPECT_EQ(DecideInput(wm::kMouseMove, 0, MouseAt(300, 199), start), kClose);
    // The record is not moved along.
    EXPECT_EQ(start, (Point{300, 200}));
    EXPECT_EQ(DecideInput(wm::kMouseMove, 0, MouseAt(300, 200), start), kPassOn);
}

TEST(InputRules, MousePositionIsSignedSixteenBit) {
    Point start = kNoMousePosition;
    DecideInput(wm::kMouseMove, 0, MouseAt(-5, -7), start);
    EXPECT_EQ(start, (Point{-5, -7}));
    // Only (-1, -1) counts as "not recorded": a first move there leaves the record empty.
    start = kNoMousePosition;
    EXPECT_EQ(DecideInput(wm::kMouseMove, 0, MouseAt(-1, -1), start), kPassOn);
    EXPECT_EQ(DecideInput(wm::kMouseMove, 0, MouseAt(10, 10), start), kPassOn);
    EXPECT_EQ(start, (Point{10, 10}));
}

TEST(InputRules, KeyAndButtonPressesCloseReleasesDoNot) {
    const uint32_t presses[] = {wm::kKeyDown, wm::kSysKeyDown, wm::kLButtonDown, wm::kMButtonDown,
                                wm::kRButtonDown};
    for (uint32_t m : presses)
        EXPECT_EQ(Decide(m, 0x12), kClose) << std::hex << m;
    const uint32_t releases[] = {wm::kKeyUp, wm::kSysKeyUp, wm::kLButtonUp, wm::kMButtonUp, wm::kRButtonUp};
    for (uint32_t m : releases)
        EXPECT_EQ(Decide(m, 0x12), kPassOn) << std::hex << m;
}

TEST(InputRules, ScreenSaveAndCloseCommandsGetNoProcessing) {
    EXPECT_EQ(Decide(wm::kSysCommand, 0xF140), kSwallow);
    EXPECT_EQ(Decide(wm::kSysCommand, 0xF060), kSwallow);
    // The whole parameter is compared: low bits set make it another command.
    EXPECT_EQ(Decide(wm::kSysCommand, 0xF141), kPassOn);
    EXPECT_EQ(Decide(wm::kSysCommand, 0xF06F), kPassOn);
    EXPECT_EQ(Decide(wm::kSysCommand, 0xF020), kPassOn);  // SC_MINIMIZE
}

TEST(InputRules, InactiveFrameIsRefusedWithoutDefault) {
    EXPECT_EQ(Decide(wm::kNcActivate, 0), kSwallow);
    EXPECT_EQ(Decide(wm::kNcActivate, 1), (InputDecision{false, true, true, 0}));
}

TEST(InputRules, LosingActivationCloses) {
    EXPECT_EQ(Decide(wm::kActivate, 0), kClose);           // WA_INACTIVE
    EXPECT_EQ(Decide(wm::kActivate, 0x00010000), kClose);  // inactive, minimised flag in the high word
    EXPECT_EQ(Decide(wm::kActivate, 1), kPassOn);          // WA_ACTIVE
    EXPECT_EQ(Decide(wm::kActivate, 2), kPassOn);          // WA_CLICKACTIVE
    EXPECT_EQ(Decide(wm::kActivateApp, 0), kClose);
    EXPECT_EQ(Decide(wm::kActivateApp, 1), kPassOn);
}

TEST(InputRules, OtherMessagesPassOn) {
    EXPECT_EQ(Decide(0x000F), kPassOn);     // WM_PAINT
    EXPECT_EQ(Decide(0x0113, 1), kPassOn);  // WM_TIMER
}
