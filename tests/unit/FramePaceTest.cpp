#include "core/show/FramePace.h"

#include <gtest/gtest.h>

using Verdict = orv::FramePaceWatch::Verdict;

TEST(FramePaceWatch, JudgesTheAverageIntervalAfterTheWarmUpAgainstTheRefresh) {
    struct Case {
        const char* what;
        int refreshHz;
        double warmUpMs;  // the interval of the first ten frames
        double steadyMs;  // the interval after them
        Verdict verdict;
        int decidedAt;  // the frame that brings the verdict
    };
    const Case cases[] = {
        {"every refresh at 60 Hz", 60, 16.7, 16.7, Verdict::kKeepsUp, 70},
        {"a slow start is forgiven", 60, 500, 16.7, Verdict::kKeepsUp, 70},
        {"every other refresh: the budget is spent early", 60, 16.7, 33.3, Verdict::kFallsBehind, 48},
        {"just inside a quarter over", 60, 16.7, 20.8, Verdict::kKeepsUp, 70},
        {"just past a quarter over", 60, 16.7, 20.9, Verdict::kFallsBehind, 70},
        {"a 30 Hz display kept", 30, 33.4, 33.4, Verdict::kKeepsUp, 70},
        {"a 144 Hz display missed at 60", 144, 7, 16.7, Verdict::kFallsBehind, 42},
        {"unknown refresh is 60", 0, 16.7, 16.7, Verdict::kKeepsUp, 70},
        {"unknown refresh, missed", 1, 16.7, 33.3, Verdict::kFallsBehind, 48},
    };
    for (const Case& c : cases) {
        orv::FramePaceWatch watch;
        double t = 1000;
        int said = 0;
        Verdict verdict = Verdict::kUndecided;
        for (int frame = 1; frame <= 200; ++frame) {
            t += frame <= 10 ? c.warmUpMs : c.steadyMs;
            const Verdict v = watch.Presented(t, c.refreshHz);
            if (v == Verdict::kUndecided) continue;
            ++said;
            verdict = v;
            // Ten frames of warm-up, then sixty measured, unless the sixty's time is spent sooner.
            EXPECT_EQ(frame, c.decidedAt) << c.what;
        }
        EXPECT_EQ(said, 1) << c.what;
        EXPECT_EQ(verdict, c.verdict) << c.what;
    }
}

TEST(FramePaceWatch, APauseBetweenRunsOfFramesIsNoFrameMissed) {
    // Fades of 40 frames each, 10 s apart (a still slide on show between them). The first frame
    // after a pause counts as one period: at 30 frames a second the budget is spent a frame later
    // than without the pause.
    struct Case {
        const char* what;
        double intervalMs;
        Verdict verdict;
        int decidedAt;
    };
    const Case cases[] = {
        {"every refresh in each fade", 16.7, Verdict::kKeepsUp, 70},
        {"every other refresh in each fade", 33.3, Verdict::kFallsBehind, 49},
    };
    for (const Case& c : cases) {
        orv::FramePaceWatch watch;
        double t = 1000;
        int said = 0;
        Verdict verdict = Verdict::kUndecided;
        for (int frame = 1; frame <= 200; ++frame) {
            if (frame % 40 == 1 && frame > 1) {
                watch.Resumed();
                t += 10000;
            } else {
                t += c.intervalMs;
            }
            const Verdict v = watch.Presented(t, 60);
            if (v == Verdict::kUndecided) continue;
            ++said;
            verdict = v;
            EXPECT_EQ(frame, c.decidedAt) << c.what;
        }
        EXPECT_EQ(said, 1) << c.what;
        EXPECT_EQ(verdict, c.verdict) << c.what;
    }
}
