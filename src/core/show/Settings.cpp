#include "core/show/Settings.h"

namespace orv {
namespace {

// How each kind is read. The record passed in holds the defaults.
struct Reader {
    IProfileStore& store;
    const std::string& windowsDir;
    bool clampDelay;

    void Read(SettingKind kind, const char* name, int32_t& flag) const {
        (void)kind;
        // The flags travel as DWORDs; only zero versus non-zero matters to their readers.
        flag = static_cast<int32_t>(store.GetProfileInt(kConfigSection, name, static_cast<uint32_t>(flag)));
    }
    void Read(SettingKind kind, const char* name, uint32_t& number) const {
        number = store.GetProfileInt(kConfigSection, name, number);
        if (kind == SettingKind::Delay && clampDelay) number = ClampDelay(number);
    }
    void Read(SettingKind kind, const char* name, std::string& text) const {
        (void)kind;
        // A missing value and an empty one mean the same: the Windows directory.
        text = store.GetProfileString(kConfigSection, name, windowsDir);
        if (text.empty()) text = windowsDir;
    }
};

// Both readers share this; only the delay rule differs between them. The reads run in the table's
// order, the folder last.
SettingsRecord LoadSettings(IProfileStore& store, const std::string& windowsDir, bool clampDelay) {
    const Reader reader{store, windowsDir, clampDelay};
    SettingsRecord s;
#define ORV_READ_SETTING(field, member, Name, kind, def, control, tab, lists) \
    reader.Read(SettingKind::kind, #Name, s.field);
    ORV_SETTINGS_TABLE(ORV_READ_SETTING)
#undef ORV_READ_SETTING
    return s;
}

// Write failures are not the user's business: the dialog closes regardless.
void Write(IProfileStore& store, const char* name, int32_t flag) {
    store.WriteProfileInt(kConfigSection, name, static_cast<uint32_t>(flag));
}
void Write(IProfileStore& store, const char* name, uint32_t number) {
    store.WriteProfileInt(kConfigSection, name, number);
}
void Write(IProfileStore& store, const char* name, const std::string& text) {
    store.WriteProfileString(kConfigSection, name, text);
}

template <typename To, typename From>
void CopySettings(To& to, const From& from) {
#define ORV_COPY_SETTING(field, member, Name, kind, def, control, tab, lists) to.field = from.field;
    ORV_SETTINGS_TABLE(ORV_COPY_SETTING)
#undef ORV_COPY_SETTING
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

void AssignSettings(const SettingsFields& fields, const SettingsRecord& record) {
    CopySettings(fields, record);
}

SettingsRecord SettingsOf(const SettingsFields& fields) {
    SettingsRecord record;
    CopySettings(record, fields);
    return record;
}

void SaveSettings(IProfileStore& store, const SettingsRecord& s) {
#define ORV_WRITE_SETTING(field, member, Name, kind, def, control, tab, lists) Write(store, #Name, s.field);
    ORV_SETTINGS_TABLE(ORV_WRITE_SETTING)
#undef ORV_WRITE_SETTING
}

}  // namespace orv
