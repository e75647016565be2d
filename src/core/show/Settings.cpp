#include "core/show/Settings.h"

namespace orv {
namespace {

// How each kind is read. The record passed in holds the defaults.
struct Reader {
    IProfileStore& store;
    const std::string& windowsDir;
    bool clampDelay;

    void Read(const SettingRow& row, int32_t& flag) const {
        // The flags travel as DWORDs; only zero versus non-zero matters to their readers.
        flag =
            static_cast<int32_t>(store.GetProfileInt(kConfigSection, row.name, static_cast<uint32_t>(flag)));
    }
    void Read(const SettingRow& row, uint32_t& number) const {
        number = store.GetProfileInt(kConfigSection, row.name, number);
        if (row.kind == SettingKind::Delay && clampDelay) number = ClampDelay(number);
    }
    void Read(const SettingRow& row, std::string& text) const {
        // A missing value and an empty one mean the same: the Windows directory.
        text = store.GetProfileString(kConfigSection, row.name, windowsDir);
        if (text.empty()) text = windowsDir;
    }
    void Read(const SettingRow& row, std::vector<std::string>& list) const {
        list = store.GetProfileStrings(kConfigSection, row.name);
    }
};

// Both readers share this; only the delay rule differs between them. The reads run in SettingId
// order, the folder last.
SettingsRecord LoadSettings(IProfileStore& store, const std::string& windowsDir, bool clampDelay) {
    const Reader reader{store, windowsDir, clampDelay};
    SettingsRecord s;
    ForEachSetting([&](SettingId id, auto& value) { reader.Read(RowOf(id), value); }, s);
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
void Write(IProfileStore& store, const char* name, const std::vector<std::string>& list) {
    store.WriteProfileStrings(kConfigSection, name, list);
}

template <typename To, typename From>
void CopySettings(To& to, const From& from) {
    ForEachSetting([](SettingId, auto& toValue, const auto& fromValue) { toValue = fromValue; }, to, from);
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
    ForEachSetting([&](SettingId id, const auto& value) { Write(store, RowOf(id).name, value); }, s);
}

}  // namespace orv
