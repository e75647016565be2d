#pragma once
// UTF-8 and UTF-16 without the platform: validity as the decoders of today check it, and the
// conversions between the two that the caption reader and its drawing need.
#include <cstddef>
#include <string>
#include <string_view>

namespace orv {

// True when bytes are well-formed UTF-8: no overlong form, no surrogate (U+D800 to U+DFFF), nothing
// above U+10FFFF, no stray continuation byte and no sequence cut short. With allowCutTail, a last
// sequence that is only cut short (its bytes so far could still become a character) is accepted:
// the caller read a prefix of a longer file and cut it there itself.
bool IsValidUtf8(std::string_view bytes, bool allowCutTail = false);

// The largest length n <= maxBytes that does not split a character of valid UTF-8 text.
std::size_t Utf8CutPoint(std::string_view text, std::size_t maxBytes);

// UTF-16 code units to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

// UTF-8 to UTF-16 code units. Every byte that does not start a well-formed sequence becomes one
// U+FFFD, so text from anywhere can be drawn.
std::u16string Utf8ToUtf16(std::string_view bytes);

}  // namespace orv
