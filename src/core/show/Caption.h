#pragma once
// The caption box's rules without the drawing: which file holds a picture's caption, how its
// bytes become the caption text, how big the box is and where it goes.
#include <cstddef>
#include <string>
#include <string_view>

#include "core/framework/Geometry.h"

namespace orv {

// Captions are read up to this many bytes; anything longer is cut there. A box for more text
// than that would be far taller than any screen.
inline constexpr std::size_t kMaxCaptionBytes = 64 * 1024;

// The box is the measured text plus this margin (10 pixels left and right, 5 top and bottom).
inline constexpr int32_t kCaptionMarginX = 20;
inline constexpr int32_t kCaptionMarginY = 10;

// The picture's path cut before its last '.', if it has one, with ".txt" appended.
std::string CaptionFileName(const std::string& picturePath);

// The caption text from the file's bytes, read as a text-mode file is read: a carriage return
// right before a line feed is dropped, a line feed ends a line, byte 0x1A ends the file. Lines
// are joined with single line feeds; empty lines before the first non-empty one are dropped,
// later empty lines stay.
std::string ParseCaptionText(std::string_view bytes);

// The box for text of the given measured size: the margins added, then in a preview scaled by
// clientWidth / screenWidth (so the preview shows the full-screen box in miniature).
Size CaptionBoxSize(Size text, bool preview, int32_t clientWidth, int32_t screenWidth);

// Top-left corner of the box: against the right edge at a random height when the margins beside
// the picture leave more room than those above and below it, else against the bottom edge at a
// random horizontal place. random is one draw of the process's generator (0 .. 32767).
Point PlaceCaption(Size client, const Rect& pictureRect, Size box, int random);

}  // namespace orv
