#include "core/show/FramePace.h"

#include "core/show/Fade.h"

namespace orv {

FramePaceWatch::Verdict FramePaceWatch::Presented(double nowMs, int refreshHz) {
    if (m_frames > kWarmUpFrames + kMeasuredFrames) return Verdict::kUndecided;
    ++m_frames;
    if (m_frames == kWarmUpFrames) m_firstMs = nowMs;
    if (m_frames != kWarmUpFrames + kMeasuredFrames) return Verdict::kUndecided;
    ++m_frames;  // decided: nothing more is said
    const double period = 1000.0 / FrameRateFor(refreshHz);
    // kMeasuredFrames intervals since the frame that started the clock.
    const double average = (nowMs - m_firstMs) / kMeasuredFrames;
    return average <= period * 1.25 ? Verdict::kKeepsUp : Verdict::kFallsBehind;
}

}  // namespace orv
