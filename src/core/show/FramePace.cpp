#include "core/show/FramePace.h"

#include "core/show/Fade.h"

namespace orv {

FramePaceWatch::Verdict FramePaceWatch::Presented(double nowMs, int refreshHz) {
    if (m_frames > kWarmUpFrames + kMeasuredFrames) return Verdict::kUndecided;
    const double period = 1000.0 / FrameRateFor(refreshHz);
    // The pause between two runs of frames is taken out of the measure, as if the new run had
    // begun a period after the last frame.
    if (m_resumed) m_firstMs += nowMs - m_lastMs - period;
    m_resumed = false;
    m_lastMs = nowMs;
    ++m_frames;
    if (m_frames == kWarmUpFrames) m_firstMs = nowMs;
    if (m_frames <= kWarmUpFrames) return Verdict::kUndecided;
    // The budget: kMeasuredFrames intervals at a quarter over the period. A device that spends it
    // before its last measured frame is judged at once, so a slow one (software GL) holds the show
    // back for about a second, not for its 60 slow frames.
    const bool spent = nowMs - m_firstMs > kMeasuredFrames * period * 1.25;
    if (!spent && m_frames != kWarmUpFrames + kMeasuredFrames) return Verdict::kUndecided;
    m_frames = kWarmUpFrames + kMeasuredFrames + 1;  // decided: nothing more is said
    return spent ? Verdict::kFallsBehind : Verdict::kKeepsUp;
}

}  // namespace orv
