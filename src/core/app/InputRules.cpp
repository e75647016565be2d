#include "core/app/InputRules.h"

namespace orv {

namespace {

InputDecision Close() { return InputDecision{true, true, false, 0}; }
InputDecision PassOn() { return InputDecision{false, true, false, 0}; }
InputDecision Swallow() { return InputDecision{false, false, false, 0}; }

// The signed 16-bit client coordinates of a mouse message, x in the low word.
Point MousePosition(intptr_t lParam) {
    const auto bits = static_cast<uint32_t>(static_cast<uintptr_t>(lParam));
    return Point{static_cast<int16_t>(bits & 0xFFFFu), static_cast<int16_t>((bits >> 16) & 0xFFFFu)};
}

}  // namespace

InputDecision DecideInput(uint32_t message, uintptr_t wParam, intptr_t lParam, Point& mouseStart) {
    switch (message) {
    case wm::kSysCommand:
        // The whole parameter, not masked: the saver must not start itself again over itself, and
        // the close command must not end it; any other command, even one of these two with low
        // bits set, goes on as usual.
        return (wParam == wm::kScScreenSave || wParam == wm::kScClose) ? Swallow() : PassOn();
    case wm::kNcActivate:
        // Refuse to draw the frame inactive, without asking the default processing.
        return wParam == 0 ? Swallow() : InputDecision{false, true, true, 0};
    case wm::kActivate:
        return (wParam & 0xFFFFu) == wm::kWaInactive ? Close() : PassOn();
    case wm::kActivateApp:
        return wParam == 0 ? Close() : PassOn();
    case wm::kMouseMove: {
        const Point pt = MousePosition(lParam);
        if (mouseStart == kNoMousePosition) {
            mouseStart = pt;  // the first move only records where the mouse was
            return PassOn();
        }
        return pt != mouseStart ? Close() : PassOn();
    }
    case wm::kLButtonDown:
    case wm::kMButtonDown:
    case wm::kRButtonDown:
    case wm::kKeyDown:
    case wm::kSysKeyDown:
        return Close();
    default:
        return PassOn();
    }
}

}  // namespace orv
