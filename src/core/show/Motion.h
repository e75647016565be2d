#pragma once
// Pan and zoom: each slide drifts from a start framing to an end framing over the whole time it is
// on show. A framing is the part of the picture (its own pixels, sub-pixel) drawn over the
// picture's rectangle on screen, so what shows is always picture, never background: at zoom 1 it
// is the whole picture, exactly the still layout; at zoom z a 1/z crop of it. Pure arithmetic on
// the window's clock; the controller plans one motion per slide and asks where it stands at each
// frame.
#include <cstdint>

#include "core/framework/Geometry.h"

namespace orv {

// The largest zoom of a framing, as a factor of the size the layout gives the picture: a moving
// picture is decoded at its drawn size times this, so the zoom never blurs it.
inline constexpr double kLargestZoom = 1.25;
// Speeds stay calm: a point of the picture moves at most this share of its monitor's diagonal a
// second.
inline constexpr double kMostDiagonalPerSecond = 0.02;

// The show's own generator for directions, zooms and speeds (splitmix64). The process's generator
// (core/show/Random.h) is left to the shuffle and the caption, whose draws stay as they were.
class MotionRandom {
public:
    explicit MotionRandom(uint64_t seed) : m_state(seed) {}
    // Uniform in [0, 1).
    double Next();

private:
    uint64_t m_state;
};

// One slide's drift. A still motion (lengthMs 0) shows the whole picture throughout.
struct SlideMotion {
    RectF start;          // picture pixels
    RectF end;            // picture pixels
    double lengthMs = 0;  // the time from start to end: the slide's planned time on show
};

// Plans a slide's drift for a picture of this size laid out at target (screen pixels) on a monitor
// of this area, on show for lengthMs. Either end zooms in by at least a tenth more than the other,
// so every slide visibly moves, unless the speed limit or a degenerate size (an empty picture or
// rectangle) keeps it still.
SlideMotion PlanMotion(MotionRandom& random, Size picture, const Rect& target, const Rect& area,
                       double lengthMs);

// The framing at elapsedMs since the slide went on screen, at an even pace from start to end. A
// slide kept on show past its planned time (the next picture is late: a slow disk) goes on moving
// at the same speed back towards its start, and forth again, for as long as it stays: it never
// stalls, never jumps and never leaves the picture, and the next slide's fade takes over from
// wherever it stands.
RectF FramingAt(const SlideMotion& motion, double elapsedMs);

// The whole picture: the still framing.
RectF WholePicture(Size picture);

}  // namespace orv
