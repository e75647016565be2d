#include "core/framework/MultiString.h"

namespace orv {

std::vector<std::u16string> TextsOfMultiString(const uint8_t* data, size_t size, bool single) {
    std::vector<std::u16string> texts;
    if (data == nullptr) return texts;
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit != 0) {
            text.push_back(unit);
            continue;
        }
        if (text.empty()) return texts;
        texts.push_back(std::move(text));
        text.clear();
        if (single) return texts;
    }
    if (!text.empty()) texts.push_back(std::move(text));
    return texts;
}

std::u16string MultiStringOf(const std::vector<std::u16string>& texts) {
    std::u16string data;
    for (const std::u16string& text : texts) {
        if (text.empty()) continue;
        data += text;
        data.push_back(u'\0');
    }
    if (data.empty()) data.push_back(u'\0');
    data.push_back(u'\0');
    return data;
}

}  // namespace orv
