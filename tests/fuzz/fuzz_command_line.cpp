// Feeds arbitrary bytes to the command-line decision as an argument list: the input is split
// on NUL and space into arguments (empty ones kept, as quoting can produce them), and every
// argument also goes through the switch readers on their own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args;
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\0' || c == ' ') {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (size > 0) args.push_back(current);

    const orv::ModeDecision decision = orv::DecideMode(args);
    // Only settings and preview carry a window; a preview always names a parent.
    if ((decision.mode == orv::SaverMode::FullScreen || decision.mode == orv::SaverMode::None) &&
        decision.window != 0)
        abort();
    if (decision.mode == orv::SaverMode::Preview && (args.size() < 2 || decision.window == 0)) abort();
    if (args.empty() && decision.mode != orv::SaverMode::Settings) abort();

    for (const std::string& arg : args) {
        for (const char* letter : {"c", "p", "s", ""})
            orv::IsSwitch(arg.c_str(), letter);
        for (char letter : {'c', 'C', 'p', '\0'}) {
            int32_t value = 12345;
            if (!orv::GetSwitchValue(arg.c_str(), letter, value) && value != 12345) abort();
        }
        orv::ReadSignedDecimal(arg.c_str());
    }
    return 0;
}
