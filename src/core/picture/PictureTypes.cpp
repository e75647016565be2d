#include "core/picture/PictureTypes.h"

#include "core/framework/Ascii.h"

namespace orv {
namespace {

constexpr std::string_view kJpegExtensions[] = {".jpg", ".jpeg", ".jpe", ".jfif"};

// The text from the last '.' of the last path element; empty when it has none.
std::string_view ExtensionOf(std::string_view name) {
    const size_t slash = name.find_last_of("\\/");
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    return name.substr(dot);
}

template <size_t N>
bool OneOf(std::string_view extension, const std::string_view (&list)[N]) {
    for (std::string_view candidate : list)
        if (EqualsNoCaseAscii(extension, candidate)) return true;
    return false;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

PictureKind PictureKindOf(std::string_view name) {
    const std::string_view extension = ExtensionOf(name);
    if (OneOf(extension, kJpegExtensions)) return PictureKind::Jpeg;
    if (OneOf(extension, kOtherExtensions)) return PictureKind::Other;
    return PictureKind::Bmp;
}

std::vector<std::string> OtherExtensionsOf(const std::vector<std::string>& decoderExtensions) {
    std::vector<bool> claimed(std::size(kOtherExtensions), false);
    for (const std::string& list : decoderExtensions) {
        std::string_view rest = list;
        while (!rest.empty()) {
            const size_t comma = rest.find_first_of(",;");
            std::string_view item = TrimBlanks(rest.substr(0, comma));
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            if (!item.empty() && item.front() == '.') item.remove_prefix(1);
            if (item.empty()) continue;
            for (size_t i = 0; i < claimed.size(); ++i) {
                if (EqualsNoCaseAscii(item, kOtherExtensions[i].substr(1))) claimed[i] = true;
            }
        }
    }
    std::vector<std::string> out;
    for (size_t i = 0; i < claimed.size(); ++i)
        if (claimed[i]) out.emplace_back(kOtherExtensions[i]);
    return out;
}

bool IsListedPicture(std::string_view name, bool showBmp, bool showJpg,
                     const std::vector<std::string>& otherExtensions) {
    const std::string_view extension = ExtensionOf(name);
    if (extension.empty()) return false;
    if (showBmp && EqualsNoCaseAscii(extension, ".bmp")) return true;
    if (showJpg && OneOf(extension, kJpegExtensions)) return true;
    for (const std::string& other : otherExtensions)
        if (EqualsNoCaseAscii(extension, other)) return true;
    return false;
}

}  // namespace orv
