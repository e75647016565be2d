#pragma once
// When the full-screen saver closes: the decision on one window message, without a window
// system. The window carries the decision out (posts WM_CLOSE, calls the default processing).
#include <cstdint>

#include "core/framework/Geometry.h"

namespace orv {

// The Win32 values of the messages and codes the decision looks at (checked against
// <windows.h> where the window uses them).
namespace wm {
inline constexpr uint32_t kActivate = 0x0006;
inline constexpr uint32_t kActivateApp = 0x001C;
inline constexpr uint32_t kNcActivate = 0x0086;
inline constexpr uint32_t kKeyDown = 0x0100;
inline constexpr uint32_t kKeyUp = 0x0101;
inline constexpr uint32_t kSysKeyDown = 0x0104;
inline constexpr uint32_t kSysKeyUp = 0x0105;
inline constexpr uint32_t kSysCommand = 0x0112;
inline constexpr uint32_t kMouseMove = 0x0200;
inline constexpr uint32_t kLButtonDown = 0x0201;
inline constexpr uint32_t kLButtonUp = 0x0202;
inline constexpr uint32_t kRButtonDown = 0x0204;
inline constexpr uint32_t kRButtonUp = 0x0205;
inline constexpr uint32_t kMButtonDown = 0x0207;
inline constexpr uint32_t kMButtonUp = 0x0208;
inline constexpr uintptr_t kScClose = 0xF060;
inline constexpr uintptr_t kScScreenSave = 0xF140;
inline constexpr uint32_t kWaInactive = 0;
}  // namespace wm

// The mouse position before the first mouse-move message.
inline constexpr Point kNoMousePosition{-1, -1};

struct InputDecision {
    bool closeRequest = false;         // post WM_CLOSE to the window
    bool defaultProcessing = true;     // run the default window procedure on the message
    bool returnDefaultResult = false;  // answer with the default processing's result
    intptr_t result = 0;               // the answer otherwise
    friend bool operator==(const InputDecision& a, const InputDecision& b) {
        return a.closeRequest == b.closeRequest && a.defaultProcessing == b.defaultProcessing &&
               a.returnDefaultResult == b.returnDefaultResult && a.result == b.result;
    }
};

// mouseStart is the position recorded at the first mouse move (kNoMousePosition until then); a
// first mouse move records its position there. Messages the rules do not cover get the default
// processing and no close request.
InputDecision DecideInput(uint32_t message, uintptr_t wParam, intptr_t lParam, Point& mouseStart);

}  // namespace orv
