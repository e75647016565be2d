#pragma once
// The start-up decision: which of the saver's modes a command line asks for. Pure logic; only the
// chosen mode's action (in CShowApp) touches the window system.
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

enum class SaverMode { Settings, Preview, FullScreen, None };

struct ModeDecision {
    SaverMode mode = SaverMode::None;
    int32_t window = 0;  // settings: owner window (0: none); preview: parent window
    friend bool operator==(const ModeDecision& a, const ModeDecision& b) {
        return a.mode == b.mode && a.window == b.window;
    }
};

// True when arg, after one optional leading '-' or '/', is exactly the one-letter switch, in any case.
bool IsSwitch(const char* arg, const char* letter);
// True when arg, after one optional '-' or '/', begins with the letter (any case); then one ':' or
// '=' is skipped and the rest read as a signed decimal integer (wrapping, no digits give 0).
bool GetSwitchValue(const char* arg, char letter, int32_t& value);
// Reads a signed decimal integer the same way: blanks, one sign, digits up to the first non-digit.
int32_t ReadSignedDecimal(const char* text);

// args are the arguments after the program path.
ModeDecision DecideMode(const std::vector<std::string>& args);

}  // namespace orv
