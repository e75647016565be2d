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
    switch (change) {
    case SettingChange::Folder:
        preview.SetFolder(fields.folder);
        break;
    case SettingChange::Stretch:
        preview.SetStretchPictures(fields.stretch);
        break;
    case SettingChange::Delay:
        if (exchanged) preview.SetDelayBetweenPictures(fields.delay);
        break;
    case SettingChange::RandomOrder:
        preview.SetRandomOrder(fields.randomOrder);
        preview.SetFolder(fields.folder);
        break;
    case SettingChange::Caption:
        preview.SetDisplayImageDescription(fields.showCaption);
        break;
    case SettingChange::Bmp:
        preview.SetDisplayBMPFiles(fields.showBmp);
        preview.SetFolder(fields.folder);
        break;
    case SettingChange::Jpg:
        preview.SetDisplayJPGFiles(fields.showJpg);
        preview.SetFolder(fields.folder);
        break;
    }
    preview.StartSlideTimer();
}

}  // namespace orv
