#include "core/show/Monitors.h"

#include <cstdint>

#include "core/show/Caption.h"
#include "core/show/Layout.h"

namespace orv {

namespace {

// a + b held inside 32 bits: the rectangles come from the system and from a picture header, and a
// sum out of range must give a clear (clamped) place rather than an overflow.
int32_t AddClamped(int32_t a, int32_t b) {
    const int64_t sum = static_cast<int64_t>(a) + b;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(sum);
}

int32_t SubClamped(int32_t a, int32_t b) { return AddClamped(a, b == INT32_MIN ? INT32_MAX : -b); }

Rect Moved(const Rect& r, int32_t dx, int32_t dy) {
    return Rect{AddClamped(r.left, dx), AddClamped(r.top, dy), AddClamped(r.right, dx),
                AddClamped(r.bottom, dy)};
}

bool HasArea(const Rect& r) {
    return static_cast<int64_t>(r.right) > r.left && static_cast<int64_t>(r.bottom) > r.top;
}

// The rectangle's size, each side on its own held inside 0 .. INT32_MAX (Rect::Width would overflow
// for a rectangle that spans more than half the coordinate range). A side with no extent is 0 and
// leaves the other side as it is: a very flat picture stretched to the screen's width is laid out
// 800 x 0, and its caption still weighs the full width it takes.
int32_t Extent(int32_t from, int32_t to) {
    const int64_t d = static_cast<int64_t>(to) - from;
    if (d <= 0) return 0;
    return static_cast<int32_t>(d > INT32_MAX ? INT32_MAX : d);
}

Size SizeOf(const Rect& r) { return Size{Extent(r.left, r.right), Extent(r.top, r.bottom)}; }

}  // namespace

std::vector<Rect> ShowingOrder(const std::vector<MonitorRect>& monitors, Point origin) {
    std::vector<Rect> order;
    order.reserve(monitors.size());
    auto add = [&](const MonitorRect& m) {
        if (!HasArea(m.rect)) return;
        const Rect r{SubClamped(m.rect.left, origin.x), SubClamped(m.rect.top, origin.y),
                     SubClamped(m.rect.right, origin.x), SubClamped(m.rect.bottom, origin.y)};
        order.push_back(r);
    };
    // Only one monitor is the primary; should the system flag several, the first flagged leads
    // and the rest keep their places.
    const MonitorRect* primary = nullptr;
    for (const MonitorRect& m : monitors) {
        if (m.primary && HasArea(m.rect)) {
            primary = &m;
            break;
        }
    }
    if (primary) add(*primary);
    for (const MonitorRect& m : monitors) {
        if (&m != primary) add(m);
    }
    return order;
}

Deal DealEntries(std::size_t listSize, std::size_t monitorCount, std::size_t next) {
    Deal deal;
    deal.next = next;
    if (listSize == 0) return deal;
    deal.entries.reserve(monitorCount);
    for (std::size_t i = 0; i < monitorCount; ++i) {
        if (deal.next >= listSize) deal.next = 0;
        deal.entries.push_back(deal.next);
        ++deal.next;
    }
    return deal;
}

Rect PictureRectIn(const Rect& area, Size picture, Size screen, bool stretch, bool preview) {
    if (!HasArea(area)) return Rect{};
    const Rect r = PictureRect(SizeOf(area), picture, screen, stretch, preview);
    if (r == Rect{}) return r;  // nothing to draw stays the plain empty rectangle
    return Moved(r, area.left, area.top);
}

Point CaptionPlaceIn(const Rect& area, const Rect& pictureRect, Size box, int random) {
    if (!HasArea(area)) return Point{area.left, area.top};
    const Size picture = SizeOf(pictureRect);
    const Point p = PlaceCaption(SizeOf(area), Rect{0, 0, picture.cx, picture.cy}, box, random);
    return Point{AddClamped(p.x, area.left), AddClamped(p.y, area.top)};
}

}  // namespace orv
