#pragma once
// What the benchmark entry points of the driver share: their settings come from the environment,
// and they hand-shake with the script that times them through files in a folder.
#include <cstdlib>
#include <string>

#include "Driver.h"

namespace e2e {

// The variable's text, or fallback when it is unset or empty.
inline std::string Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

inline void Touch(const std::string& path) { WriteText(path, "x"); }

inline bool WaitFile(const std::string& path, DWORD timeoutMs) {
    return WaitUntil([&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
}

}  // namespace e2e
