#include "core/ui/SettingsExchange.h"

#include "core/show/Settings.h"
#include "resources/resource.h"

namespace orv {

bool ExchangeSettings(DataExchange& dx, const SettingsFields& fields) {
    return DDX_Text(dx, IDC_FOLDER, fields.folder) && DDX_Check(dx, IDC_STRETCH, fields.stretch) &&
           DDX_Text(dx, IDC_DELAY, fields.delay) && DDV_MinMaxUInt(dx, fields.delay, kMinDelay, kMaxDelay) &&
           DDX_Check(dx, IDC_RANDOM_ORDER, fields.randomOrder) &&
           DDX_Check(dx, IDC_SHOW_CAPTION, fields.showCaption) &&
           DDX_Check(dx, IDC_SHOW_BMP, fields.showBmp) && DDX_Check(dx, IDC_SHOW_JPG, fields.showJpg);
}

void UpdatePreview(SettingChange change, int32_t previewReady, const std::function<bool()>& readControls,
                   const SettingsFields& fields, IPreviewWindow& preview) {
    if (!previewReady) return;
    // The exchange (and any message it shows) comes before the timer stops: the preview goes on
    // changing pictures behind the message box.
    const bool exchanged = readControls();
    preview.StopSlideTimer();
    // The folder itself reaches the preview with the rebuild below.
    if (change == SettingChange::Stretch) preview.SetStretchPictures(fields.stretch);
    if (change == SettingChange::Delay && exchanged) preview.SetDelayBetweenPictures(fields.delay);
    if (change == SettingChange::RandomOrder) preview.SetRandomOrder(fields.randomOrder);
    if (change == SettingChange::Caption) preview.SetDisplayImageDescription(fields.showCaption);
    if (change == SettingChange::Bmp) preview.SetDisplayBMPFiles(fields.showBmp);
    if (change == SettingChange::Jpg) preview.SetDisplayJPGFiles(fields.showJpg);
    // A change of the folder, of which files are listed or of their order rebuilds the list under
    // the settings as they now stand.
    if (change == SettingChange::Folder || change == SettingChange::RandomOrder ||
        change == SettingChange::Bmp || change == SettingChange::Jpg)
        preview.SetFolder(fields.folder);
    preview.StartSlideTimer();
}

}  // namespace orv
