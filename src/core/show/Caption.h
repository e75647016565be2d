#pragma once
// The caption box's rules without the drawing: which file holds a picture's caption, how its
// bytes become the caption text, how big the box is and where it goes.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "core/framework/Geometry.h"

namespace orv {

// Captions are cut to this many bytes of decoded (UTF-8) text, at a character's edge. A box for
// more text than that would be far taller than any screen.
inline constexpr std::size_t kMaxCaptionBytes = 64 * 1024;
// How much of a caption file is read: enough for kMaxCaptionBytes of text in any encoding (UTF-16
// takes two bytes for a character that UTF-8 or a code page writes in one), with its mark.
inline constexpr std::size_t kCaptionReadBytes = 2 * kMaxCaptionBytes + 2;

enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Legacy };

struct EncodingDecision {
    TextEncoding encoding = TextEncoding::Legacy;
    std::size_t markBytes = 0;  // the byte-order mark to skip
};

// The encoding of a caption file from its first bytes: a byte-order mark (UTF-8, or UTF-16 in
// either order), else UTF-8 when the text is well-formed UTF-8, else the legacy code page.
// complete is false when the file goes on beyond bytes, so a sequence cut at the end is ours.
EncodingDecision DecideTextEncoding(std::string_view bytes, bool complete);

// Turns bytes in the legacy code page into UTF-8; supplied by the platform.
using LegacyDecoder = std::function<std::string(std::string_view)>;

// The caption text, in UTF-8, from the first bytes of its file: decoded as decided, cut to
// kMaxCaptionBytes, then read by the text-file rules of ParseCaptionText.
std::string CaptionTextFromFile(std::string_view bytes, bool complete, const LegacyDecoder& legacy);

// The box is the measured text plus this margin (10 pixels left and right, 5 top and bottom).
inline constexpr int32_t kCaptionMarginX = 20;
inline constexpr int32_t kCaptionMarginY = 10;

// The picture's path cut before its last '.', if it has one, with ".txt" appended.
std::string CaptionFileName(const std::string& picturePath);

// The caption text from decoded text, read as a text-mode file is read: a carriage return right
// before a line feed is dropped, a line feed ends a line, 0x1A ends the file, NUL ends a line's
// text. Lines are joined with single line feeds; empty lines before the first non-empty one are
// dropped, later empty lines stay. In UTF-8 these bytes never occur inside a character.
std::string ParseCaptionText(std::string_view bytes);

// The box for text of the given measured size: the margins added, then in a preview scaled by
// clientWidth / screenWidth (so the preview shows the full-screen box in miniature).
Size CaptionBoxSize(Size text, bool preview, int32_t clientWidth, int32_t screenWidth);

// Top-left corner of the box: against the right edge at a random height when the margins beside
// the picture leave more room than those above and below it, else against the bottom edge at a
// random horizontal place. random is one draw of the process's generator (0 .. 32767).
Point PlaceCaption(Size client, const Rect& pictureRect, Size box, int random);

}  // namespace orv
