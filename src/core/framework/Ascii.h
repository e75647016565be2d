#pragma once
// ASCII-only text rules. Switches, file extensions and sort keys fold the 26 ASCII letters and
// nothing else: a locale-dependent fold would make the saver behave differently from one user
// code page to the next, and would mangle the bytes of multi-byte characters.
#include <cstddef>
#include <string_view>

namespace orv {

constexpr unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// True when text equals lower (already in lower case) with the ASCII letters of text folded.
constexpr bool EqualsNoCaseAscii(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (FoldAscii(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(lower[i]))
            return false;
    return true;
}

}  // namespace orv
