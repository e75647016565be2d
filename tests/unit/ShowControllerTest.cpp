#include "core/show/ShowController.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

using orv::Desk;
using orv::ShowCommand;
using orv::ShowCommands;
using orv::ShowController;

namespace {

orv::SettingsRecord Settings(bool fade) {
    orv::SettingsRecord s;
    s.delay = 10;
    s.randomOrder = 0;
    s.fade = fade ? 1 : 0;
    s.folder = "C:\\Pictures";
    return s;
}

Desk OneMonitor(bool palette = false) {
    Desk desk;
    desk.client = {0, 0, 800, 600};
    desk.monitors = {{{0, 0, 800, 600}, true}};
    desk.primary = {800, 600};
    desk.paletteDisplay = palette;
    return desk;
}

// Drives a controller the way its window does, answering its requests the way its worker does,
// and writes every answer down as short text: one table row is one event and what it must give.
class Show {
public:
    Show(bool preview, bool fade) : m_show(preview, Settings(fade)) {}

    enum Event {
        kStart,       // the window exists
        kWalk,        // the walk delivers `entries` (ended with `flag`)
        kAnswer,      // the worker answers the oldest request it holds
        kTick,        // timer 1
        kSetting,     // `id` changed (the record as it was, but for the flag it names)
        kFolder,      // SetFolder
        kFadeBegan,   // the window began (flag) the fade a Present asked for, at `at`
        kFrame,       // the frame timer, at `at`
        kBroken,      // the window changed under the fade
        kStartTimer,  // the owner's StartSlideTimer
        kStopTimer,   // the owner's StopSlideTimer
    };
    struct Row {
        const char* what;
        Event event;
        std::string expected;
        std::vector<std::string> entries = {};
        bool flag = false;
        double at = 0;
        orv::SettingId id = orv::SettingId::StretchPictures;
    };

    void Play(const std::vector<Row>& rows, const Desk& desk = OneMonitor()) {
        for (const Row& row : rows)
            EXPECT_EQ(Apply(row, desk), row.expected) << row.what;
    }

    std::string Apply(const Row& row, const Desk& desk) {
        switch (row.event) {
        case kStart:
            return Describe(m_show.Start(desk, true));
        case kWalk: {
            orv::WorkerMail mail;
            mail.walk = orv::WalkResult{m_walk, row.entries, row.flag};
            return Describe(m_show.Delivered(std::move(mail)));
        }
        case kAnswer: {
            orv::WorkerMail mail;
            const orv::DealJob job = m_asked.front();
            m_asked.pop_front();
            orv::DealResult result;
            result.generation = job.generation;
            result.redo = job.redo;
            // No pixels: the slide stands for its path by its text.
            for (const orv::SlideJob& slide : job.slides)
                result.slides.push_back({nullptr, slide.path});
            mail.deals.push_back(std::move(result));
            return Describe(m_show.Delivered(std::move(mail)));
        }
        case kTick:
            return Describe(m_show.Tick());
        case kSetting: {
            orv::SettingsRecord s = m_show.Settings();
            if (row.id == orv::SettingId::StretchPictures) s.stretch = !s.stretch;
            if (row.id == orv::SettingId::DelayBetweenPictures) s.delay = 5;
            if (row.id == orv::SettingId::FadeBetweenPictures) s.fade = !s.fade;
            return Describe(m_show.SettingChanged(row.id, s));
        }
        case kFolder:
            return Describe(m_show.FolderChanged(m_show.Settings()));
        case kFadeBegan:
            return Describe(m_show.FadeBegan(row.flag, row.at));
        case kFrame:
            return Describe(m_show.FrameDue(row.at));
        case kBroken:
            return Describe(m_show.FadeBroken());
        case kStartTimer:
            return Describe(m_show.StartSlideTimer());
        case kStopTimer:
            return Describe(m_show.StopSlideTimer());
        }
        return "?";
    }

    std::string Describe(const ShowCommands& commands) {
        std::string text;
        for (const ShowCommand& c : commands) {
            if (!text.empty()) text += ", ";
            switch (c.kind) {
            case ShowCommand::Kind::StartWalk:
                m_walk = c.walk.walk;
                text += "walk " + std::to_string(c.walk.walk);
                break;
            case ShowCommand::Kind::Prepare:
                m_asked.push_back(c.deal);
                m_jobs.push_back(c.deal);
                text += c.deal.redo ? "redo" : "prepare";
                for (const orv::SlideJob& slide : c.deal.slides)
                    text += " " + slide.path;
                break;
            case ShowCommand::Kind::Present:
                text += "present";
                for (const orv::ShowSlide& slide : c.slides)
                    text += " " + slide.caption;
                if (c.fade) text += " fading";
                if (c.keepCaptionPlaces) text += " in place";
                break;
            case ShowCommand::Kind::DrawFadeFrame:
                text += "frame " + std::to_string(c.weight);
                break;
            case ShowCommand::Kind::EndFade:
                text += "end fade";
                break;
            case ShowCommand::Kind::ArmFrameTimer:
                text += "next frame at " + std::to_string(static_cast<int>(c.atMs));
                break;
            case ShowCommand::Kind::StopFrameTimer:
                text += "no frames";
                break;
            case ShowCommand::Kind::ArmSlideTimer:
                text += "timer " + std::to_string(c.delayMs);
                break;
            case ShowCommand::Kind::HoldSlideTimer:
                text += "timer off";
                break;
            case ShowCommand::Kind::ForgetScreens:
                text += "forget screens";
                break;
            case ShowCommand::Kind::MoveSlides:
                text += "move";
                for (const orv::Rect& r : c.areas)
                    text += " " + std::to_string(r.Width()) + "x" + std::to_string(r.Height());
                break;
            }
        }
        return text;
    }

    const std::vector<orv::DealJob>& Jobs() const { return m_jobs; }
    ShowController& Controller() { return m_show; }

private:
    ShowController m_show;
    uint64_t m_walk = 0;
    std::deque<orv::DealJob> m_asked;  // what the worker holds, oldest first
    std::vector<orv::DealJob> m_jobs;  // every request, for the rows that look inside one
};

using S = Show;

}  // namespace

TEST(ShowController, SortedShowWaitsForItsDealsAndHoldsTheTimerMeanwhile) {
    Show show(false, false);
    show.Play({
        {"the window first: the walk starts, nothing shows yet", S::kStart, "walk 1"},
        {"the first pictures found: the first is asked for", S::kWalk, "prepare a", {"a", "b"}},
        {"it shows at once, the next is asked for, and the delay runs from here", S::kAnswer,
         "present a, prepare b, timer 10000"},
        {"the next is ready ahead of its tick", S::kAnswer, ""},
        {"the tick shows it; nothing is known past it yet", S::kTick, "present b"},
        {"a tick with nothing ready waits, and the timer with it", S::kTick, "timer off"},
        {"a second tick adds nothing", S::kTick, ""},
        {"the walk ends with one more picture", S::kWalk, "prepare c", {"c"}, true},
        {"it takes one waiting tick, the list wraps, one tick still waits", S::kAnswer,
         "present c, prepare a"},
        {"the second waiting tick takes the wrap, and the timer runs again", S::kAnswer,
         "present a, prepare b, timer 10000"},
        {"the owner stops the timer", S::kStopTimer, "timer off"},
        {"and starts it: no tick waits, so it runs", S::kStartTimer, "timer off, timer 10000"},
        {"a new folder: a new walk; the slides on show stay", S::kFolder, "walk 2"},
        {"the old walk's request is answered: dropped", S::kAnswer, ""},
        {"the tick waits for the new list", S::kTick, "timer off"},
        {"the owner's start keeps the timer off while the tick waits", S::kStartTimer, "timer off"},
        {"the new list's first entry takes the tick and frees the timer", S::kWalk, "prepare x", {"x"}, true},
        {"shown", S::kAnswer, "present x, prepare x, timer 10000"},
    });
}

TEST(ShowController, SettingChangeDecodesTheSlidesOnShowAgainInPlace) {
    Show show(false, true);
    show.Play({
        {"start", S::kStart, "walk 1"},
        {"found", S::kWalk, "prepare a", {"a", "b"}, true},
        {"the first fades in", S::kAnswer, "present a fading, prepare b, timer 10000"},
        {"the fade could not be had: the cut shows instead", S::kFadeBegan, "", {}, false},
        {"stretch: the slides on show first, then the next deal again",
         S::kSetting,
         "forget screens, redo a, prepare b",
         {},
         false,
         0,
         orv::SettingId::StretchPictures},
        {"the answer to the request made before the change is stale", S::kAnswer, ""},
        {"the slides on show are cut in at their new size, boxes in place", S::kAnswer, "present a in place"},
        {"the next deal under the new settings", S::kAnswer, ""},
        {"the delay only paces the timer",
         S::kSetting,
         "",
         {},
         false,
         0,
         orv::SettingId::DelayBetweenPictures},
        {"fades only change the next hand-over",
         S::kSetting,
         "",
         {},
         false,
         0,
         orv::SettingId::FadeBetweenPictures},
        {"with fades now off the tick cuts", S::kTick, "present b, prepare a"},
        {"stretch again",
         S::kSetting,
         "forget screens, redo b, prepare a",
         {},
         false,
         0,
         orv::SettingId::StretchPictures},
        {"and once more before the worker answers",
         S::kSetting,
         "forget screens, redo b, prepare a",
         {},
         false,
         0,
         orv::SettingId::StretchPictures},
        {"the request made before the changes is stale", S::kAnswer, ""},
        {"the first redo is stale", S::kAnswer, ""},
        {"so is the next deal asked with it", S::kAnswer, ""},
        {"the second redo shows", S::kAnswer, "present b in place"},
        {"the next deal under the latest settings is ready", S::kAnswer, ""},
        {"the tick", S::kTick, "present a, prepare b"},
    });
}

// Fades last 1 s (a delay of 10 s) at 60 frames a second (no refresh rate known): frame k is due
// k * 1000 / 60 ms (rounded up) after a clock started one frame back.
TEST(ShowController, FadeFramesComeOnTheirBeatAndATickEndsTheFade) {
    Show show(false, true);
    show.Play({
        {"start", S::kStart, "walk 1"},
        {"found", S::kWalk, "prepare a", {"a", "b", "c"}, true},
        {"fades in", S::kAnswer, "present a fading, prepare b, timer 10000"},
        {"begun at 1000: the first frame already changes the screen (16 ms in)",
         S::kFadeBegan,
         "frame 4, next frame at 1001",
         {},
         true,
         1000},
        {"half way: 516 ms of 1000", S::kFrame, "frame 132, next frame at 1501", {}, false, 1500},
        {"past the end: the new screen whole", S::kFrame, "no frames, end fade", {}, false, 2000},
        {"a late frame timer only stops", S::kFrame, "no frames", {}, false, 2100},
        {"the next deal is ready", S::kAnswer, ""},
        {"it fades in", S::kTick, "present b fading, prepare c"},
        {"begun", S::kFadeBegan, "frame 4, next frame at 5001", {}, true, 5000},
        {"c is ready", S::kAnswer, ""},
        {"a tick during the fade ends it first", S::kTick,
         "no frames, end fade, present c fading, prepare a"},
        {"begun", S::kFadeBegan, "frame 4, next frame at 6001", {}, true, 6000},
        {"the window changed under it: it ends where it is", S::kBroken, "no frames, end fade"},
        {"and nothing is left to end", S::kBroken, ""},
    });
}

TEST(ShowController, PaletteDisplaysCut) {
    Show show(false, true);
    show.Play(
        {
            {"start", S::kStart, "walk 1"},
            {"found", S::kWalk, "prepare a", {"a"}, true},
            {"256 colours: the cut, fades on or not", S::kAnswer, "present a, prepare a, timer 10000"},
        },
        OneMonitor(true));
    EXPECT_TRUE(show.Jobs().front().paletteDisplay);
}

// Each monitor takes its own slide, the primary first, in desk coordinates; a preview is a
// miniature of the primary screen in its own client area, which it follows when resized.
TEST(ShowController, MonitorsAndPreviewsDealTheirOwnAreas) {
    Desk two = OneMonitor();
    two.client = {-640, 0, 800, 600};
    two.monitors = {{{-640, 0, 0, 480}, false}, {{0, 0, 800, 600}, true}};
    Show desk(false, false);
    desk.Play({{"start", S::kStart, "walk 1"}, {"found", S::kWalk, "prepare a b", {"a", "b", "c"}, true}},
              two);
    const orv::DealJob& job = desk.Jobs().front();
    ASSERT_EQ(job.slides.size(), 2u);
    EXPECT_EQ(job.slides[0].area, (orv::Rect{0, 0, 800, 600}));
    EXPECT_EQ(job.slides[1].area, (orv::Rect{-640, 0, 0, 480}));
    EXPECT_EQ(job.slides[1].screen.cx, 640);
    EXPECT_FALSE(job.preview);

    Desk small = OneMonitor();
    small.client = {0, 0, 152, 112};
    Show preview(true, false);
    preview.Play({{"start", S::kStart, "walk 1"}, {"found", S::kWalk, "prepare a", {"a", "b"}, true}}, small);
    const orv::DealJob& miniature = preview.Jobs().front();
    EXPECT_TRUE(miniature.preview);
    EXPECT_EQ(miniature.slides[0].area, (orv::Rect{0, 0, 152, 112}));
    EXPECT_EQ(miniature.slides[0].screen.cx, 800);
    EXPECT_EQ(miniature.slides[0].screen.cy, 600);

    ShowController& show = preview.Controller();
    EXPECT_EQ(preview.Describe(show.DeskChanged(small)), "") << "the same desk again changes nothing";
    Desk larger = small;
    larger.client = {0, 0, 200, 150};
    EXPECT_EQ(preview.Describe(show.DeskChanged(larger)), "move 200x150, forget screens, prepare a");
}

TEST(ShowStage, AreasAndLayoutScreens) {
    const orv::ShowStage full(false);
    const orv::ShowStage preview(true);
    Desk none = OneMonitor();
    none.monitors.clear();
    none.client = {0, 0, 1024, 768};
    EXPECT_EQ(full.SlideAreas(none), (std::vector<orv::Rect>{{0, 0, 1024, 768}}))
        << "with no monitor listed the window is the screen";
    EXPECT_EQ(full.LayoutScreen({800, 0, 1440, 480}, {800, 600}).cx, 640);
    EXPECT_EQ(preview.LayoutScreen({0, 0, 152, 112}, {800, 600}).cx, 800);
    EXPECT_EQ(preview.ClientOffset({300, 200}).x, 0);
    EXPECT_EQ(full.ClientOffset({-640, 20}).x, 640);
    EXPECT_EQ(full.ClientOffset({-640, 20}).y, -20);
}
