#pragma once
// The show while its list is still being found, and the life of the deal prepared ahead of the
// tick. Pure rules: the picture window feeds them the walk's entries, its ticks and the worker's
// answers, and asks them what to request next and when to put a prepared deal on screen.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/show/OrderRandom.h"

namespace orv {

// The entries each tick deals, from a list that grows while the walk runs.
//
// Sorted order: the walk delivers entries in their final order, so the show moves through them as
// they arrive; it waits at the end of what is known and wraps to the first only once the walk has
// ended. Random order: until the walk ends each monitor takes an entry drawn from those found so
// far, never the one it has just shown; when the walk ends the whole list is shuffled
// (ShufflePictures) and the show goes on from its start.
//
// Indexed: the worker's library index deals (its cycle or its sorted position); the list stays
// empty and NextDeal deals nothing: each deal's pictures are the worker's to choose.
class ShowSequence {
public:
    using DrawFn = OrderDraw;

    // draw: the order's generator; one seeded from the system's entropy unless a test gives one.
    explicit ShowSequence(DrawFn draw = {});

    // A new walk begins: the list is empty again and the show starts at its first entry.
    void Restart(bool randomOrder);
    // Entries the walk found since its last delivery, in their final order.
    void Append(std::vector<std::string> entries);
    // The walk has ended: nothing more comes. In random order the whole list is shuffled now.
    void EndWalk();

    // The worker's index deals from here on (until the next Restart): the list is dropped.
    void UseIndex();
    bool Indexed() const { return m_indexed; }

    const std::vector<std::string>& Entries() const { return m_entries; }
    // A picture hidden by the user leaves the list; the show goes on where it was.
    void Remove(const std::string& entry);

    // The entries of the next deal, one per monitor in showing order, and the show moves past them.
    // Empty when nothing can be dealt yet: no entry known, or (sorted, during the walk) none past
    // the last one dealt, or (random, during the walk) none but the one just shown.
    std::vector<std::size_t> NextDeal(std::size_t monitors);

    // Portrait pairs: up to `count` entries that come next, in their order, without moving past
    // them; the worker deals from them (DealPairs) and Take then moves past what it took. Sorted,
    // during the walk: what is known past the last one dealt. After the walk (either order): the
    // rest of the round (the list, or the cycle), and past its end only as far as atLeast needs
    // (one a monitor), none twice: a round's last picture is not paired with the next round's
    // first, which would then show twice in a row of rounds. Random during the walk: none (the
    // draws have no order to bring a partner forward in; those deals go unpaired).
    std::vector<std::size_t> Upcoming(std::size_t count, std::size_t atLeast = 0) const;
    // The show moves past the entries taken from the last Upcoming (offsets into it, in the order
    // they showed): they come first, the others after them in their order (BroughtForward), so a
    // partner brought forward leaves the pictures it passed over to come next.
    void Take(const std::vector<std::size_t>& taken);

private:
    size_t DrawIndex(size_t count);

    DrawFn m_draw;
    bool m_randomOrder = false;
    bool m_walkEnded = false;
    bool m_indexed = false;
    std::vector<std::string> m_entries;
    std::size_t m_next = 0;
    std::vector<std::size_t> m_lastDeal;  // random phase: what each monitor showed last
};

// The life of the deal prepared ahead of the tick, and of the ticks waiting for it.
//
// Idle -> Requested() -> Pending -> Arrived(current generation) -> Ready -> TakeHandOver() -> Idle.
// Drop() (a setting, the monitors or the palette mode changed) sends Pending or Ready back to
// Idle and moves the generation on, so that an answer still on its way is stale when it arrives.
// A tick that finds no deal ready waits: it is handed over as soon as one is.
class DealAhead {
public:
    enum class State { Idle, Pending, Ready };

    State GetState() const { return m_state; }
    uint64_t Generation() const { return m_generation; }
    // Ticks that came with nothing ready to show; each takes one deal.
    unsigned DueTicks() const { return m_due; }

    // A deal was asked for under the current generation.
    void Requested();
    // True when an answer made under `generation` is current: the deal is then Ready. False for a
    // stale answer or one that nothing asked for; its result is to be dropped.
    bool Arrived(uint64_t generation);
    // What the prepared work depended on changed: whatever is pending or ready is dropped. Waiting
    // ticks stay waiting.
    void Drop();
    // The slide timer fired (or a tick was posted).
    void Tick() { ++m_due; }
    // A tick is due before anything was requested: the first deal of a show goes on screen as
    // soon as it is ready.
    void WantFirst() {
        if (m_due == 0) m_due = 1;
    }
    // True when the ready deal goes on screen now: a tick is due for it. The deal is taken (Idle)
    // and the tick with it.
    bool TakeHandOver();

private:
    State m_state = State::Idle;
    uint64_t m_generation = 1;
    unsigned m_due = 0;
};

}  // namespace orv
