#pragma once
// The application's profile: named numbers and texts in sections. The framework's application
// object keeps one (the registry on Windows); the tests keep a map. Platform-free.
#include <cstdint>
#include <string>

// <windows.h> maps the old profile functions to their ...A forms with macros. Glue files include
// it through framework/Win32.h, which undefines them; this covers a file that included
// <windows.h> directly first, so the operations below keep their names everywhere.
#ifdef GetProfileString
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString
#endif

namespace orv {

class IProfileStore {
public:
    virtual ~IProfileStore() = default;
    // The stored number, or def when the value is missing (or not a 4-byte number).
    virtual uint32_t GetProfileInt(const char* section, const char* entry, uint32_t def) = 0;
    // The stored text, or def when the value is missing (or not text).
    virtual std::string GetProfileString(const char* section, const char* entry, const std::string& def) = 0;
    virtual bool WriteProfileInt(const char* section, const char* entry, uint32_t value) = 0;
    virtual bool WriteProfileString(const char* section, const char* entry, const std::string& value) = 0;
};

}  // namespace orv
