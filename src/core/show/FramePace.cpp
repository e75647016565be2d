#include "core/show/FramePace.h"

#include "core/show/Fade.h"

namespace orv {

FramePaceWatch::Verdict FramePaceWatch::Presented(double nowMs, int refreshHz) {
    if (m_frames > kWarmUpFrames + kMeasuredFrames) return Verdict::kUndecided;
    ++m_frames;
    if (m_frames == kWarmUpFrames) m_firstMs = nowMs;
    if (m_frames <= kWarmUpFrames) return Verdict::kUndecided;
    // The budget: kMeasuredFrames intervals at a quarter over the period. A device that spends it
    // before its last measured frame is judged at once, so a slow one (software GL) holds the show
    // back for about a second, not for its 60 slow frames.
    const double period = 1000.0 / FrameRateFor(refreshHz);
    const bool spent = nowMs - m_firstMs > kMeasuredFrames * period * 1.25;
    if (!spent && m_frames != kWarmUpFrames + kMeasuredFrames) return Verdict::kUndecided;
    m_frames = kWarmUpFrames + kMeasuredFrames + 1;  // decided: nothing more is said
    return spent ? Verdict::kFallsBehind : Verdict::kKeepsUp;
}

}  // namespace orv
