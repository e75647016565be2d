#pragma once
// Test-only waits for OrvantaSlowIo.scr, which builds the directory and file layers with
// ORVANTA_SLOW_IO defined: the benchmarks and end-to-end cases make a local tree behave like a
// distant share with them. The shipped saver never includes this file.
#ifndef ORVANTA_SLOW_IO
#error "framework/SlowIo.h belongs to the ORVANTA_SLOW_IO build only"
#endif
#include <cstdlib>

#include "framework/Win32.h"

// The whole number of milliseconds in the environment variable name; 0 when it is unset or not a
// number. Read by each caller once (a function-local static), never per call.
inline DWORD SlowIoMilliseconds(const char* name) {
    char text[16] = "";
    const DWORD length = ::GetEnvironmentVariableA(name, text, sizeof text);
    if (length == 0 || length >= sizeof text) return 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    return (end != text && *end == '\0' && value <= 60000) ? static_cast<DWORD>(value) : 0;
}
