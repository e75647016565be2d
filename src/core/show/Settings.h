#pragma once
// The seven per-user settings and the rules for reading and writing them. The store behind them
// is the framework's profile: the registry on Windows (RegistryProfileStore), a map in the tests.
#include <cstdint>
#include <string>

#include "core/framework/ProfileStore.h"

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

struct SettingsRecord {
    uint32_t delay = 10;  // seconds between pictures
    int32_t stretch = 1;  // flags: non-zero means on
    int32_t randomOrder = 1;
    int32_t showCaption = 1;
    int32_t showBmp = 1;
    int32_t showJpg = 1;
    std::string folder;  // picture folder
};

// The seven setting members of a window or dialog, bound by reference. Each owner binds its own
// members once (a Fields() of its own); the copies to and from the record are the two below.
struct SettingsFields {
    std::string& folder;
    int32_t& stretch;
    uint32_t& delay;
    int32_t& randomOrder;
    int32_t& showCaption;
    int32_t& showBmp;
    int32_t& showJpg;
};
void AssignSettings(const SettingsFields& fields, const SettingsRecord& record);
SettingsRecord SettingsOf(const SettingsFields& fields);

// 0 becomes 1, anything above 120 (unsigned) becomes 120.
uint32_t ClampDelay(uint32_t stored);

// What a picture window reads: the delay clamped, an empty or missing folder replaced by windowsDir.
SettingsRecord LoadWindowSettings(IProfileStore& store, const std::string& windowsDir);
// What the settings dialog reads: the same, but the delay unclamped.
SettingsRecord LoadDialogSettings(IProfileStore& store, const std::string& windowsDir);
// Writes all seven values in their fixed order, the six numbers first, the folder last.
void SaveSettings(IProfileStore& store, const SettingsRecord& settings);

}  // namespace orv
