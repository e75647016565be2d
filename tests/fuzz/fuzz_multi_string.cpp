// The registry's multi-string data, as a hand-edited or damaged value may hold it: read as a list
// and as a single text, every read stays inside the data (ASan), and a list written back and read
// again gives the same texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/framework/MultiString.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact copy, so a read past the end lands outside the allocation.
    const std::vector<uint8_t> bytes(data, data + size);
    const std::vector<std::u16string> single = orv::TextsOfMultiString(bytes.data(), bytes.size(), true);
    if (single.size() > 1) std::abort();
    const std::vector<std::u16string> texts = orv::TextsOfMultiString(bytes.data(), bytes.size());
    for (const std::u16string& text : texts)
        if (text.empty()) std::abort();
    const std::u16string written = orv::MultiStringOf(texts);
    std::vector<uint8_t> again;
    for (char16_t unit : written) {
        again.push_back(static_cast<uint8_t>(unit & 0xFF));
        again.push_back(static_cast<uint8_t>(unit >> 8));
    }
    if (orv::TextsOfMultiString(again.data(), again.size()) != texts) std::abort();
    return 0;
}
