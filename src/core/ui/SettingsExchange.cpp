#include "core/ui/SettingsExchange.h"

#include <iterator>

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
bool ExchangeValue(DataExchange& dx, int control, std::vector<std::string>& list) {
    return DDX_LBStrings(dx, control, list);
}

// The control that edits each setting, in the order the exchange visits them (the folder, stretch,
// the delay, then the other boxes, then the folder lists). The template (Dialogs.rc) and the dialog's message
// map (ui/SettingsDlg.cpp) name the same controls.
struct SettingControl {
    SettingId id;
    int control;
};
constexpr SettingControl kSettingControls[] = {
    {SettingId::Directory, IDC_FOLDER},
    {SettingId::StretchPictures, IDC_STRETCH},
    {SettingId::DelayBetweenPictures, IDC_DELAY},
    {SettingId::RandomOrder, IDC_RANDOM_ORDER},
    {SettingId::DisplayImageDescription, IDC_SHOW_CAPTION},
    {SettingId::FadeBetweenPictures, IDC_FADE},
    {SettingId::DisplayBMPFiles, IDC_SHOW_BMP},
    {SettingId::DisplayJPGFiles, IDC_SHOW_JPG},
    {SettingId::DisplayOtherFiles, IDC_SHOW_OTHER},
    {SettingId::PanAndZoom, IDC_PAN_AND_ZOOM},
    {SettingId::DisplayPictureInfo, IDC_SHOW_INFO},
    {SettingId::BrowseKeys, IDC_BROWSE_KEYS},
    {SettingId::PairPortraits, IDC_PAIR_PORTRAITS},
    {SettingId::MoreFolders, IDC_MORE_FOLDERS},
    {SettingId::ExcludedFolders, IDC_EXCLUDED_FOLDERS},
};

// The exchange visits each setting once.
constexpr bool EachSettingHasOneControl() {
    if (static_cast<int>(std::size(kSettingControls)) != kSettingCount) return false;
    for (const SettingRow& row : kSettingRows) {
        int holders = 0;
        for (const SettingControl& c : kSettingControls)
            holders += c.id == row.id ? 1 : 0;
        if (holders != 1) return false;
    }
    return true;
}
static_assert(EachSettingHasOneControl(),
              "each setting needs its own control and its one place in the exchange");

bool ExchangeOne(DataExchange& dx, const SettingControl& c, const SettingsFields& fields) {
    bool ok = true;
    ForEachSetting(
        [&](SettingId id, auto& value) {
            if (id == c.id) ok = ExchangeValue(dx, c.control, value);
        },
        fields);
    return ok;
}

void PassToPreview(SettingId id, const SettingsFields& fields, IPreviewWindow& preview) {
    switch (id) {
    case SettingId::DelayBetweenPictures:
        preview.SetDelayBetweenPictures(fields.delay);
        break;
    case SettingId::StretchPictures:
        preview.SetStretchPictures(fields.stretch);
        break;
    case SettingId::RandomOrder:
        preview.SetRandomOrder(fields.randomOrder);
        break;
    case SettingId::DisplayImageDescription:
        preview.SetDisplayImageDescription(fields.showCaption);
        break;
    case SettingId::FadeBetweenPictures:
        preview.SetFadeBetweenPictures(fields.fade);
        break;
    case SettingId::DisplayBMPFiles:
        preview.SetDisplayBMPFiles(fields.showBmp);
        break;
    case SettingId::DisplayJPGFiles:
        preview.SetDisplayJPGFiles(fields.showJpg);
        break;
    case SettingId::DisplayOtherFiles:
        preview.SetDisplayOtherFiles(fields.showOther);
        break;
    case SettingId::PanAndZoom:
        preview.SetPanAndZoom(fields.panAndZoom);
        break;
    case SettingId::DisplayPictureInfo:
        preview.SetDisplayPictureInfo(fields.showInfo);
        break;
    case SettingId::BrowseKeys:
        preview.SetBrowseKeys(fields.browseKeys);
        break;
    case SettingId::PairPortraits:
        preview.SetPairPortraits(fields.pairPortraits);
        break;
    case SettingId::Directory:
        break;  // the folder reaches the preview with the rebuild
    case SettingId::MoreFolders:
        preview.SetMoreFolders(fields.moreFolders);
        break;
    case SettingId::ExcludedFolders:
        preview.SetExcludedFolders(fields.excludedFolders);
        break;
    }
}

}  // namespace

bool ExchangeSettings(DataExchange& dx, const SettingsFields& fields) {
    for (const SettingControl& c : kSettingControls)
        if (!ExchangeOne(dx, c, fields)) return false;
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
