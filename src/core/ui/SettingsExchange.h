#pragma once
// The settings dialog's rules without its window: which control holds which setting, in which
// order the exchange visits them, and how each edit reaches the live preview. CSettingsDlg owns
// the members and the preview window and hands them to these functions; which control edits which
// setting is listed in SettingsExchange.cpp.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/framework/DataExchange.h"
#include "core/show/Settings.h"

namespace orv {

// Steps 2 onwards of the dialog's exchange (the glue attaches the up-down control first): every
// setting's control in the exchange's order: text boxes as text, the delay with its 1..120 range test, check
// boxes as checks, the folder lists as list boxes' items. A delay that fails stops the exchange there, so the
// controls after it are not read. Returns whether the exchange succeeded.
bool ExchangeSettings(DataExchange& dx, const SettingsFields& fields);

// The setting a notification changed.
using SettingChange = SettingId;

// What the dialog uses of its preview picture window (CPictureWnd's members of these names): the
// timer, the folder (which rebuilds the list), and the setter of every other setting.
class IPreviewWindow {
public:
    virtual ~IPreviewWindow() = default;
    virtual void StopSlideTimer() = 0;
    virtual void StartSlideTimer() = 0;
    virtual void SetFolder(const std::string& folder) = 0;  // rebuilds the picture list
    virtual void SetDelayBetweenPictures(uint32_t seconds) = 0;
    virtual void SetStretchPictures(int32_t stretch) = 0;
    virtual void SetRandomOrder(int32_t random) = 0;
    virtual void SetDisplayImageDescription(int32_t show) = 0;
    virtual void SetFadeBetweenPictures(int32_t fade) = 0;
    virtual void SetDisplayBMPFiles(int32_t show) = 0;
    virtual void SetDisplayJPGFiles(int32_t show) = 0;
    virtual void SetDisplayOtherFiles(int32_t show) = 0;
    virtual void SetPanAndZoom(int32_t move) = 0;
    virtual void SetDisplayPictureInfo(int32_t show) = 0;
    virtual void SetBrowseKeys(int32_t browse) = 0;
    virtual void SetPairPortraits(int32_t pair) = 0;
    virtual void SetMoreFolders(const std::vector<std::string>& folders) = 0;
    virtual void SetExcludedFolders(const std::vector<std::string>& folders) = 0;
};

// Passes one change to the running preview. Nothing happens before the preview window exists
// (previewReady 0). Otherwise: readControls (the dialog's UpdateData(TRUE), which may show a
// validation message) refreshes every member; the slide timer stops; the changed setting goes to
// the preview, with the folder again after a change that alters which files are listed or their
// order, so the list is rebuilt under the new settings; the timer restarts. A delay reaches the
// preview only when the exchange succeeded; the other settings pass the member as it now stands.
void UpdatePreview(SettingChange change, int32_t previewReady, const std::function<bool()>& readControls,
                   const SettingsFields& fields, IPreviewWindow& preview);

}  // namespace orv
