// Feeds arbitrary bytes to the delay box reader, alone and through the settings dialog's whole
// exchange, and checks what any accepted text must satisfy.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "core/ui/SettingsExchange.h"
#include "../unit/SettingsOwner.h"

namespace {

class Controls : public orv::IDialogControls {
public:
    std::string delayText;
    int messages = 0;
    std::string GetText(int id) override { return id == IDC_DELAY ? delayText : std::string(); }
    void SetText(int, const std::string&) override {}
    int GetCheck(int) override { return 1; }
    void SetCheck(int, int) override {}
    std::vector<std::string> GetItems(int) override { return {}; }
    void SetItems(int, const std::vector<std::string>&) override {}
    std::string ResourceString(uint32_t id) override { return id == IDS_RANGE_UINT ? "%1 %2" : "x"; }
    void ShowMessage(const std::string&) override { ++messages; }
    void FocusControl(int, bool) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    uint32_t value = 12345;
    const bool read = orv::ReadUnsignedText(text, value);
    if (!read && value != 12345) abort();  // a refused text leaves the value alone
    if (read) {
        // The number's own decimal form reads back as the same number.
        uint32_t again = 0;
        if (!orv::ReadUnsignedText(std::to_string(value), again) || again != value) abort();
    }

    Controls controls;
    controls.delayText = text;
    SettingsOwner settings;
    settings.delay = 30;
    orv::DataExchange save(controls, true);
    const bool ok = orv::ExchangeSettings(save, settings.Fields());
    const uint32_t delay = settings.delay;
    // Success exactly when the text reads as 1..120; otherwise exactly one message.
    if (ok != (read && value >= 1 && value <= 120)) abort();
    if (controls.messages != (ok ? 0 : 1)) abort();
    if (ok && delay != value) abort();
    return 0;
}
