#include "core/show/ShowController.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "BmpBuilder.h"
#include "PictureFiles.h"

using orv::Desk;
using orv::ShowCommand;
using orv::ShowCommands;
using orv::ShowController;

namespace {

orv::SettingsRecord Settings(bool fade, bool panAndZoom = false, bool browseKeys = false) {
    orv::SettingsRecord s;
    s.browseKeys = browseKeys ? 1 : 0;
    s.delay = 10;
    s.randomOrder = 0;
    s.fade = fade ? 1 : 0;
    s.panAndZoom = panAndZoom ? 1 : 0;
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
    // Pan and zoom: the worker answers with a picture of 400 x 300 for every path, named by its
    // path in the caption as ever.
    Show(bool preview, bool fade, bool panAndZoom, bool browseKeys = false)
        : m_show(preview, Settings(fade, panAndZoom, browseKeys)) {
        BmpBuilder bmp;
        bmp.width = 400;
        bmp.height = 300;
        m_picture = m_folder.Write("p.bmp", bmp.Build());
        m_show.SeedMotion(42);
    }
    // Browsing keys on (full screen, no pan and zoom).
    struct Keys {};
    Show(Keys, bool fade) : m_show(false, Settings(fade, false, true)) {}

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
        kKey,         // browsing key `key` at `at` (flag: the system's auto-repeat)
    };
    struct Row {
        const char* what;
        Event event;
        std::string expected;
        std::vector<std::string> entries = {};
        bool flag = false;
        double at = 0;
        orv::SettingId id = orv::SettingId::StretchPictures;
        orv::BrowseKey key = orv::BrowseKey::Next;
    };

    void Play(const std::vector<Row>& rows, const Desk& desk = OneMonitor()) {
        for (const Row& row : rows)
            EXPECT_EQ(Apply(row, desk), row.expected) << row.what;
    }

    std::string Apply(const Row& row, const Desk& desk) {
        switch (row.event) {
        case kStart:
            return Describe(m_show.Start(desk, true));
        case kKey:
            return Describe(m_show.Key(row.key, row.flag, row.at));
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
            result.browse = job.browse;
            if (job.pairs) {
                // Pairs from the list, as the worker deals them: with the row's flag the first two
                // candidates share the monitor, else the first shows alone.
                const size_t take = row.flag && job.candidates.size() > 1 ? 2 : 1;
                for (size_t i = 0; i < take && i < job.candidates.size(); ++i) {
                    result.taken.push_back(i);
                    result.paths.push_back(job.candidates[i]);
                    result.places.push_back({0, take == 2
                                                    ? (i == 0 ? orv::SlotPart::Left : orv::SlotPart::Right)
                                                    : orv::SlotPart::Whole});
                    result.slides.push_back({nullptr, job.candidates[i], {}, {}});
                }
                mail.deals.push_back(std::move(result));
                return Describe(m_show.Delivered(std::move(mail)));
            }
            // No pixels: the slide stands for its path by its text.
            for (const orv::SlideJob& slide : job.slides) {
                std::unique_ptr<CDibImage> picture;
                if (!m_picture.empty()) {
                    picture = std::make_unique<CDibImage>();
                    EXPECT_TRUE(picture->Load(m_picture.c_str(), 0));
                }
                result.slides.push_back({std::move(picture), slide.path, {}, {}});
            }
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
            if (row.id == orv::SettingId::PanAndZoom) s.panAndZoom = !s.panAndZoom;
            if (row.id == orv::SettingId::PairPortraits) s.pairPortraits = !s.pairPortraits;
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
                text += c.deal.browse ? "browse" : c.deal.redo ? "redo" : "prepare";
                if (c.deal.pairs) text += " pairs of";
                for (const orv::SlideJob& slide : c.deal.slides)
                    if (!c.deal.pairs) text += " " + slide.path;
                for (const std::string& candidate : c.deal.candidates)
                    text += " " + candidate;
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
            case ShowCommand::Kind::DrawMotionFrame:
                m_frames.push_back({c.framings, c.oldFramings});
                text += "moving frame " + std::to_string(c.weight) + " of " +
                        std::to_string(c.oldFramings.size()) + "+" + std::to_string(c.framings.size());
                break;
            case ShowCommand::Kind::EndFade:
                text += "end fade";
                break;
            case ShowCommand::Kind::WantFrame:
                text += "next frame at " + std::to_string(static_cast<int>(c.atMs));
                break;
            case ShowCommand::Kind::StopFrames:
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
            case ShowCommand::Kind::HidePicture:
                text += "hide " + c.path;
                break;
            case ShowCommand::Kind::PauseMark:
                text += c.paused ? "pause mark" : "no pause mark";
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
    struct Frame {
        std::vector<orv::SlideFraming> framings, oldFramings;
    };
    const std::vector<Frame>& Frames() const { return m_frames; }
    ShowController& Controller() { return m_show; }

private:
    ShowController m_show;
    uint64_t m_walk = 0;
    std::deque<orv::DealJob> m_asked;  // what the worker holds, oldest first
    std::vector<orv::DealJob> m_jobs;  // every request, for the rows that look inside one
    std::vector<Frame> m_frames;       // every moving frame, for the rows that look inside one
    PictureFolder m_folder;
    std::string m_picture;
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

// Pairs from the list: the worker deals from the entries that come next; the list moves past
// what it took only when that goes on screen, so a deal asked again gets the same entries.
TEST(ShowController, PairsMovePastWhatTheWorkerTookOnceItShows) {
    Show show(false, false);
    show.Play({
        {"start", S::kStart, "walk 1"},
        {"pairs on before anything is found",
         S::kSetting,
         "forget screens",
         {},
         false,
         0,
         orv::SettingId::PairPortraits},
        {"the list: the worker is given what comes next",
         S::kWalk,
         "prepare pairs of a b c d e",
         {"a", "b", "c", "d", "e"},
         true},
        {"a and b pair: the next deal starts after both",
         S::kAnswer,
         "present a b, prepare pairs of c d e, timer 10000",
         {},
         true},
        {"a setting: the pair again in its halves, then the same next entries",
         S::kSetting,
         "forget screens, redo a b, prepare pairs of c d e",
         {},
         false,
         0,
         orv::SettingId::StretchPictures},
        {"the stale answer", S::kAnswer, "", {}, true},
        {"the pair cut in again in place", S::kAnswer, "present a b in place"},
        {"c shows alone", S::kAnswer, ""},
        {"the tick: c, and the list goes on at d", S::kTick, "present c, prepare pairs of d e"},
        {"pairs off: the same place in the list, one a monitor",
         S::kSetting,
         "forget screens, redo c, prepare d",
         {},
         false,
         0,
         orv::SettingId::PairPortraits},
    });
    // The redo put each picture of the pair in its half of the monitor.
    const orv::DealJob& redo = show.Jobs()[2];
    ASSERT_TRUE(redo.redo);
    ASSERT_EQ(redo.slides.size(), 2u);
    EXPECT_EQ(redo.slides[0].area, (orv::Rect{0, 0, 400, 600}));
    EXPECT_EQ(redo.slides[1].area, (orv::Rect{400, 0, 800, 600}));
    EXPECT_EQ(redo.slides[1].screen, (orv::Size{400, 600}));
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

TEST(ShowController, WalksAskForTheConfiguredFoldersAsRootsAndExclusions) {
    orv::SettingsRecord s = Settings(false);
    s.moreFolders = {"D:\\More\\", "c:\\pictures\\2024"};
    s.excludedFolders = {"D:\\More\\Tmp"};
    orv::ShowController show(false, s);
    auto walkOf = [](const ShowCommands& commands) {
        for (const ShowCommand& c : commands)
            if (c.kind == ShowCommand::Kind::StartWalk) return c.walk;
        return orv::WalkJob{};
    };
    const orv::WalkJob first = walkOf(show.Start(OneMonitor(), true));
    EXPECT_EQ(first.folder, "C:\\Pictures");
    EXPECT_EQ(first.roots, (std::vector<std::string>{"C:\\Pictures", "D:\\More"}));
    EXPECT_EQ(first.excluded, std::vector<std::string>{"D:\\More\\Tmp"});
    // A change of the lists reaches the walk with the folder's rebuild.
    s.excludedFolders = {"C:\\Pictures"};
    const orv::WalkJob second = walkOf(show.FolderChanged(s));
    EXPECT_EQ(second.roots, std::vector<std::string>{"D:\\More"});
    EXPECT_TRUE(second.excluded.empty());
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

// Pan and zoom on a monitor of 800 x 600: a 400 x 300 picture stretched fills it. Frames come at
// every refresh while anything moves, each with the framing of every slide of both screens.
TEST(ShowController, MovingSlidesAskForAFrameEveryRefreshAndFadeBothScreens) {
    Show show(false, true, true);
    show.Play({
        {"start", S::kStart, "walk 1"},
        {"found", S::kWalk, "prepare a", {"a", "b"}, true},
        {"fades in", S::kAnswer, "present a fading, prepare b, timer 10000"},
        {"begun at 1000: black fades into the moving slide",
         S::kFadeBegan,
         "moving frame 4 of 0+1, next frame at 1000",
         {},
         true,
         1000},
        {"half way", S::kFrame, "moving frame 132 of 0+1, next frame at 1500", {}, false, 1500},
        {"the fade's end: the slide goes on moving",
         S::kFrame,
         "no frames, end fade, moving frame 255 of 0+1, next frame at 2000",
         {},
         false,
         2000},
        {"between fades, still every refresh",
         S::kFrame,
         "moving frame 255 of 0+1, next frame at 5000",
         {},
         false,
         5000},
        {"the next is ready", S::kAnswer, ""},
        {"the tick fades it in", S::kTick, "present b fading, prepare a"},
        {"both screens move during the fade",
         S::kFadeBegan,
         "moving frame 4 of 1+1, next frame at 11000",
         {},
         true,
         11000},
        {"the owner's timer changes nothing to the frames", S::kStopTimer, "timer off"},
        {"the next deal is ready", S::kAnswer, ""},
        {"pan and zoom off: the fade ends, the slides are decoded again",
         S::kSetting,
         "no frames, end fade, forget screens, redo b, prepare a",
         {},
         false,
         0,
         orv::SettingId::PanAndZoom},
        {"no fade runs now, the slides stand", S::kFrame, "no frames", {}, false, 11100},
    });
    const std::vector<Show::Frame>& frames = show.Frames();
    ASSERT_GE(frames.size(), 5u);
    for (const Show::Frame& f : frames)
        for (const std::vector<orv::SlideFraming>* screen : {&f.framings, &f.oldFramings})
            for (const orv::SlideFraming& s : *screen) {
                // The layout's rectangle, whole: the drift is inside the picture, never the screen.
                EXPECT_EQ(s.target, (orv::RectF{0, 0, 800, 600}));
                EXPECT_GE(s.source.left, 0.0);
                EXPECT_GE(s.source.top, 0.0);
                EXPECT_LE(s.source.right, 400.0);
                EXPECT_LE(s.source.bottom, 300.0);
                EXPECT_GE(s.source.Width(), 400 / 1.25 - 1e-9);
            }
    // The slide moved between its frames; the old screen in the second fade is the first slide
    // going on from where it stood.
    EXPECT_FALSE(frames[1].framings[0].source == frames[3].framings[0].source);
    EXPECT_FALSE(frames[4].oldFramings[0].source == frames[4].framings[0].source);
    // Decoded for the largest zoom.
    EXPECT_EQ(show.Jobs().front().zoom, 1.25);
}

TEST(ShowController, StillShowsWithoutPanAndZoomOrOnAPaletteDisplay) {
    struct Case {
        const char* what;
        bool panAndZoom;
        bool palette;
        double zoom;
    };
    const Case cases[] = {
        {"pan and zoom off", false, false, 1.0},
        {"256 colours", true, true, 1.0},
    };
    for (const Case& c : cases) {
        Show show(false, false, c.panAndZoom);
        show.Play(
            {
                {"start", S::kStart, "walk 1"},
                {"found", S::kWalk, "prepare a", {"a"}, true},
                {"the cut", S::kAnswer, "present a, prepare a, timer 10000"},
                {"no frames after it", S::kFadeBegan, "", {}, false, 1000},
                {"a late frame only stops", S::kFrame, "no frames", {}, false, 1020},
            },
            OneMonitor(c.palette));
        EXPECT_EQ(show.Jobs().front().zoom, c.zoom) << c.what;
    }
}

TEST(ShowController, APictureOnShowPastItsTimeKeepsMovingInsideItself) {
    Show show(false, false, true);
    show.Play({
        {"start", S::kStart, "walk 1"},
        {"found", S::kWalk, "prepare a", {"a", "b"}, true},
        {"cut in", S::kAnswer, "present a, prepare b, timer 10000"},
        {"moving from the hand-over",
         S::kFadeBegan,
         "moving frame 255 of 0+1, next frame at 0",
         {},
         false,
         0},
        {"the tick finds nothing ready (a slow disk)", S::kTick, "timer off"},
        {"a frame well past the planned 10 s",
         S::kFrame,
         "moving frame 255 of 0+1, next frame at 10016",
         {},
         false,
         10016},
        {"and the next", S::kFrame, "moving frame 255 of 0+1, next frame at 10033", {}, false, 10033},
    });
    const std::vector<Show::Frame>& frames = show.Frames();
    ASSERT_EQ(frames.size(), 3u);
    const orv::RectF a = frames[1].framings[0].source, b = frames[2].framings[0].source;
    // Still moving, by no more than a frame's worth (2 % of the 1000-pixel diagonal a second is
    // 20 pixels of screen, 10 of this half-size picture, a second).
    EXPECT_FALSE(a == b);
    EXPECT_LE(std::abs(a.left - b.left), 10 * 0.017 * 1.1);
    EXPECT_LE(a.right, 400.0);
    EXPECT_LE(a.bottom, 300.0);
}

TEST(ShowController, TurningPanAndZoomOnMovesTheSlidesOnShowOnceTheirNewDecodeCutsIn) {
    Show show(false, false, true);
    orv::SettingsRecord still = show.Controller().Settings();
    still.panAndZoom = 0;
    show.Controller().SettingChanged(orv::SettingId::PanAndZoom, still);
    show.Play({
        {"start", S::kStart, "walk 1"},
        {"found", S::kWalk, "prepare a", {"a", "b"}, true},
        {"cut in, still", S::kAnswer, "present a, prepare b, timer 10000"},
        {"no frames", S::kFadeBegan, "", {}, false, 0},
        {"turned on: decoded again for the zoom",
         S::kSetting,
         "forget screens, redo a, prepare b",
         {},
         false,
         0,
         orv::SettingId::PanAndZoom},
        {"stale", S::kAnswer, ""},
        {"the new decode cuts in", S::kAnswer, "present a in place"},
        {"and moves from then on",
         S::kFadeBegan,
         "moving frame 255 of 0+1, next frame at 5000",
         {},
         false,
         5000},
        {"every refresh", S::kFrame, "moving frame 255 of 0+1, next frame at 5017", {}, false, 5017},
        {"a whole drift later (10 s)",
         S::kFrame,
         "moving frame 255 of 0+1, next frame at 15000",
         {},
         false,
         15000},
        {"and back", S::kFrame, "moving frame 255 of 0+1, next frame at 25000", {}, false, 25000},
    });
    EXPECT_EQ(show.Jobs().at(2).zoom, 1.25);
    EXPECT_TRUE(show.Jobs().at(2).redo);
    // Its drift starts at the cut, not at the hand-over: a drift's length after the cut it stands
    // at the far end (joined half way, it would be back where it was at the cut), and as long
    // again after that, back at its start.
    const std::vector<Show::Frame>& frames = show.Frames();
    ASSERT_EQ(frames.size(), 4u);
    const orv::RectF cut = frames[0].framings[0].source;
    EXPECT_FALSE(frames[1].framings[0].source == cut);
    EXPECT_GT(std::abs(frames[2].framings[0].source.left - cut.left) +
                  std::abs(frames[2].framings[0].source.right - cut.right),
              1.0);
    EXPECT_NEAR(frames[3].framings[0].source.left, cut.left, 1e-9);
    EXPECT_NEAR(frames[3].framings[0].source.right, cut.right, 1e-9);
}

// The browsing keys, full screen, sorted, without fades: one step at a time, through what this
// run has shown and on to new pictures; a held key at a calm pace.
TEST(ShowControllerKeys, StepsWalkTheHistoryOneAtATime) {
    using K = orv::BrowseKey;
    Show show(S::Keys{}, false);
    show.Play({
        {"start", S::kStart, "walk 1"},
        {"before the first picture no key steps", S::kKey, "", {}, false, 0, {}, K::Next},
        {"nor back", S::kKey, "", {}, false, 0, {}, K::Back},
        {"found", S::kWalk, "prepare a", {"a", "b", "c", "d"}, true},
        {"the first", S::kAnswer, "present a, prepare b, timer 10000"},
        {"back past the start of the history: nothing", S::kKey, "", {}, false, 100, {}, K::Back},
        {"the next ready", S::kAnswer, ""},
        {"Right: the next at once, with a whole delay",
         S::kKey,
         "timer off, present b, prepare c, timer 10000",
         {},
         false,
         200,
         {},
         K::Next},
        {"Right again before its deal is ready: it waits", S::kKey, "timer off", {}, false, 300, {}, K::Next},
        {"a third press while one waits adds nothing", S::kKey, "", {}, false, 400, {}, K::Next},
        {"nor does Left", S::kKey, "", {}, false, 500, {}, K::Back},
        {"the waiting step takes its deal", S::kAnswer, "present c, prepare d, timer 10000"},
        {"Left: the deal before is decoded again",
         S::kKey,
         "timer off, browse b",
         {},
         false,
         600,
         {},
         K::Back},
        {"a tick on its way meanwhile is let go", S::kTick, ""},
        {"the deal ahead arrives and waits", S::kAnswer, ""},
        {"the step back shows", S::kAnswer, "present b, timer 10000"},
        {"back once more", S::kKey, "timer off, browse a", {}, false, 700, {}, K::Back},
        {"shown", S::kAnswer, "present a, timer 10000"},
        {"at the start of the history", S::kKey, "", {}, false, 800, {}, K::Back},
        {"Right walks forward through the history first",
         S::kKey,
         "timer off, browse b",
         {},
         false,
         900,
         {},
         K::Next},
        {"shown", S::kAnswer, "present b, timer 10000"},
        {"and so does the timer", S::kTick, "timer off, browse c"},
        {"shown", S::kAnswer, "present c, timer 10000"},
        {"past the history: the deal ahead",
         S::kKey,
         "timer off, present d, prepare a, timer 10000",
         {},
         false,
         1000,
         {},
         K::Next},
        {"a held key's repeat inside 400 ms: nothing", S::kKey, "", {}, true, 1300, {}, K::Next},
        {"the deal ahead ready", S::kAnswer, ""},
        {"a repeat 400 ms after the last step steps",
         S::kKey,
         "timer off, present a, prepare b, timer 10000",
         {},
         true,
         1400,
         {},
         K::Next},
        {"a repeat while the next waits for its deal", S::kKey, "timer off", {}, true, 1800, {}, K::Next},
        {"repeats pile up nothing behind it", S::kKey, "", {}, true, 2200, {}, K::Next},
        {"and one step came of them", S::kAnswer, "present b, prepare c, timer 10000"},
    });
}

// Space holds the show and H hides; with fades on, a step fades in as a tick's would, a key
// during a fade ends it, and a hidden picture goes at once.
TEST(ShowControllerKeys, PauseHideAndKeysDuringAFade) {
    using K = orv::BrowseKey;
    Show show(S::Keys{}, true);
    show.Play({
        {"start", S::kStart, "walk 1"},
        {"H before the first picture: nothing", S::kKey, "", {}, false, 0, {}, K::Hide},
        {"found", S::kWalk, "prepare a", {"a", "b", "c"}, true},
        {"the first", S::kAnswer, "present a fading, prepare b, timer 10000"},
        {"cut", S::kFadeBegan, "", {}, false, 0},
        {"Space: the timer holds and the sign shows",
         S::kKey,
         "timer off, pause mark",
         {},
         false,
         100,
         {},
         K::Pause},
        {"a tick on its way is let go", S::kTick, ""},
        {"a held Space does not switch back", S::kKey, "", {}, true, 200, {}, K::Pause},
        {"ready", S::kAnswer, ""},
        {"Right while paused: the next comes, the timer stays off",
         S::kKey,
         "timer off, present b fading, prepare c, timer off",
         {},
         false,
         300,
         {},
         K::Next},
        {"its fade begins", S::kFadeBegan, "frame 4, next frame at 1001", {}, true, 1000},
        {"Space again: the show goes on with a whole delay",
         S::kKey,
         "no pause mark, timer 10000",
         {},
         false,
         1010,
         {},
         K::Pause},
        {"Right during the fade, nothing ready: the fade ends and the step waits",
         S::kKey,
         "timer off, no frames, end fade",
         {},
         false,
         1020,
         {},
         K::Next},
        {"the step takes its deal", S::kAnswer, "present c fading, prepare a, timer 10000"},
        {"its fade begins", S::kFadeBegan, "frame 4, next frame at 2001", {}, true, 2000},
        {"ready", S::kAnswer, ""},
        {"H during the fade: hidden, and the next cuts in",
         S::kKey,
         "hide c, timer off, no frames, end fade, present a, prepare b, timer 10000",
         {},
         false,
         2100,
         {},
         K::Hide},
        {"Left passes the hidden picture over", S::kKey, "timer off, browse b", {}, false, 2600, {}, K::Back},
        {"the deal ahead", S::kAnswer, ""},
        {"b again", S::kAnswer, "present b fading, timer 10000"},
        {"H in the history: the deal ahead held it too; the history's next deal cuts in",
         S::kKey,
         "hide b, prepare a, timer off, browse a",
         {},
         false,
         3100,
         {},
         K::Hide},
        {"the deal ahead again", S::kAnswer, ""},
        {"shown", S::kAnswer, "present a, timer 10000"},
        {"H on the last picture: the deal ahead held it; the screen goes black",
         S::kKey,
         "hide a, present , timer off",
         {},
         false,
         3600,
         {},
         K::Hide},
        {"and says nothing: the timer waits for a deal that never comes", S::kTick, ""},
        {"a walk that finds the hidden ones again keeps them out", S::kFolder, "walk 2"},
        {"found", S::kWalk, "", {"a", "b", "c"}, true},
    });
}

// Space stops the drifts where they stand, and they go on from there: the drifts' clock leaves
// the paused time out.
TEST(ShowControllerKeys, PauseStopsTheDriftsWhereTheyStand) {
    using K = orv::BrowseKey;
    Show show(false, false, true, true);
    show.Play({
        {"start", S::kStart, "walk 1"},
        {"found", S::kWalk, "prepare a", {"a", "b"}, true},
        {"cut in", S::kAnswer, "present a, prepare b, timer 10000"},
        {"moving from the hand-over",
         S::kFadeBegan,
         "moving frame 255 of 0+1, next frame at 0",
         {},
         false,
         0},
        {"a second on", S::kFrame, "moving frame 255 of 0+1, next frame at 1000", {}, false, 1000},
        {"Space: no more frames", S::kKey, "timer off, no frames, pause mark", {}, false, 1000, {}, K::Pause},
        {"a frame asked for before: drawn where the drift stands, and no next",
         S::kFrame,
         "moving frame 255 of 0+1",
         {},
         false,
         3000},
        {"Space again: frames from now",
         S::kKey,
         "no pause mark, timer 10000, next frame at 5000",
         {},
         false,
         5000,
         {},
         K::Pause},
        {"the first frame after the pause",
         S::kFrame,
         "moving frame 255 of 0+1, next frame at 5000",
         {},
         false,
         5000},
        {"and on", S::kFrame, "moving frame 255 of 0+1, next frame at 6000", {}, false, 6000},
    });
    const std::vector<Show::Frame>& frames = show.Frames();
    ASSERT_EQ(frames.size(), 5u);
    const orv::RectF atPause = frames[1].framings[0].source;
    EXPECT_TRUE(frames[2].framings[0].source == atPause) << "moved while paused";
    EXPECT_TRUE(frames[3].framings[0].source == atPause) << "jumped over the paused time";
    EXPECT_FALSE(frames[4].framings[0].source == atPause) << "stands still after the pause";
}
