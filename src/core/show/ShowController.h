#pragma once
// The slide show's decisions, without a window: what to ask the worker for, when a prepared deal
// goes on screen, how it gets there (a crossfade or the cut), when the slide timer runs or waits,
// and the timing of a running fade. A picture window feeds it events (its creation, a tick, the
// worker's mail, a setting or the monitors changed, a fade frame due) and carries out the commands
// it answers with; the presenting side (what is drawn, how a frame is composed) stays with the
// window. Pure rules: every time is a number the caller passes in. A controller lives on its
// window's thread; what it asks of the worker and what comes back are plain data (ShowJobs.h).
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/framework/Geometry.h"
#include "core/show/Monitors.h"
#include "core/show/Motion.h"
#include "core/show/Pairs.h"
#include "core/show/SettingsTable.h"
#include "core/show/ShowJobs.h"
#include "core/show/ShowSequence.h"

namespace orv {

// Where a picture window shows, in desk coordinates: the virtual screen's for the full-screen
// window (so a slide stays on its monitor whatever happens to the window's corner), the client
// area's own for a preview, whose desk is its client area.
struct Desk {
    Rect client;                        // the window's client area
    std::vector<MonitorRect> monitors;  // as the system lists them; a preview ignores them
    Size primary;                       // the primary screen's size
    bool paletteDisplay = false;        // 256 colours: no blending, pictures reduced
    int refreshHz = 0;                  // GetDeviceCaps VREFRESH; 0 when unknown
};
bool operator==(const Desk& a, const Desk& b);
inline bool operator!=(const Desk& a, const Desk& b) { return !(a == b); }

// Everything that differs between the full-screen show and a preview, decided here once.
class ShowStage {
public:
    explicit ShowStage(bool preview) : m_preview(preview) {}

    bool Preview() const { return m_preview; }
    // The areas a tick deals slides to: the monitors in showing order (primary first), or the
    // window itself when the system lists none; a preview has its client area alone.
    std::vector<Rect> SlideAreas(const Desk& desk) const;
    // The screen a slide's layout scales against: its monitor (or its half of it, which is then
    // the area), or for a preview (a miniature of the primary screen) the primary screen, or the
    // same half of it.
    Size LayoutScreen(const Rect& area, Size primary, SlotPart part = SlotPart::Whole) const;
    // Where a picture of this size goes in the area (a slot's part): the layout the paint and the
    // decode share.
    Rect PictureRect(const Rect& area, Size picture, Size primary, bool stretch,
                     SlotPart part = SlotPart::Whole) const;
    // The caption box for text measured at full-screen size; a preview shows it in miniature (a
    // half's box as the same half of the primary screen would show it).
    Size CaptionBox(Size text, const Rect& area, Size primary, SlotPart part = SlotPart::Whole) const;
    // Where the desk's corner is in the window's client coordinates, given where the client
    // area's corner is on the virtual screen.
    Point ClientOffset(Point clientOnScreen) const {
        return m_preview ? Point{0, 0} : Point{-clientOnScreen.x, -clientOnScreen.y};
    }
    // A preview's slide fills its client area whatever its size; a monitor's slide stays on its
    // monitor.
    bool SlidesFollowClient() const { return m_preview; }
    // Full screen draws the box raised, with its text; a preview, the plain box alone.
    bool CaptionWithText() const { return !m_preview; }
    // The pointer shows over a preview; the full-screen saver hides it.
    bool PointerShows() const { return m_preview; }

private:
    bool m_preview;
};

// The keys that steer the full-screen show when BrowseKeys is on; every other key closes it.
enum class BrowseKey {
    Next,   // Right, Page Down: the next picture at once
    Back,   // Left, Page Up: the picture before, as far back as this run has gone
    Pause,  // Space: the show holds, and goes on at the next press
    Hide,   // H: the picture goes, and never shows again
};
// The browsing key a Win32 virtual-key code stands for; none for any other key.
std::optional<BrowseKey> BrowseKeyOf(uint32_t virtualKey);
// A held key repeats: at most one step this often (the system repeats some 30 times a second).
inline constexpr double kBrowseRepeatMs = 400;
// How many deals back the keys can go: only paths are kept, so a long run costs little.
inline constexpr size_t kBrowseHistory = 256;
// Where the pause sign goes in a slide's area: a small square in its top right corner, large
// enough to read on any monitor, small enough to leave the picture alone.
Rect PauseMarkRect(const Rect& area);

// One slide as it goes on screen: a monitor's, or one half of a monitor's pair.
struct ShowSlide {
    Rect area;                           // desk coordinates: the slot's part
    std::unique_ptr<CDibImage> picture;  // null: the load failed, the caption is the failure text
    std::string caption;                 // UTF-8; empty means no box
    BgraPixels bgra;                     // the picture as the worker prepared it for pan and zoom
    std::string info;                    // UTF-8: the information line; empty: none
    SlidePlace place;                    // its slot (the monitor, in showing order) and part
};

// Where one slide's picture goes in a frame: the part of it shown (its own pixels) and where on
// the desk. A slide without a picture has an empty framing and draws nothing.
struct SlideFraming {
    RectF source;
    RectF target;  // desk coordinates
};

struct ShowCommand {
    enum class Kind {
        StartWalk,        // walk: a new walk of the folder; the list is empty again
        Prepare,          // deal: decode these slides on the worker
        Present,          // slides: put them on screen; fade: crossfade, else the cut;
                          // keepScreens: fades are on, so screens are worth keeping between them;
                          // keepCaptionPlaces: the same pictures again, each box stays put
        DrawFadeFrame,    // weight: a frame of the running fade (0 old .. 255 new)
        DrawMotionFrame,  // a frame of moving slides: framings for the slides on show, oldFramings
                          // for the fade's old screen while weight (0 old .. 255 new) blends them
        EndFade,          // the fade's new screen shows whole, with any failure box
        WantFrame,        // atMs: the next frame is due then; the window presents it with the
                          // display's first refresh from then, input first
        StopFrames,       // nothing moves: no frames until asked again
        ArmSlideTimer,    // delayMs: timer 1 at the delay
        HoldSlideTimer,   // timer 1 off (stopped, or waiting for its deal)
        ForgetScreens,    // screens kept from the last fade no longer match what would be drawn
        MoveSlides,       // areas: the slides on show take these areas (a preview resized)
        HidePicture,      // path: the index keeps it hidden from now on (the worker's job)
        PauseMark,        // paused: the pause sign shows (in areas[0], desk coordinates) or goes
    };
    explicit ShowCommand(Kind k) : kind(k) {}

    Kind kind;
    WalkJob walk;
    DealJob deal;
    std::vector<ShowSlide> slides;
    std::vector<Rect> areas;
    bool fade = false;
    bool keepScreens = false;
    bool keepCaptionPlaces = false;
    uint32_t weight = 0;
    double atMs = 0;
    uint32_t delayMs = 0;
    std::vector<SlideFraming> framings;
    std::vector<SlideFraming> oldFramings;
    std::string path;
    bool paused = false;
};
using ShowCommands = std::vector<ShowCommand>;

class ShowController {
public:
    // draw: the random phase's generator for the sequence (the process's unless a test gives one).
    ShowController(bool preview, const SettingsRecord& settings, ShowSequence::DrawFn draw = {});

    const ShowStage& Stage() const { return m_stage; }
    const SettingsRecord& Settings() const { return m_settings; }
    const Desk& GetDesk() const { return m_desk; }
    // Whether a fade runs; the window presents its frame when it paints.
    bool Fading() const { return m_fading; }
    // Whether the slides on show drift (pan and zoom on, true colours, a picture on show).
    bool Moving() const;
    // The show's own generator for the drifts (the window seeds it from its clock; tests fix it).
    void SeedMotion(uint64_t seed) { m_motionRandom = MotionRandom(seed); }

    // The window exists: the show waits black for its first deal, which goes on screen as soon as
    // the walk finds it; the slide timer starts from there. Without a worker (workerRunning
    // false) nothing is asked and the show stays black.
    ShowCommands Start(const Desk& desk, bool workerRunning);
    // The slide timer fired, or the owner asked for the next picture: a running fade ends, and
    // the prepared deal goes on screen now, or as soon as it is ready.
    ShowCommands Tick();
    // What the worker finished since the last drain.
    ShowCommands Delivered(WorkerMail mail);
    // A setter stored a value: a change of how slides are decoded prepares them again (the slides
    // on show too). The delay and fades only change what comes next; a change of the list
    // reaches the controller as FolderChanged.
    ShowCommands SettingChanged(SettingId id, const SettingsRecord& settings);
    // The folder (or a setting that changes the list) changed: a new walk; the next tick starts
    // at the new list's first entry. The slides on show and the timer are left alone.
    ShowCommands FolderChanged(const SettingsRecord& settings);
    // The monitors, the window's size or the palette mode changed: prepared work is dropped and
    // asked for again; the slides on show stay where they are on the desk. The same desk again
    // (a resize to the same size, say) changes nothing.
    ShowCommands DeskChanged(const Desk& desk);
    // The owner's timer calls. While a tick waits for its deal the timer stays off and its
    // hand-over starts it.
    ShowCommands StartSlideTimer();
    ShowCommands StopSlideTimer();

    // The window began the fade a Present asked for (false: it could not, and cut instead), at
    // nowMs by its clock.
    ShowCommands FadeBegan(bool began, double nowMs);
    // A frame is due (the window's frame pump, at the display's refresh).
    ShowCommands FrameDue(double nowMs);
    // The window changed under the fade (its size or place): the fade ends where it is.
    ShowCommands FadeBroken();

    // Whether keys steer this show (BrowseKeys on, full screen): otherwise every key closes it.
    bool TakesKeys() const { return m_settings.browseKeys != 0 && !m_stage.Preview(); }
    // A browsing key went down at nowMs (repeat: the system's auto-repeat of a held key). One step
    // waits at a time: a key that comes while a step waits for its picture (or before the first
    // picture) does nothing, and a held key steps at most every kBrowseRepeatMs. A step during a
    // fade ends it, and the step's picture fades in as a tick's would (Hide cuts).
    ShowCommands Key(BrowseKey key, bool repeat, double nowMs);
    bool Paused() const { return m_paused; }

private:
    // cut: the deal goes on screen without a fade (a hidden picture goes at once).
    void HandOver(ShowCommands& out, bool cut = false);
    void RequestNextDeal(ShowCommands& out);
    void PrepareAgain(bool redoShown, ShowCommands& out);
    // fromFirst: the list changed under a running show, whose sorted order starts again at the
    // first picture; a start goes on from where the index left off.
    void StartWalk(ShowCommands& out, bool fromFirst = false);
    void EndFade(ShowCommands& out);
    void ArmSlideTimer(ShowCommands& out);
    // places: where each path goes among the slots' areas; empty: one path a slot, whole.
    DealJob MakeJob(const std::vector<std::string>& paths, const std::vector<Rect>& areas, bool redo,
                    const std::vector<SlidePlace>& places = {}) const;
    std::vector<ShowSlide> SlidesFrom(DealResult& result, const std::vector<Rect>& areas,
                                      const std::vector<SlidePlace>& places) const;
    bool PairsWanted() const { return m_settings.pairPortraits != 0; }
    uint32_t FadeLength() const;

    // Pan and zoom, apart from the deals: one drift per slide of a screen, on the window's clock.
    struct ScreenMotion {
        std::vector<Rect> areas;  // desk coordinates
        std::vector<SlidePlace> places;
        std::vector<Size> pictures;
        std::vector<SlideMotion> drifts;
        double shownAtMs = 0;
        bool timed = false;  // shownAtMs is set: the window began the hand-over
    };
    bool MotionWanted() const;
    void PlanMotions(const std::vector<ShowSlide>& slides, bool fading, bool samePictures);
    std::vector<SlideFraming> FramingsAt(const ScreenMotion& screen, double nowMs) const;
    ShowCommands MotionFrame(double nowMs);
    // The drifts' clock: the window's, less the time the show stood paused.
    double MotionNow(double nowMs) const { return (m_paused ? m_pausedAtMs : nowMs) - m_pausedMs; }

    // Browsing.
    bool StepWaiting() const { return m_browseAsked || m_ahead.DueTicks() > 0; }
    // The deal of the history the next step in this direction shows, passing over deals that hold a
    // hidden picture; none past either end.
    std::optional<size_t> HistoryStep(int direction) const;
    void StepToNewDeal(bool cut, ShowCommands& out);
    void BrowseTo(size_t target, bool cut, ShowCommands& out);
    void AskBrowse(ShowCommands& out);
    void PresentBrowse(DealResult& deal, ShowCommands& out);
    void Hide(ShowCommands& out);
    void Pause(double nowMs, ShowCommands& out);
    void Resume(double nowMs, ShowCommands& out);
    bool HoldsHidden(const std::vector<std::string>& paths) const;
    // The deal ahead holds a hidden picture: it is dropped and asked for again.
    void DropDealAhead(ShowCommands& out);

    ShowStage m_stage;
    SettingsRecord m_settings;
    Desk m_desk;
    bool m_started = false;  // the window exists
    bool m_working = false;  // and its worker runs

    ShowSequence m_sequence;
    DealAhead m_ahead;
    uint64_t m_walk = 0;                   // the walk whose entries the list holds
    std::vector<std::string> m_dealPaths;  // the next deal, asked for or ready
    std::vector<SlidePlace> m_dealPlaces;  // ready, dealt in pairs: each path's slot and part
    std::vector<Rect> m_dealAreas;         // the areas it is decoded for
    std::vector<ShowSlide> m_prepared;     // the next deal, once ready
    // Pairs dealt from the list: the entries that come next (not yet moved past), asked for again
    // as they are until the deal goes on screen; then the list moves past those taken.
    std::vector<std::string> m_dealCandidates;
    std::vector<std::size_t> m_dealTaken;
    std::vector<std::string> m_shownPaths;  // the deal on show
    std::vector<SlidePlace> m_shownPlaces;  // and where each of them is
    bool m_shownUnrecorded = false;         // and the index has yet to hear of it
    std::vector<Rect> m_redoAreas;
    std::vector<SlidePlace> m_redoPlaces;
    bool m_redoAsked = false;  // the slides on show are being decoded again
    bool m_timerHeld = false;  // timer 1 is off while a tick waits for its deal

    // The running fade, by the window's clock.
    bool m_fading = false;
    double m_fadeStartMs = 0;
    uint32_t m_fadeLengthMs = 0;
    int m_frameRate = 60;

    MotionRandom m_motionRandom{0x6F7276616E7461ull};
    ScreenMotion m_onShow;   // the slides on show
    ScreenMotion m_leaving;  // the running fade's old screen

    // What the keys steer: the deals shown in this run (paths per slide and, for pairs, where
    // each went; oldest first) and the one on show; a step back (or forward again) decodes its
    // deal anew in the redo's place, leaving the next deal prepared ahead where it is.
    struct ShownDeal {
        std::vector<std::string> paths;
        std::vector<SlidePlace> places;  // empty: a slide a monitor
    };
    std::deque<ShownDeal> m_history;
    size_t m_historyAt = 0;
    bool m_browseAsked = false;  // a step into the history waits for its decode
    size_t m_browseTarget = 0;
    bool m_browseCut = false;
    std::vector<std::string> m_browsePaths;
    std::vector<SlidePlace> m_browsePlaces;
    std::vector<Rect> m_browseAreas;
    double m_lastStepMs = 0;
    bool m_stepped = false;  // m_lastStepMs is set
    bool m_paused = false;
    double m_pausedAtMs = 0;
    double m_pausedMs = 0;           // paused time so far, left out of the drifts' clock
    std::set<std::string> m_hidden;  // hidden in this run, whatever the index made of it
};

}  // namespace orv
