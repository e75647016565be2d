#pragma once
// What the show asks of its worker and what the worker hands back: plain data only (paths, sizes,
// decoded picture blocks, UTF-8 text), so that a request or a result can cross from one thread to
// the other without carrying a window, a GDI object or a COM interface. The show's controller
// writes the requests; the Win32 worker (show/ShowWorker.h) carries them out.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/framework/Geometry.h"
#include "core/picture/DibImage.h"
#include "core/show/Pairs.h"

namespace orv {

// One monitor's part of a deal: the picture, and the inputs of the layout that sizes its decode.
struct SlideJob {
    std::string path;
    Rect area;    // the slide's area in the window
    Size screen;  // the screen the layout scales against
};

// The slide job for one part of a slot's job (the whole, or a pair's half): its half of the area
// and of the screen the layout scales against.
inline SlideJob PartJob(const SlideJob& slot, SlotPart part) {
    return SlideJob{slot.path, PartOf(slot.area, part), PartScreen(slot.screen, part)};
}

struct DealJob {
    uint64_t generation = 0;  // of the settings, monitors and palette mode it was made under
    bool redo = false;        // the slides on show again, after a change; else the next deal
    bool browse = false;      // with redo: a deal of the history, which a browsing key asked for
    std::vector<SlideJob> slides;
    bool stretch = true;
    bool preview = false;
    bool paletteDisplay = false;
    bool showCaption = true;
    bool showInfo = false;  // the information line (date, place, folder) is read with each slide
    // The largest zoom the slides are drawn at (pan and zoom): each is decoded for its drawn size
    // times this, so the zoom never blurs it.
    double zoom = 1.0;
    // The worker's library index chooses the pictures (the slides' paths are empty): the next of
    // its cycle in random order, of its sorted position otherwise.
    bool fromIndex = false;
    bool randomOrder = false;        // with fromIndex or pairs: how the next pictures are chosen
    std::vector<std::string> shown;  // with fromIndex: the pictures put on screen since the last deal
    // Portrait pairs: the slides are the slots (one a monitor, their paths empty) and the worker
    // deals them (DealPairs) from the index, or from candidates: the list's entries that come
    // next (ShowSequence::Upcoming), of which it reports those it took.
    bool pairs = false;
    std::vector<std::string> candidates;
};

// A walk of the picture folders under the type boxes. The extensions "Others" stands for are asked
// of the imaging component by the worker (COM and the registry are slow and belong off the
// window's thread).
struct WalkJob {
    uint64_t walk = 0;  // the walk's number; never 0
    std::string folder;
    bool showBmp = true;
    bool showJpg = true;
    bool showOther = true;
    // The folders walked (WalkFoldersOf), in the order their pictures are listed: Directory
    // first, then MoreFolders as listed; normalised (no trailing backslash), none listed twice and
    // none inside another or inside an excluded folder. The controller always fills them; empty
    // when every configured folder is excluded. folder stays Directory as the settings give it.
    std::vector<std::string> roots;
    // Subtrees below a root that are never entered, normalised like the roots.
    std::vector<std::string> excluded;
    // A change of the list under a running show: the index's sorted order starts again at the
    // first picture, as a new list does; a start goes on after the last picture shown.
    bool fromFirst = false;
};

// A picture as 32-bit pixels (B G R and an unused byte, top row first) in plain memory.
struct BgraPixels {
    std::vector<uint32_t> pixels;
    Size size;
};

struct PreparedSlide {
    std::unique_ptr<CDibImage> picture;  // null: the load failed
    std::string caption;                 // UTF-8: the caption, or the failure text
    // Pan and zoom: the picture at the size it is drawn at its largest zoom, for the window to
    // upload as it is; empty when the window draws it from the picture itself.
    BgraPixels bgra;
    std::string info;  // UTF-8: the information line; empty: none
};

struct DealResult {
    uint64_t generation = 0;
    bool redo = false;
    bool browse = false;
    std::vector<PreparedSlide> slides;
    std::vector<std::string> paths;  // a deal from the index: the pictures it chose, one a slide
    // A deal in pairs: where each slide goes (its slot and half), one a slide; and, dealt from
    // candidates, the offsets of those taken, in the order the slides show them. Empty
    // otherwise: one slide a slot, each whole.
    std::vector<SlidePlace> places;
    std::vector<std::size_t> taken;
    bool indexLost = false;  // the index failed this deal: the show goes on without it
};

// What the walk has delivered since the last drain.
struct WalkResult {
    uint64_t walk = 0;  // 0: nothing from any walk
    std::vector<std::string> entries;
    bool ended = false;
    // The index covers this walk's folders: the show deals from it (DealJob::fromIndex) and the
    // walk goes on behind, bringing the index up to date, with no entries for the list.
    bool indexed = false;
};

struct WorkerMail {
    std::vector<DealResult> deals;
    WalkResult walk;
};

}  // namespace orv
