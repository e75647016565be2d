// Which names are pictures, and what "Others" lists from the decoders' own extension lists. The
// input is split at newlines: the lines before the first empty one are decoder lists as the
// imaging component reports them, the lines after it are file names (any bytes).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/picture/PictureTypes.h"

namespace {

volatile uint32_t g_sink;

bool IsFixedOther(const std::string& extension) {
    for (std::string_view fixed : orv::kOtherExtensions)
        if (extension == fixed) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> decoders;
    std::vector<std::string> names;
    bool inNames = false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string line(text.substr(start, end - start));
        if (!inNames && line.empty()) {
            inNames = true;
        } else {
            (inNames ? names : decoders).push_back(line);
        }
        start = end + 1;
    }
    const std::vector<std::string> others = orv::OtherExtensionsOf(decoders);
    // Only the fixed extensions are ever listed, each once.
    for (size_t i = 0; i < others.size(); ++i) {
        if (!IsFixedOther(others[i])) __builtin_trap();
        for (size_t j = 0; j < i; ++j)
            if (others[i] == others[j]) __builtin_trap();
    }
    uint32_t listed = 0;
    for (const std::string& name : names) {
        const orv::PictureKind kind = orv::PictureKindOf(name);
        const bool any = orv::IsListedPicture(name, true, true, others);
        // A name listed under "Others" alone goes to the imaging component's loader.
        if (orv::IsListedPicture(name, false, false, others) && kind != orv::PictureKind::Other)
            __builtin_trap();
        if (orv::IsListedPicture(name, false, true, {}) && kind != orv::PictureKind::Jpeg) __builtin_trap();
        listed += any ? 1u : 0u;
    }
    g_sink = listed + static_cast<uint32_t>(others.size());
    return 0;
}
