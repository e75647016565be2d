#pragma once
// Whether a back-end keeps the display's rate, judged by the times its frames were presented: the
// presenter leaves a GPU whose frames cannot keep it (a software adapter that calls itself a
// hardware card, a weak integrated GPU, a remote session) for the CPU. Pure arithmetic on the
// window's clock.
namespace orv {

class FramePaceWatch {
public:
    enum class Verdict { kUndecided, kKeepsUp, kFallsBehind };

    // The first frames pay for the device's warm-up and are not counted; the next ones are the
    // measure.
    static constexpr int kWarmUpFrames = 10;
    static constexpr int kMeasuredFrames = 60;

    // A frame was presented at nowMs on a display of refreshHz (GetDeviceCaps VREFRESH; 0 or
    // unbelievable means 60). kUndecided until the measured frames are in, or their time is spent
    // sooner, then the verdict once; kUndecided again afterwards. Falling behind is an average
    // interval a quarter over the display's period: frames missed, not merely jittered.
    Verdict Presented(double nowMs, int refreshHz);
    // The frames stopped and a new run of them begins (a still slide's fade, seconds after the
    // last one): the time between the runs is no frame missed, so the next frame counts as one
    // period after the last.
    void Resumed() { m_resumed = m_frames > 0; }

private:
    int m_frames = 0;
    double m_firstMs = 0;
    double m_lastMs = 0;
    bool m_resumed = false;
};

}  // namespace orv
