#pragma once
// The per-user settings (declared in SettingsTable.h) and the rules for reading and writing them.
// The store behind them is the framework's profile: the registry on Windows
// (RegistryProfileStore), a map in the tests.
#include <cstdint>
#include <string>

#include "core/framework/ProfileStore.h"
#include "core/show/SettingsTable.h"

namespace orv {

inline constexpr char kConfigSection[] = "Config";

inline constexpr uint32_t kMinDelay = 1;
inline constexpr uint32_t kMaxDelay = 120;

// Copies between a record and an owner's bound members.
void AssignSettings(const SettingsFields& fields, const SettingsRecord& record);
SettingsRecord SettingsOf(const SettingsFields& fields);

// 0 becomes 1, anything above 120 (unsigned) becomes 120.
uint32_t ClampDelay(uint32_t stored);

// What a picture window reads: the delay clamped, an empty or missing folder replaced by windowsDir.
SettingsRecord LoadWindowSettings(IProfileStore& store, const std::string& windowsDir);
// What the settings dialog reads: the same, but the delay unclamped.
SettingsRecord LoadDialogSettings(IProfileStore& store, const std::string& windowsDir);
// Writes every value in SettingId order: the numbers as DWORDs, the folder as text, the folder
// lists as lists.
void SaveSettings(IProfileStore& store, const SettingsRecord& settings);

}  // namespace orv
