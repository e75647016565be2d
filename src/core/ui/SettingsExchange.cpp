#include "core/ui/SettingsExchange.h"

#include "core/show/Settings.h"
#include "resources/resource.h"

namespace orv {
namespace {

// One control by the type of its member.
bool ExchangeValue(DataExchange& dx, int control, std::string& text) { return DDX_Text(dx, control, text); }
bool ExchangeValue(DataExchange& dx, int control, uint32_t& delay) {
    return DDX_Text(dx, control, delay) && DDV_MinMaxUInt(dx, delay, kMinDelay, kMaxDelay);
}
bool ExchangeValue(DataExchange& dx, int control, int32_t& flag) { return DDX_Check(dx, control, flag); }

bool ExchangeOne(DataExchange& dx, SettingId id, const SettingsFields& fields) {
    switch (id) {
#define ORV_EXCHANGE_CASE(field, member, Name, kind, def, control, tab, lists) \
    case SettingId::Name:                                                      \
        return ExchangeValue(dx, control, fields.field);
        ORV_SETTINGS_TABLE(ORV_EXCHANGE_CASE)
#undef ORV_EXCHANGE_CASE
    }
    return true;
}

void PassToPreview(SettingId id, const SettingsFields& fields, IPreviewWindow& preview) {
    switch (id) {
#define ORV_PREVIEW_CASE(field, member, Name, kind, def, control, tab, lists) \
    case SettingId::Name:                                                     \
        preview.Set##Name(fields.field);                                      \
        break;
        ORV_PLAIN_SETTINGS_TABLE(ORV_PREVIEW_CASE)
#undef ORV_PREVIEW_CASE
    default:
        break;  // the folder reaches the preview with the rebuild
    }
}

// The exchange visits each setting once: the table's tab places are 0 .. n - 1, each once.
constexpr bool TabPlacesAreAPermutation() {
    for (int place = 0; place < kSettingCount; ++place) {
        int holders = 0;
        for (const SettingRow& row : kSettingRows)
            holders += row.tab == place ? 1 : 0;
        if (holders != 1) return false;
    }
    return true;
}
static_assert(TabPlacesAreAPermutation(), "each setting needs its own place in the dialog's tab order");

}  // namespace

bool ExchangeSettings(DataExchange& dx, const SettingsFields& fields) {
    for (int place = 0; place < kSettingCount; ++place) {
        for (const SettingRow& row : kSettingRows) {
            if (row.tab == place && !ExchangeOne(dx, row.id, fields)) return false;
        }
    }
    return true;
}

void UpdatePreview(SettingChange change, int32_t previewReady, const std::function<bool()>& readControls,
                   const SettingsFields& fields, IPreviewWindow& preview) {
    if (!previewReady) return;
    // The exchange (and any message it shows) comes before the timer stops: the preview goes on
    // changing pictures behind the message box.
    const bool exchanged = readControls();
    preview.StopSlideTimer();
    // A delay that failed its range test stays as the preview had it.
    if (RowOf(change).kind != SettingKind::Delay || exchanged) PassToPreview(change, fields, preview);
    // A change of the folder, of which files are listed or of their order rebuilds the list under
    // the settings as they now stand.
    if (RowOf(change).lists) preview.SetFolder(fields.folder);
    preview.StartSlideTimer();
}

}  // namespace orv
