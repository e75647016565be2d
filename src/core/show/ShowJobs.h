#pragma once
// What the show asks of its worker and what the worker hands back: plain data only (paths, sizes,
// decoded picture blocks, UTF-8 text), so that a request or a result can cross from one thread to
// the other without carrying a window, a GDI object or a COM interface. The show's controller
// writes the requests; the Win32 worker (show/ShowWorker.h) carries them out.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/framework/Geometry.h"
#include "core/picture/DibImage.h"

namespace orv {

// One monitor's part of a deal: the picture, and the inputs of the layout that sizes its decode.
struct SlideJob {
    std::string path;
    Rect area;    // the slide's area in the window
    Size screen;  // the screen the layout scales against
};

struct DealJob {
    uint64_t generation = 0;  // of the settings, monitors and palette mode it was made under
    bool redo = false;        // the slides on show again, after a change; else the next deal
    std::vector<SlideJob> slides;
    bool stretch = true;
    bool preview = false;
    bool paletteDisplay = false;
    bool showCaption = true;
    // The worker's library index chooses the pictures (the slides' paths are empty): the next of
    // its cycle in random order, of its sorted position otherwise.
    bool fromIndex = false;
    bool randomOrder = false;
    std::vector<std::string> shown;  // with fromIndex: the pictures put on screen since the last deal
};

// A walk of the picture folder under the type boxes. The extensions "Others" stands for are asked
// of the imaging component by the worker (COM and the registry are slow and belong off the
// window's thread).
struct WalkJob {
    uint64_t walk = 0;  // the walk's number; never 0
    std::string folder;
    bool showBmp = true;
    bool showJpg = true;
    bool showOther = true;
    // A change of the list under a running show: the index's sorted order starts again at the
    // first picture, as a new list does; a start goes on after the last picture shown.
    bool fromFirst = false;
};

struct PreparedSlide {
    std::unique_ptr<CDibImage> picture;  // null: the load failed
    std::string caption;                 // UTF-8: the caption, or the failure text
};

struct DealResult {
    uint64_t generation = 0;
    bool redo = false;
    std::vector<PreparedSlide> slides;
    std::vector<std::string> paths;  // a deal from the index: the pictures it chose, one a slide
    bool indexLost = false;          // the index failed this deal: the show goes on without it
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

// The folders a walk covers, in order, as the index keys them.
inline std::vector<std::string> WalkRoots(const WalkJob& job) { return {job.folder}; }

struct WorkerMail {
    std::vector<DealResult> deals;
    WalkResult walk;
};

}  // namespace orv
