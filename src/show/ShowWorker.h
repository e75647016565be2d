#pragma once
// The picture window's worker thread: it does the slow things of the show in order, away from the
// window's thread, which never waits for a disk. It walks the folder, delivering entries as they
// are found, and decodes deals at their drawn sizes with their captions. Deals go first, so the
// next picture never waits behind a long walk.
//
// It alone opens the library index (core/library/LibraryIndex.h): each walk records into it, and
// once it covers the configured folders the walk no longer feeds the window's list; the deals
// then come from the index, which chooses their pictures (the random cycle, the sorted position)
// and commits each choice as it deals it.
//
// What it hands back is plain memory (paths, GlobalAlloc picture blocks, UTF-8 caption text) in a
// mailbox guarded by a lock; it posts one private message, with no parameters, to the window,
// which then drains the mailbox. It touches no window and no GDI object, and initialises COM for
// itself, so nothing of the kind crosses threads. A message posted to a window that is going owns
// nothing, so nothing leaks with it.
//
// Closing never waits for the worker: the requests, the mailbox and the walk live in a block that
// the owner and the thread share, so the owner (and its window) can go while the thread is still
// inside an open or a listing; the thread then finishes on that block alone, posts nothing and
// frees what is left. Win32 only.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/framework/Geometry.h"
#include "core/picture/DibImage.h"
#include "core/show/PictureList.h"
#include "core/show/ShowJobs.h"
#include "framework/Thread.h"
#include "framework/Win32.h"

namespace orv {
class LibraryIndex;
}

using orv::DealJob;
using orv::DealResult;
using orv::PreparedSlide;
using orv::SlideJob;
using orv::WalkJob;
using orv::WalkResult;
using orv::WorkerMail;

class CShowWorker {
public:
    // The owner's thread (the window's), as every member but LoadSlide.
    CShowWorker();
    ~CShowWorker();  // stops, as Stop does
    CShowWorker(const CShowWorker&) = delete;
    CShowWorker& operator=(const CShowWorker&) = delete;

    // Window's thread. Starts the worker thread; results are announced by posting `message` to
    // hNotify. False when the thread cannot be had: the show then stays black rather than block
    // its window.
    bool Start(HWND hNotify, UINT message);
    // Window's thread. Stops the worker without waiting for a disk: cancels the walk and the
    // thread's I/O, waits a moment for an idle thread to return, and otherwise lets it go on alone
    // (it posts nothing from here on). Returns at once, whatever the thread is doing. Safe when
    // never started.
    void Stop();
    // Window's thread. From a successful Start to Stop.
    bool Running() const { return static_cast<bool>(m_thread); }

    // Window's thread. Cancels the walk under way (it stops within the folder being read) and
    // starts this one.
    void StartWalk(const WalkJob& job);
    // Window's thread. Asks for a deal; a request of the same kind (next, or redo) not yet begun
    // is replaced.
    void Prepare(DealJob job);
    // Window's thread. The user hid this picture: the index keeps it hidden (in later runs too),
    // and no deal or walk of this worker hands it over again. Done before any deal still waiting.
    void Hide(const std::string& path);
    // Window's thread. Everything finished since the last call.
    WorkerMail Drain();

    // Worker thread: one slide decoded and captioned as the window will show it.
    static PreparedSlide LoadSlide(const SlideJob& slide, const DealJob& job);
    // Worker thread: a picture as pan and zoom draws it, in plain 32-bit pixels.
    static orv::BgraPixels BgraAtDrawnSize(const CDibImage& picture, const orv::Rect& target, double zoom);

private:
    struct Walk;
    struct State;

    // Worker thread, all four.
    static unsigned __stdcall ThreadMain(void* state);
    static void Run(State& state);
    static bool DealSlides(const DealJob& job, State& state, DealResult& result);
    static bool DealFromIndex(const DealJob& job, State& state, DealResult& result);
    // Worker thread, without the lock: a path the index dealt, or its next when the picture was
    // hidden in this run (the index may have failed to take the hide).
    static std::string NotHidden(std::string path, const DealJob& job, State& state, orv::LibraryIndex& index,
                                 int64_t now);
    // Worker thread, without the lock: a picture the index dealt loaded into the result (one gone
    // since the index listed it passed over for the index's next), its size and line recorded.
    static void LoadDealt(SlideJob slide, const DealJob& job, State& state, orv::LibraryIndex& index,
                          int64_t now, DealResult& result);
    // Worker thread: the information line of a slide that loaded, read with its decode.
    static void AddInfo(PreparedSlide& prepared, const std::string& path, State& state);
    // Portrait pairs (DealJob::pairs): the pairing rule (core/show/Pairs.h) carried out on the
    // list's candidates, or slot by slot on the index's coming pictures.
    static bool DealPairsFromList(const DealJob& job, State& state, DealResult& result);
    static bool DealPairsFromIndex(const DealJob& job, State& state, DealResult& result);

    std::shared_ptr<State> m_state;  // null while not running; the thread holds its own reference
    UniqueThread m_thread;
};
