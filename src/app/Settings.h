#pragma once
// The seven per-user settings and the rules for reading and writing them. The store behind them
// is an interface: the registry on Windows (RegistryProfileStore), a map in the tests.
#include <cstdint>
#include <string>

// Glue files include <windows.h> through framework/Win32.h, which undefines the macros that would
// rename the profile operations below; this covers a file that included <windows.h> directly first.
#ifdef GetProfileString
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString
#endif

namespace orv {

inline constexpr char kConfigSection[] = "Config";
inline constexpr char kDelayBetweenPictures[] = "DelayBetweenPictures";
inline constexpr char kStretchPictures[] = "StretchPictures";
inline constexpr char kRandomOrder[] = "RandomOrder";
inline constexpr char kDisplayImageDescription[] = "DisplayImageDescription";
inline constexpr char kDisplayBMPFiles[] = "DisplayBMPFiles";
inline constexpr char kDisplayJPGFiles[] = "DisplayJPGFiles";
inline constexpr char kDirectory[] = "Directory";

inline constexpr uint32_t kMinDelay = 1;
inline constexpr uint32_t kMaxDelay = 120;

// Profile operations with the semantics of the framework's registry-backed profile.
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

struct SettingsRecord {
    uint32_t delay = 10;  // seconds between pictures
    int32_t stretch = 1;  // flags: non-zero means on
    int32_t randomOrder = 1;
    int32_t showCaption = 1;
    int32_t showBmp = 1;
    int32_t showJpg = 1;
    std::string folder;  // picture folder
};

// 0 becomes 1, anything above 120 (unsigned) becomes 120.
uint32_t ClampDelay(uint32_t stored);

// What a picture window reads: the delay clamped, an empty or missing folder replaced by windowsDir.
SettingsRecord LoadWindowSettings(IProfileStore& store, const std::string& windowsDir);
// What the settings dialog reads: the same, but the delay unclamped.
SettingsRecord LoadDialogSettings(IProfileStore& store, const std::string& windowsDir);
// Writes all seven values in their fixed order, the six numbers first, the folder last.
void SaveSettings(IProfileStore& store, const SettingsRecord& settings);

}  // namespace orv
