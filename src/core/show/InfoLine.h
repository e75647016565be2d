#pragma once
// The information line's rules without the drawing: what its text is made of (the date a picture
// was taken, the place, its folder's name), how large it is drawn and where it goes on a slide.
// The worker reads the facts and the system's words for them (the date in the user's form, the
// country's name in the user's language); the window draws the line (show/InfoDraw.cpp).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/framework/Geometry.h"
#include "core/picture/ExifFacts.h"

namespace orv {

// " · ": a middle dot (U+00B7) with a space each side, in UTF-8.
inline constexpr char kInfoSeparator[] = " \xC2\xB7 ";

// The parts joined by kInfoSeparator, the empty ones left out.
std::string JoinInfoParts(const std::vector<std::string>& parts);

// "Town, Country", the country alone, or nothing.
std::string PlaceText(const std::string& town, const std::string& country);

// The last component of the picture's folder as the path spells it ("Crete 2019" for
// "D:\Photos\Crete 2019\a.jpg"); empty for a picture at the root of a drive or share.
std::string FolderNameOf(const std::string& picturePath);

// A position worth looking up: finite, in range, and not the 0, 0 a receiver without a fix writes.
bool UsablePosition(double latitude, double longitude);

// The camera's local date and time as seconds since 1970 (as if it were UTC), the form the library
// index keeps; and back, absent for anything outside the dates ParseExifDate accepts.
int64_t SecondsOf(const TakenAt& taken);
TakenAt TakenAtOfSeconds(int64_t seconds);

// The line's font height in pixels on a monitor of this height at this DPI: a fortieth of the
// height, never below 12 points' worth at the DPI.
int32_t InfoFontHeight(int32_t monitorHeight, int32_t dpi);

// Where the line (a box of this size) goes in the slide's area: in the corner farthest from the
// caption box (captionBox empty: none; bottom left then), inset by margin, never overlapping the
// caption box, never outside the area. A line wider than the area is narrowed to it (the text is
// cut with an ellipsis). Absent when no corner is free of the caption box or the area is too small.
std::optional<Rect> PlaceInfoLine(const Rect& area, Size line, const Rect& captionBox, int32_t margin);

}  // namespace orv
