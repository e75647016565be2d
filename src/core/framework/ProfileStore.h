#pragma once
// The application's profile: named numbers and texts in sections. The framework's application
// object keeps one (the registry on Windows); the tests keep a map. Platform-free.
#include <cstdint>
#include <string>
#include <vector>

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
    // A list of texts (REG_MULTI_SZ on Windows): the stored entries in order, none when the value
    // is missing; a single text reads as a list of one. Empty entries cannot be stored (a list
    // ends at its first empty text) and are left out by the write, which stores an empty list as
    // a value that holds none, so every setting exists after a save.
    virtual std::vector<std::string> GetProfileStrings(const char* section, const char* entry) = 0;
    virtual bool WriteProfileStrings(const char* section, const char* entry,
                                     const std::vector<std::string>& values) = 0;
};

}  // namespace orv
