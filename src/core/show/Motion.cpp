#include "core/show/Motion.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

RectF Lerp(const RectF& a, const RectF& b, double t) {
    return RectF{a.left + (b.left - a.left) * t, a.top + (b.top - a.top) * t,
                 a.right + (b.right - a.right) * t, a.bottom + (b.bottom - a.bottom) * t};
}

// The crop of the picture at this zoom whose centre sits at (u, v) of the room it has (0: flush
// with the left or top edge, 1: with the right or bottom one).
RectF CropAt(Size picture, double zoom, double u, double v) {
    const double w = picture.cx / zoom;
    const double h = picture.cy / zoom;
    const double left = (picture.cx - w) * u;
    const double top = (picture.cy - h) * v;
    return RectF{left, top, left + w, top + h};
}

// How far, in screen pixels, the picture's content moves between two framings drawn over target:
// the largest travel of the points seen at the target's corners.
double Travel(const RectF& from, const RectF& to, const Rect& target) {
    const double tw = target.Width();
    const double th = target.Height();
    double most = 0;
    for (double cx : {0.0, 1.0})
        for (double cy : {0.0, 1.0}) {
            // The picture point at this corner of the target under `from`...
            const double px = from.left + from.Width() * cx;
            const double py = from.top + from.Height() * cy;
            // ...and where `to` draws it, relative to the same corner.
            const double sx = (px - to.left) / to.Width() * tw - cx * tw;
            const double sy = (py - to.top) / to.Height() * th - cy * th;
            most = std::max(most, std::hypot(sx, sy));
        }
    return most;
}

// The whole drift's travel were it all as fast as its fastest sixteenth.
double FastestTravel(const SlideMotion& motion, const Rect& target) {
    constexpr int kSteps = 16;
    double most = 0;
    for (int i = 0; i < kSteps; ++i) {
        const RectF a = Lerp(motion.start, motion.end, static_cast<double>(i) / kSteps);
        const RectF b = Lerp(motion.start, motion.end, static_cast<double>(i + 1) / kSteps);
        most = std::max({most, Travel(a, b, target), Travel(b, a, target)});
    }
    return most * kSteps;
}

}  // namespace

double MotionRandom::Next() {
    m_state += 0x9E3779B97F4A7C15ull;
    uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
}

RectF WholePicture(Size picture) {
    return RectF{0, 0, static_cast<double>(std::max(picture.cx, 0)),
                 static_cast<double>(std::max(picture.cy, 0))};
}

SlideMotion PlanMotion(MotionRandom& random, Size picture, const Rect& target, const Rect& area,
                       double lengthMs) {
    SlideMotion motion;
    motion.start = motion.end = WholePicture(picture);
    // The same number of draws whatever the sizes, so one slide's size never shifts the next
    // slide's motion.
    const bool zoomIn = random.Next() < 0.5;
    const double near = 1.0 + random.Next() * 0.05;
    const double far = 1.15 + random.Next() * (kLargestZoom - 1.15);
    const double u0 = random.Next(), v0 = random.Next(), u1 = random.Next(), v1 = random.Next();
    if (picture.cx <= 0 || picture.cy <= 0 || target.Width() <= 0 || target.Height() <= 0 || !(lengthMs > 0))
        return motion;
    motion.lengthMs = lengthMs;
    motion.start = CropAt(picture, zoomIn ? near : far, u0, v0);
    motion.end = CropAt(picture, zoomIn ? far : near, u1, v1);
    // The framing's edges move evenly, but a zoom makes the picture's points move faster at one
    // end than at the other: the limit is held by the fastest stretch of the drift. Travel is not
    // quite linear in the share of the drift kept, hence a few rounds.
    const double diagonal = std::hypot(static_cast<double>(area.Width()), static_cast<double>(area.Height()));
    const double allowed = kMostDiagonalPerSecond * diagonal * lengthMs / 1000.0;
    for (int round = 0; round < 16; ++round) {
        const double travel = FastestTravel(motion, target);
        if (travel <= allowed) break;
        motion.end = Lerp(motion.start, motion.end, allowed / travel * 0.98);
    }
    return motion;
}

RectF FramingAt(const SlideMotion& motion, double elapsedMs) {
    if (!(motion.lengthMs > 0) || !(elapsedMs > 0)) return motion.start;
    // A triangle wave over the drift: start to end in lengthMs, back in as long, and so on.
    const double phase = std::fmod(elapsedMs / motion.lengthMs, 2.0);
    return Lerp(motion.start, motion.end, phase <= 1.0 ? phase : 2.0 - phase);
}

}  // namespace orv
