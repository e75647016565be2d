#pragma once
// The slide show on every monitor, without the windows: which part of the full-screen window each
// monitor is, which list entries the monitors take at a tick, and where a picture and its caption
// go inside one monitor (or inside a preview's client area, its one "monitor").
#include <cstddef>
#include <vector>

#include "core/framework/Geometry.h"

namespace orv {

// One monitor as the system lists it: its rectangle on the virtual screen, and whether it is the
// primary monitor.
struct MonitorRect {
    Rect rect;
    bool primary = false;
};

// The monitors in showing order, the primary first and then the others in the order given, each
// moved into the coordinates of a window whose top-left corner sits at `origin` on the virtual
// screen. A monitor without area is left out. The result is empty when no monitor has area.
std::vector<Rect> ShowingOrder(const std::vector<MonitorRect>& monitors, Point origin);

// The list entries that the monitors take at one tick.
struct Deal {
    std::vector<std::size_t> entries;  // one per monitor, in showing order
    std::size_t next = 0;              // where the next tick goes on
};

// Each monitor in turn takes the entry at `next`, wrapping to the first entry when `next` is at or
// past the end of the list, and `next` moves one on. So with a list p1, p2, p3 and two monitors
// one tick deals p1 and p2, the next p3 and p1. An empty list, or no monitor, deals nothing and
// leaves `next` as it was.
Deal DealEntries(std::size_t listSize, std::size_t monitorCount, std::size_t next);

// The picture's rectangle inside `area` (a monitor, or a preview's client area), in the window's
// coordinates: laid out as PictureRect lays it out in a client area of the area's size, then moved
// to where the area sits. A full-screen monitor passes its own size as `screen`. An empty picture
// or area gives the empty rectangle at (0, 0).
Rect PictureRectIn(const Rect& area, Size picture, Size screen, bool stretch, bool preview);

// The caption box's top-left corner inside `area`, in the window's coordinates: placed as
// PlaceCaption places it in a client area of the area's size. pictureRect is the picture's
// rectangle from PictureRectIn (only its size counts); random is one draw of the generator.
Point CaptionPlaceIn(const Rect& area, const Rect& pictureRect, Size box, int random);

}  // namespace orv
