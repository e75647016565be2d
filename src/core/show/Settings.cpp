#include "core/show/Settings.h"

namespace orv {
namespace {

int32_t ReadFlag(IProfileStore& store, const char* entry, int32_t def) {
    // The flags travel as DWORDs; only zero versus non-zero matters to their readers.
    return static_cast<int32_t>(store.GetProfileInt(kConfigSection, entry, static_cast<uint32_t>(def)));
}

// Shared by both readers; only the delay rule differs between them. The reads run in the fixed
// order of the settings record, the folder last.
SettingsRecord LoadSettings(IProfileStore& store, const std::string& windowsDir, bool clampDelay) {
    const SettingsRecord defaults;
    SettingsRecord s;
    const uint32_t delay = store.GetProfileInt(kConfigSection, kDelayBetweenPictures, defaults.delay);
    s.delay = clampDelay ? ClampDelay(delay) : delay;
    s.stretch = ReadFlag(store, kStretchPictures, defaults.stretch);
    s.randomOrder = ReadFlag(store, kRandomOrder, defaults.randomOrder);
    s.showCaption = ReadFlag(store, kDisplayImageDescription, defaults.showCaption);
    s.showBmp = ReadFlag(store, kDisplayBMPFiles, defaults.showBmp);
    s.showJpg = ReadFlag(store, kDisplayJPGFiles, defaults.showJpg);
    // A missing value and an empty one mean the same: the Windows directory.
    s.folder = store.GetProfileString(kConfigSection, kDirectory, windowsDir);
    if (s.folder.empty()) s.folder = windowsDir;
    return s;
}

}  // namespace

uint32_t ClampDelay(uint32_t stored) {
    // Unsigned on purpose: a value that would read as negative is "too long", not "too short".
    if (stored < kMinDelay) return kMinDelay;
    if (stored > kMaxDelay) return kMaxDelay;
    return stored;
}

SettingsRecord LoadWindowSettings(IProfileStore& store, const std::string& windowsDir) {
    return LoadSettings(store, windowsDir, true);
}

SettingsRecord LoadDialogSettings(IProfileStore& store, const std::string& windowsDir) {
    // The dialog shows what is stored; its own validation refuses an out-of-range delay on OK.
    return LoadSettings(store, windowsDir, false);
}

// The seven values, member by member: the record and the bound fields use the same names.
template <typename To, typename From>
void CopySettings(To& to, const From& from) {
    to.folder = from.folder;
    to.stretch = from.stretch;
    to.delay = from.delay;
    to.randomOrder = from.randomOrder;
    to.showCaption = from.showCaption;
    to.showBmp = from.showBmp;
    to.showJpg = from.showJpg;
}

void AssignSettings(const SettingsFields& fields, const SettingsRecord& record) {
    CopySettings(fields, record);
}

SettingsRecord SettingsOf(const SettingsFields& fields) {
    SettingsRecord record;
    CopySettings(record, fields);
    return record;
}

void SaveSettings(IProfileStore& store, const SettingsRecord& s) {
    // Write failures are not the user's business: the dialog closes regardless.
    store.WriteProfileInt(kConfigSection, kDelayBetweenPictures, s.delay);
    store.WriteProfileInt(kConfigSection, kStretchPictures, static_cast<uint32_t>(s.stretch));
    store.WriteProfileInt(kConfigSection, kRandomOrder, static_cast<uint32_t>(s.randomOrder));
    store.WriteProfileInt(kConfigSection, kDisplayImageDescription, static_cast<uint32_t>(s.showCaption));
    store.WriteProfileInt(kConfigSection, kDisplayBMPFiles, static_cast<uint32_t>(s.showBmp));
    store.WriteProfileInt(kConfigSection, kDisplayJPGFiles, static_cast<uint32_t>(s.showJpg));
    store.WriteProfileString(kConfigSection, kDirectory, s.folder);
}

}  // namespace orv
