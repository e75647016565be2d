#include "core/show/ShowController.h"

#include <algorithm>
#include <utility>

#include "core/show/Caption.h"
#include "core/show/Fade.h"
#include "core/show/FolderRoots.h"
#include "core/show/Settings.h"

namespace orv {

bool operator==(const Desk& a, const Desk& b) {
    if (!(a.client == b.client) || a.primary.cx != b.primary.cx || a.primary.cy != b.primary.cy ||
        a.paletteDisplay != b.paletteDisplay || a.refreshHz != b.refreshHz ||
        a.monitors.size() != b.monitors.size())
        return false;
    for (size_t i = 0; i < a.monitors.size(); ++i)
        if (!(a.monitors[i].rect == b.monitors[i].rect) || a.monitors[i].primary != b.monitors[i].primary)
            return false;
    return true;
}

std::vector<Rect> ShowStage::SlideAreas(const Desk& desk) const {
    if (m_preview) return {desk.client};
    // Desk coordinates are the virtual screen's: the monitors are where the system says.
    std::vector<Rect> areas = ShowingOrder(desk.monitors, Point{0, 0});
    // Should the system list no monitor, the window itself is the screen, as on a desk of one.
    if (areas.empty()) areas.push_back(desk.client);
    return areas;
}

Size ShowStage::LayoutScreen(const Rect& area, Size primary, SlotPart part) const {
    return m_preview ? PartScreen(primary, part) : Size{area.Width(), area.Height()};
}

Rect ShowStage::PictureRect(const Rect& area, Size picture, Size primary, bool stretch, SlotPart part) const {
    return PictureRectIn(area, picture, LayoutScreen(area, primary, part), stretch, m_preview);
}

Size ShowStage::CaptionBox(Size text, const Rect& area, Size primary, SlotPart part) const {
    return CaptionBoxSize(text, m_preview, area.Width(), PartScreen(primary, part).cx);
}

std::optional<BrowseKey> BrowseKeyOf(uint32_t virtualKey) {
    switch (virtualKey) {
    case 0x27:  // VK_RIGHT
    case 0x22:  // VK_NEXT, Page Down
        return BrowseKey::Next;
    case 0x25:  // VK_LEFT
    case 0x21:  // VK_PRIOR, Page Up
        return BrowseKey::Back;
    case 0x20:  // VK_SPACE
        return BrowseKey::Pause;
    case 0x48:  // 'H'
        return BrowseKey::Hide;
    default:
        return std::nullopt;
    }
}

Rect PauseMarkRect(const Rect& area) {
    const int32_t side = std::clamp(area.Height() / 20, 16, 64);
    const int32_t margin = side / 2;
    return Rect{area.right - margin - side, area.top + margin, area.right - margin, area.top + margin + side};
}

ShowController::ShowController(bool preview, const SettingsRecord& settings, ShowSequence::DrawFn draw)
    : m_stage(preview), m_settings(settings), m_sequence(std::move(draw)) {}

ShowCommands ShowController::Start(const Desk& desk, bool workerRunning) {
    ShowCommands out;
    m_desk = desk;
    // The first deal goes on screen as soon as it is ready; the timer waits for it.
    m_ahead.WantFirst();
    m_timerHeld = true;
    m_started = true;
    m_working = workerRunning;
    StartWalk(out);
    return out;
}

void ShowController::StartWalk(ShowCommands& out, bool fromFirst) {
    if (!m_working) return;  // the walk starts with the window
    ++m_walk;
    m_sequence.Restart(m_settings.randomOrder != 0);
    // A deal from the old list is of no use: the next tick shows the new list's first entry.
    m_ahead.Drop();
    m_dealPaths.clear();
    m_dealPlaces.clear();
    m_dealCandidates.clear();
    m_dealTaken.clear();
    m_prepared.clear();
    // A step of the keys asked under the old generation would be dropped on arrival: asked again.
    if (m_browseAsked) AskBrowse(out);
    ShowCommand command(ShowCommand::Kind::StartWalk);
    WalkFolders folders =
        WalkFoldersOf(m_settings.folder, m_settings.moreFolders, m_settings.excludedFolders);
    command.walk = WalkJob{m_walk,
                           m_settings.folder,
                           m_settings.showBmp != 0,
                           m_settings.showJpg != 0,
                           m_settings.showOther != 0,
                           std::move(folders.roots),
                           std::move(folders.excluded)};
    command.walk.fromFirst = fromFirst;
    out.push_back(std::move(command));
}

ShowCommands ShowController::Tick() {
    ShowCommands out;
    // Paused, or a step of the keys waiting for its picture: the timer is off, and a tick already
    // on its way is let go.
    if (m_paused || m_browseAsked) return out;
    // A tick during a fade ends it at once, whether or not the next deal is ready.
    EndFade(out);
    // After the keys went back, the show walks forward through what it showed before new
    // pictures come.
    if (const std::optional<size_t> target = HistoryStep(1)) {
        BrowseTo(*target, false, out);
        return out;
    }
    m_ahead.Tick();
    HandOver(out);
    return out;
}

void ShowController::HandOver(ShowCommands& out, bool cut) {
    if (m_ahead.TakeHandOver()) {
        m_shownPaths = std::move(m_dealPaths);
        m_dealPaths.clear();
        m_shownPlaces = std::move(m_dealPlaces);
        m_dealPlaces.clear();
        m_history.push_back(ShownDeal{m_shownPaths, m_shownPlaces});
        if (m_history.size() > kBrowseHistory) m_history.pop_front();
        m_historyAt = m_history.size() - 1;
        // A pair deal from the list: the list moves past what it took, a partner brought forward.
        if (!m_dealCandidates.empty()) m_sequence.Take(m_dealTaken);
        m_dealCandidates.clear();
        m_dealTaken.clear();
        m_shownUnrecorded = true;
        // A redo of the slides that were on show is of no use any more.
        m_redoAsked = false;
        EndFade(out);
        ShowCommand present(ShowCommand::Kind::Present);
        present.slides = std::move(m_prepared);
        m_prepared.clear();
        present.keepScreens = FadeLength() > 0;
        present.fade = present.keepScreens && !cut;
        PlanMotions(present.slides, present.fade, false);
        out.push_back(std::move(present));
        RequestNextDeal(out);
        // The timer was held for this deal: the delay runs from its hand-over.
        if (m_timerHeld && m_ahead.DueTicks() == 0) ArmSlideTimer(out);
    }
    if (m_ahead.DueTicks() > 0 && m_started && !m_timerHeld) {
        // A slow disk: the tick waits for its deal; the timer waits with it rather than pile up
        // ticks that would then race through the next pictures.
        out.push_back(ShowCommand(ShowCommand::Kind::HoldSlideTimer));
        m_timerHeld = true;
    }
}

void ShowController::ArmSlideTimer(ShowCommands& out) {
    m_timerHeld = false;
    // Paused: the timer stays off until the show goes on.
    if (m_paused) {
        out.push_back(ShowCommand(ShowCommand::Kind::HoldSlideTimer));
        return;
    }
    ShowCommand arm(ShowCommand::Kind::ArmSlideTimer);
    arm.delayMs = m_settings.delay * 1000u;
    out.push_back(std::move(arm));
}

ShowCommands ShowController::StartSlideTimer() {
    ShowCommands out = StopSlideTimer();
    if (!m_started) return out;
    // While a tick waits for its deal, the hand-over starts the timer.
    if (m_ahead.DueTicks() > 0) {
        m_timerHeld = true;
        return out;
    }
    ArmSlideTimer(out);
    return out;
}

ShowCommands ShowController::StopSlideTimer() {
    ShowCommands out;
    if (!m_started) return out;
    out.push_back(ShowCommand(ShowCommand::Kind::HoldSlideTimer));
    m_timerHeld = false;
    return out;
}

DealJob ShowController::MakeJob(const std::vector<std::string>& paths, const std::vector<Rect>& areas,
                                bool redo, const std::vector<SlidePlace>& places) const {
    DealJob job;
    job.generation = m_ahead.Generation();
    job.redo = redo;
    job.stretch = m_settings.stretch != 0;
    job.preview = m_stage.Preview();
    job.showCaption = m_settings.showCaption != 0;
    job.showInfo = m_settings.showInfo != 0;
    job.paletteDisplay = m_desk.paletteDisplay;
    job.zoom = MotionWanted() ? kLargestZoom : 1.0;
    if (!places.empty()) {
        // The slides of pairs again: each in its part of its slot.
        for (size_t i = 0; i < paths.size() && i < places.size(); ++i) {
            if (places[i].slot >= areas.size()) continue;
            const Rect& slot = areas[places[i].slot];
            job.slides.push_back(PartJob(SlideJob{paths[i], slot, m_stage.LayoutScreen(slot, m_desk.primary)},
                                         places[i].part));
        }
        return job;
    }
    for (size_t i = 0; i < paths.size() && i < areas.size(); ++i)
        job.slides.push_back(SlideJob{paths[i], areas[i], m_stage.LayoutScreen(areas[i], m_desk.primary)});
    return job;
}

void ShowController::RequestNextDeal(ShowCommands& out) {
    if (!m_working || m_ahead.GetState() != DealAhead::State::Idle) return;
    const std::vector<Rect> areas = m_stage.SlideAreas(m_desk);
    // Monitors that came or went since the deal: the entries dealt no longer fit them.
    if (!m_dealPaths.empty() && m_dealPaths.size() != areas.size()) m_dealPaths.clear();
    const bool fromIndex = m_sequence.Indexed();
    // Pairs from the list: the worker deals from the entries that come next, which the list moves
    // past only once the deal goes on screen; asked again, it gets the same ones. The paths such
    // a deal came back with are not the list's to deal again (it has not moved past them).
    if (!m_dealCandidates.empty()) m_dealPaths.clear();
    if (!PairsWanted() || fromIndex) m_dealCandidates.clear();
    if (!fromIndex && PairsWanted() && m_dealCandidates.empty() && m_dealPaths.empty()) {
        const std::vector<size_t> upcoming =
            m_sequence.Upcoming(2 * areas.size() + kPartnerReach, areas.size());
        // Fewer than a monitor each (early in a walk): dealt one a monitor, as without pairs.
        if (upcoming.size() >= areas.size())
            for (size_t index : upcoming)
                m_dealCandidates.push_back(m_sequence.Entries()[index]);
    }
    const bool pairs = PairsWanted() && (fromIndex || !m_dealCandidates.empty());
    if (fromIndex || pairs) {
        // The worker chooses: one empty path a monitor, filled in by its answer.
        m_dealPaths.assign(areas.size(), std::string());
    } else if (m_dealPaths.empty()) {
        for (size_t index : m_sequence.NextDeal(areas.size()))
            m_dealPaths.push_back(m_sequence.Entries()[index]);
        if (m_dealPaths.empty()) return;  // the walk's next delivery asks again
    }
    m_dealAreas = areas;
    ShowCommand prepare(ShowCommand::Kind::Prepare);
    prepare.deal = MakeJob(m_dealPaths, areas, false);
    prepare.deal.fromIndex = fromIndex;
    prepare.deal.pairs = pairs;
    prepare.deal.candidates = m_dealCandidates;
    prepare.deal.randomOrder = (fromIndex || pairs) && m_settings.randomOrder != 0;
    // The index commits what went on screen with the next deal's request.
    // (A deal on show from the list before the index took over counts too: the sorted order goes
    // on after it.)
    if (fromIndex && m_shownUnrecorded) {
        prepare.deal.shown = m_shownPaths;
        m_shownUnrecorded = false;
    }
    out.push_back(std::move(prepare));
    m_ahead.Requested();
}

void ShowController::PrepareAgain(bool redoShown, ShowCommands& out) {
    // A screen kept from the last fade was drawn for the old monitors, palette or settings.
    out.push_back(ShowCommand(ShowCommand::Kind::ForgetScreens));
    if (!m_working) return;
    m_ahead.Drop();
    m_prepared.clear();
    if (m_browseAsked) {
        // A step of the keys replaces the slides on show anyway: it is decoded for the new desk
        // and settings instead of them.
        m_browseAreas = m_stage.SlideAreas(m_desk);
        AskBrowse(out);
    } else if (redoShown && !m_shownPaths.empty()) {
        // Asked first, so the worker decodes the slides on show before the next deal.
        m_redoAreas = m_stage.SlideAreas(m_desk);
        m_redoPlaces = m_shownPlaces;
        bool fits = m_redoPlaces.empty() ? m_redoAreas.size() == m_shownPaths.size()
                                         : m_redoPlaces.size() == m_shownPaths.size();
        for (const SlidePlace& place : m_redoPlaces)
            fits = fits && place.slot < m_redoAreas.size();
        if (fits) {
            ShowCommand prepare(ShowCommand::Kind::Prepare);
            prepare.deal = MakeJob(m_shownPaths, m_redoAreas, true, m_redoPlaces);
            out.push_back(std::move(prepare));
            m_redoAsked = true;
        }
    }
    RequestNextDeal(out);
}

std::vector<ShowSlide> ShowController::SlidesFrom(DealResult& result, const std::vector<Rect>& areas,
                                                  const std::vector<SlidePlace>& places) const {
    std::vector<ShowSlide> slides;
    for (size_t i = 0; i < result.slides.size(); ++i) {
        const SlidePlace place = i < places.size() ? places[i] : SlidePlace{i, SlotPart::Whole};
        if (place.slot >= areas.size()) break;
        slides.push_back(ShowSlide{PartOf(areas[place.slot], place.part), std::move(result.slides[i].picture),
                                   std::move(result.slides[i].caption), std::move(result.slides[i].bgra),
                                   std::move(result.slides[i].info), place});
    }
    return slides;
}

ShowCommands ShowController::Delivered(WorkerMail mail) {
    ShowCommands out;
    bool lost = false;
    for (DealResult& deal : mail.deals) {
        if (deal.redo) {
            if (deal.generation != m_ahead.Generation()) continue;
            if (deal.browse) {
                if (m_browseAsked) PresentBrowse(deal, out);
                continue;
            }
            // Stale, or the show moved on meanwhile: dropped.
            if (!m_redoAsked) continue;
            m_redoAsked = false;
            // The same pictures at their new size: a cut, not a fade into themselves, and each
            // caption box where it stood.
            EndFade(out);
            ShowCommand present(ShowCommand::Kind::Present);
            present.slides = SlidesFrom(deal, m_redoAreas, m_redoPlaces);
            present.keepScreens = FadeLength() > 0;
            present.keepCaptionPlaces = true;
            PlanMotions(present.slides, false, true);
            out.push_back(std::move(present));
        } else if (deal.indexLost) {
            // The index failed under the show: a walk as without one, the slides on show kept.
            lost = true;
        } else if (m_ahead.Arrived(deal.generation)) {
            // What the index chose: the paths the slides on show are decoded again from.
            // (A deal the list chose before the index took over keeps its own.)
            if (!deal.paths.empty()) m_dealPaths = std::move(deal.paths);
            // Dealt in pairs: where each picture goes, and which of the candidates it took.
            m_dealPlaces = std::move(deal.places);
            m_dealTaken = std::move(deal.taken);
            if (HoldsHidden(m_dealPaths)) {
                // Chosen before the picture was hidden: asked for again, which passes it over.
                DropDealAhead(out);
                continue;
            }
            m_prepared = SlidesFrom(deal, m_dealAreas, m_dealPlaces);
            HandOver(out);
        }
    }
    if (lost) {
        StartWalk(out);
        return out;
    }
    if (mail.walk.walk == m_walk && m_walk != 0) {
        if (mail.walk.indexed) {
            // From here on the index deals; a deal the list asked for still counts.
            m_sequence.UseIndex();
        } else {
            std::vector<std::string>& entries = mail.walk.entries;
            entries.erase(std::remove_if(entries.begin(), entries.end(),
                                         [this](const std::string& e) { return m_hidden.count(e) != 0; }),
                          entries.end());
            m_sequence.Append(std::move(entries));
            if (mail.walk.ended) m_sequence.EndWalk();
        }
        RequestNextDeal(out);
    }
    return out;
}

ShowCommands ShowController::SettingChanged(SettingId id, const SettingsRecord& settings) {
    ShowCommands out;
    m_settings = settings;
    // The delay only paces the timer and fades only change how the next hand-over looks; a change
    // of the list reaches the controller as FolderChanged.
    if (id == SettingId::DelayBetweenPictures || id == SettingId::FadeBetweenPictures ||
        id == SettingId::BrowseKeys || RowOf(id).lists)
        return out;
    // A fade's two screens are drawn one way or the other throughout: turning the drift on or off
    // ends a running one where it stands.
    // Turned on, the slides on show start a drift of their own when their new decode cuts in,
    // rather than joining one half run since their hand-over.
    if (id == SettingId::PanAndZoom) {
        EndFade(out);
        m_onShow.timed = false;
    }
    PrepareAgain(true, out);
    return out;
}

ShowCommands ShowController::FolderChanged(const SettingsRecord& settings) {
    ShowCommands out;
    m_settings = settings;
    StartWalk(out, true);
    return out;
}

ShowCommands ShowController::DeskChanged(const Desk& desk) {
    ShowCommands out;
    if (desk == m_desk) return out;
    m_desk = desk;
    if (m_stage.SlidesFollowClient()) {
        ShowCommand move(ShowCommand::Kind::MoveSlides);
        const std::vector<Rect> slots = m_stage.SlideAreas(desk);
        move.areas = slots;
        // Slides on show in pairs: one area a slide, its part of its slot.
        if (!m_onShow.places.empty()) {
            move.areas.clear();
            for (const SlidePlace& place : m_onShow.places)
                if (place.slot < slots.size()) move.areas.push_back(PartOf(slots[place.slot], place.part));
        }
        // The drifts go on in the new areas: a framing is in the picture's own pixels.
        for (size_t i = 0; i < m_onShow.areas.size() && i < move.areas.size(); ++i)
            m_onShow.areas[i] = move.areas[i];
        out.push_back(std::move(move));
    }
    // The next deal was decoded for the old monitors and perhaps another palette mode.
    PrepareAgain(false, out);
    return out;
}

uint32_t ShowController::FadeLength() const {
    // Blending needs true colours; a palette display keeps the cut.
    if (!m_settings.fade || !m_started || m_desk.paletteDisplay) return 0;
    return FadeLengthMs(m_settings.delay);
}

ShowCommands ShowController::FadeBegan(bool began, double nowMs) {
    // The slides just handed over start their drifts now, fade or cut.
    if (!m_onShow.timed) {
        m_onShow.shownAtMs = MotionNow(nowMs);
        m_onShow.timed = true;
    }
    if (!began) return Moving() ? MotionFrame(nowMs) : ShowCommands{};
    m_fading = true;
    m_fadeLengthMs = FadeLength();
    m_frameRate = FrameRateFor(m_desk.refreshHz);
    // The clock starts a frame back: frame 0 is the old screen, on show already, so the first
    // frame drawn is the first that changes anything.
    m_fadeStartMs = nowMs - 1000.0 / m_frameRate;
    return FrameDue(nowMs);
}

ShowCommands ShowController::FrameDue(double nowMs) {
    if (Moving()) return MotionFrame(nowMs);
    ShowCommands out;
    if (!m_fading) {
        out.push_back(ShowCommand(ShowCommand::Kind::StopFrames));
        return out;
    }
    const double elapsed = nowMs - m_fadeStartMs;
    const uint32_t elapsedMs = elapsed <= 0     ? 0u
                               : elapsed >= 4e9 ? 0xFFFFFFFFu
                                                : static_cast<uint32_t>(elapsed);
    const FadeFrame frame = FadeFrameAt(elapsedMs, m_fadeLengthMs, m_frameRate);
    if (frame.last) {
        EndFade(out);
        return out;
    }
    ShowCommand draw(ShowCommand::Kind::DrawFadeFrame);
    draw.weight = frame.weight;
    out.push_back(std::move(draw));
    // The next frame keeps its beat whatever this one costs: it is due at a time, not after a
    // pause.
    ShowCommand arm(ShowCommand::Kind::WantFrame);
    arm.atMs = nowMs + frame.nextInMs;
    out.push_back(std::move(arm));
    return out;
}

ShowCommands ShowController::FadeBroken() {
    ShowCommands out;
    EndFade(out);
    return out;
}

void ShowController::EndFade(ShowCommands& out) {
    if (!m_fading) return;
    m_fading = false;
    m_leaving = ScreenMotion();
    out.push_back(ShowCommand(ShowCommand::Kind::StopFrames));
    out.push_back(ShowCommand(ShowCommand::Kind::EndFade));
}

bool ShowController::MotionWanted() const {
    // Drawing at a sub-pixel framing needs true colours: a palette display keeps the still show.
    return m_settings.panAndZoom != 0 && m_started && !m_desk.paletteDisplay;
}

bool ShowController::Moving() const {
    if (!MotionWanted()) return false;
    for (const SlideMotion& drift : m_onShow.drifts)
        if (drift.lengthMs > 0) return true;
    return false;
}

void ShowController::PlanMotions(const std::vector<ShowSlide>& slides, bool fading, bool samePictures) {
    ScreenMotion next;
    for (const ShowSlide& slide : slides) {
        next.areas.push_back(slide.area);
        next.places.push_back(slide.place);
        next.pictures.push_back(slide.picture ? Size{slide.picture->GetWidth(), slide.picture->GetHeight()}
                                              : Size{0, 0});
    }
    if (samePictures && m_onShow.drifts.size() == slides.size() && m_onShow.timed && MotionWanted()) {
        // The same pictures decoded again (a setting, a resize): each drift goes on where it stands.
        // A framing is in the picture's own pixels, which a new decode size does not change.
        next.drifts = m_onShow.drifts;
        next.shownAtMs = m_onShow.shownAtMs;
        next.timed = true;
        m_onShow = std::move(next);
        return;
    }
    // The draws are made whether or not pan and zoom is on, one set per slide, so turning it on
    // later does not replay the drifts an earlier run showed.
    const double lengthMs = 1000.0 * m_settings.delay + FadeLength();
    for (size_t i = 0; i < slides.size(); ++i) {
        const Rect target = next.pictures[i].cx > 0
                                ? m_stage.PictureRect(next.areas[i], next.pictures[i], m_desk.primary,
                                                      m_settings.stretch != 0, next.places[i].part)
                                : Rect{};
        next.drifts.push_back(PlanMotion(m_motionRandom, next.pictures[i], target, next.areas[i], lengthMs));
    }
    if (fading) m_leaving = std::move(m_onShow);
    m_onShow = std::move(next);
}

std::vector<SlideFraming> ShowController::FramingsAt(const ScreenMotion& screen, double nowMs) const {
    std::vector<SlideFraming> framings;
    const bool moving = MotionWanted();
    for (size_t i = 0; i < screen.areas.size() && i < screen.drifts.size(); ++i) {
        SlideFraming f;
        const Size picture = screen.pictures[i];
        if (picture.cx > 0 && picture.cy > 0) {
            const Rect target = m_stage.PictureRect(screen.areas[i], picture, m_desk.primary,
                                                    m_settings.stretch != 0, screen.places[i].part);
            f.target = RectF{static_cast<double>(target.left), static_cast<double>(target.top),
                             static_cast<double>(target.right), static_cast<double>(target.bottom)};
            f.source = moving ? FramingAt(screen.drifts[i], nowMs - screen.shownAtMs) : WholePicture(picture);
        }
        framings.push_back(f);
    }
    return framings;
}

ShowCommands ShowController::MotionFrame(double nowMs) {
    ShowCommands out;
    uint32_t weight = kFullWeight;
    if (m_fading) {
        const double elapsed = nowMs - m_fadeStartMs;
        const uint32_t elapsedMs = elapsed <= 0     ? 0u
                                   : elapsed >= 4e9 ? 0xFFFFFFFFu
                                                    : static_cast<uint32_t>(elapsed);
        const FadeFrame frame = FadeFrameAt(elapsedMs, m_fadeLengthMs, m_frameRate);
        // The fade's end: the new screen alone from this frame on, still moving.
        if (frame.last) EndFade(out);
        weight = frame.last ? kFullWeight : frame.weight;
    }
    ShowCommand draw(ShowCommand::Kind::DrawMotionFrame);
    draw.weight = weight;
    draw.framings = FramingsAt(m_onShow, MotionNow(nowMs));
    if (m_fading) draw.oldFramings = FramingsAt(m_leaving, MotionNow(nowMs));
    out.push_back(std::move(draw));
    // Paused: the drifts stand where they are once a fade is over.
    if (m_paused && !m_fading) return out;
    // Every refresh: nothing on screen stands still.
    ShowCommand want(ShowCommand::Kind::WantFrame);
    want.atMs = nowMs;
    out.push_back(std::move(want));
    return out;
}

// ---- Browsing keys ------------------------------------------------------------------------

ShowCommands ShowController::Key(BrowseKey key, bool repeat, double nowMs) {
    ShowCommands out;
    if (!TakesKeys() || !m_started) return out;
    if (key == BrowseKey::Pause) {
        // Only a fresh press: a held Space would switch the show on and off at the repeat rate.
        if (!repeat) {
            if (m_paused)
                Resume(nowMs, out);
            else
                Pause(nowMs, out);
        }
        return out;
    }
    // One step at a time: a key that comes while one waits for its picture (or before the first
    // picture) does nothing, so a held key never queues a flood of changes.
    if (StepWaiting()) return out;
    // A held key steps at a calm pace; H never repeats, since each press hides a picture for good.
    if (repeat && (key == BrowseKey::Hide || (m_stepped && nowMs - m_lastStepMs < kBrowseRepeatMs)))
        return out;
    switch (key) {
    case BrowseKey::Next:
        if (const std::optional<size_t> target = HistoryStep(1))
            BrowseTo(*target, false, out);
        else
            StepToNewDeal(false, out);
        break;
    case BrowseKey::Back:
        if (const std::optional<size_t> target = HistoryStep(-1)) BrowseTo(*target, false, out);
        break;
    case BrowseKey::Hide:
        Hide(out);
        break;
    case BrowseKey::Pause:
        break;
    }
    if (!out.empty()) {
        m_lastStepMs = nowMs;
        m_stepped = true;
    }
    return out;
}

void ShowController::DropDealAhead(ShowCommands& out) {
    m_ahead.Drop();
    m_prepared.clear();
    m_dealPaths.clear();
    // A step of the keys asked under the old generation would be dropped on arrival: asked again.
    if (m_browseAsked) AskBrowse(out);
    RequestNextDeal(out);
}

bool ShowController::HoldsHidden(const std::vector<std::string>& paths) const {
    if (m_hidden.empty()) return false;
    return std::any_of(paths.begin(), paths.end(),
                       [this](const std::string& p) { return m_hidden.count(p) != 0; });
}

std::optional<size_t> ShowController::HistoryStep(int direction) const {
    if (m_history.empty()) return std::nullopt;
    size_t at = m_historyAt;
    for (;;) {
        if (direction < 0 ? at == 0 : at + 1 >= m_history.size()) return std::nullopt;
        at = direction < 0 ? at - 1 : at + 1;
        if (!HoldsHidden(m_history[at].paths)) return at;
    }
}

void ShowController::StepToNewDeal(bool cut, ShowCommands& out) {
    // The step's picture gets its whole delay: the timer waits for its hand-over, which starts it.
    out.push_back(ShowCommand(ShowCommand::Kind::HoldSlideTimer));
    m_timerHeld = true;
    EndFade(out);
    m_ahead.Tick();
    HandOver(out, cut);
}

void ShowController::BrowseTo(size_t target, bool cut, ShowCommands& out) {
    if (!m_working) return;
    m_browseAsked = true;
    m_browseTarget = target;
    m_browseCut = cut;
    m_browsePaths = m_history[target].paths;
    m_browsePlaces = m_history[target].places;
    m_browseAreas = m_stage.SlideAreas(m_desk);
    // The slides on show are about to go: a redo of them is of no use.
    m_redoAsked = false;
    out.push_back(ShowCommand(ShowCommand::Kind::HoldSlideTimer));
    m_timerHeld = true;
    AskBrowse(out);
}

void ShowController::AskBrowse(ShowCommands& out) {
    ShowCommand prepare(ShowCommand::Kind::Prepare);
    prepare.deal = MakeJob(m_browsePaths, m_browseAreas, true, m_browsePlaces);
    prepare.deal.browse = true;
    out.push_back(std::move(prepare));
}

void ShowController::PresentBrowse(DealResult& deal, ShowCommands& out) {
    m_browseAsked = false;
    m_historyAt = m_browseTarget;
    m_shownPaths = m_browsePaths;
    m_shownPlaces = m_browsePlaces;
    EndFade(out);
    ShowCommand present(ShowCommand::Kind::Present);
    present.slides = SlidesFrom(deal, m_browseAreas, m_browsePlaces);
    present.keepScreens = FadeLength() > 0;
    present.fade = present.keepScreens && !m_browseCut;
    PlanMotions(present.slides, present.fade, false);
    out.push_back(std::move(present));
    if (m_timerHeld && m_ahead.DueTicks() == 0) ArmSlideTimer(out);
}

void ShowController::Hide(ShowCommands& out) {
    if (m_shownPaths.empty() || m_shownPaths.front().empty()) return;
    // The first monitor's picture (the primary's): the one a single screen shows.
    const std::string path = m_shownPaths.front();
    m_hidden.insert(path);
    ShowCommand hide(ShowCommand::Kind::HidePicture);
    hide.path = path;
    out.push_back(std::move(hide));
    m_sequence.Remove(path);
    // The deal ahead may hold it too (a small library): asked for again, without it.
    if (m_working && HoldsHidden(m_dealPaths)) DropDealAhead(out);
    if (const std::optional<size_t> target = HistoryStep(1)) {
        BrowseTo(*target, true, out);
        return;
    }
    if (m_ahead.GetState() != DealAhead::State::Ready) {
        // Nothing ready to take its place: it goes now, and the screen stays black until the
        // next deal comes (for good when it was the library's last picture, as for an empty
        // folder).
        EndFade(out);
        ShowCommand black(ShowCommand::Kind::Present);
        const std::vector<Rect> areas = m_stage.SlideAreas(m_desk);
        for (size_t i = 0; i < areas.size(); ++i)
            black.slides.push_back(ShowSlide{areas[i], nullptr, std::string(), BgraPixels(), std::string(),
                                             SlidePlace{i, SlotPart::Whole}});
        black.keepScreens = FadeLength() > 0;
        PlanMotions(black.slides, false, false);
        out.push_back(std::move(black));
        m_shownPaths.clear();
        m_shownPlaces.clear();
    }
    StepToNewDeal(true, out);
}

void ShowController::Pause(double nowMs, ShowCommands& out) {
    m_paused = true;
    m_pausedAtMs = nowMs;
    // A hand-over still due keeps its hold: ArmSlideTimer keeps the timer off while paused.
    out.push_back(ShowCommand(ShowCommand::Kind::HoldSlideTimer));
    // A running fade finishes; the drifts stop where they are.
    if (Moving() && !m_fading) out.push_back(ShowCommand(ShowCommand::Kind::StopFrames));
    ShowCommand mark(ShowCommand::Kind::PauseMark);
    mark.paused = true;
    const std::vector<Rect> areas = m_stage.SlideAreas(m_desk);
    if (!areas.empty()) mark.areas.push_back(PauseMarkRect(areas.front()));
    out.push_back(std::move(mark));
}

void ShowController::Resume(double nowMs, ShowCommands& out) {
    m_paused = false;
    if (nowMs > m_pausedAtMs) m_pausedMs += nowMs - m_pausedAtMs;
    ShowCommand mark(ShowCommand::Kind::PauseMark);
    mark.paused = false;
    out.push_back(std::move(mark));
    // The picture on show gets a whole delay again; a step still waiting starts the timer itself.
    if (StepWaiting())
        m_timerHeld = true;
    else
        ArmSlideTimer(out);
    if (Moving() && !m_fading) {
        ShowCommand want(ShowCommand::Kind::WantFrame);
        want.atMs = nowMs;
        out.push_back(std::move(want));
    }
}

}  // namespace orv
