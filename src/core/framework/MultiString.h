#pragma once
// A list of texts as the registry keeps it in a REG_MULTI_SZ value: UTF-16 (little-endian) texts,
// each ending in a zero unit, and one more zero unit after the last. Platform-free, so the reading
// of data that breaks those rules is tested on the host.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// The texts of a value's data as stored, read as far as they can be and never beyond size: an
// odd last byte is ignored, the list ends at its first empty text (two zero units in a row, or a
// zero unit first), and a last text without its zero is taken as it stands. single: the data is
// one text (REG_SZ), whose first text alone counts.
std::vector<std::u16string> TextsOfMultiString(const uint8_t* data, size_t size, bool single = false);

// The data of a value holding texts, in order: empty texts are left out (they would end the list
// early); no texts at all gives two zero units, an empty list that every reader reads as one.
std::u16string MultiStringOf(const std::vector<std::u16string>& texts);

}  // namespace orv
