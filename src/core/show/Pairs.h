#pragma once
// Pictures in pairs (PairPortraits): on a monitor wider than tall two portrait pictures share it,
// side by side, each in its own half; on one taller than wide two landscape pictures share it, one
// above the other. Pure rules: which picture pairs on which area, which entry partners it, the two
// halves, and what bringing a partner forward does to the order. The worker carries them out (it
// alone knows the pictures' sizes); the controller and the window only place what it dealt.
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "core/framework/Geometry.h"

namespace orv {

// Where a slide sits in its monitor's area (its slot): the whole of it, or one of a pair's halves:
// side by side on an area wider than tall, one above the other on one taller than wide.
enum class SlotPart { Whole, Left, Right, Top, Bottom };

// One slide of a deal: the slot (the monitor, in showing order) and the part of it.
struct SlidePlace {
    std::size_t slot = 0;
    SlotPart part = SlotPart::Whole;
    friend bool operator==(const SlidePlace& a, const SlidePlace& b) {
        return a.slot == b.slot && a.part == b.part;
    }
};

// Whether a picture of this (upright) size pairs on an area of this size: a portrait (taller than
// wide) on an area wider than tall, a landscape (wider than tall) on one taller than wide. A square
// picture, a square area and an empty size never pair.
bool PairsOn(Size picture, Size area);

// The two halves a pair takes on an area of this size: left and right when it is wider than tall,
// else top and bottom.
SlotPart FirstHalf(Size area);
SlotPart SecondHalf(Size area);
// The part of an area a slide takes; the right and bottom halves take the odd pixel.
Rect PartOf(const Rect& area, SlotPart part);
// The screen a part's layout scales against: `screen` (the area's own, or for a preview the
// primary screen it is a miniature of) split the same way.
Size PartScreen(Size screen, SlotPart part);

// How far ahead, in random order, the next picture that pairs is looked for; beyond it a picture
// shows alone. It bounds the headers read for one deal.
constexpr std::size_t kPartnerReach = 8;

// The upright size of candidate i (the pictures that come next, in their order); nullopt when it
// cannot be read (such a picture never pairs, and shows as it would alone).
using CandidateSizeFn = std::function<std::optional<Size>(std::size_t)>;

// One slot's share of a deal: the candidate it shows, and its partner when it has one.
struct SlotDeal {
    std::size_t first = 0;
    std::optional<std::size_t> second;
};
struct PairDeal {
    std::vector<SlotDeal> slots;     // one a slot dealt; fewer when the candidates run out
    std::vector<std::size_t> taken;  // the candidates taken, in the order they show
};

// Deals `candidates` pictures (in the order they come) to slots of these areas: each slot takes
// the first candidate not yet taken and, when it pairs on the slot, its partner: in sorted order
// the candidate right after it, when that one pairs too (otherwise none, and that candidate is the
// next slot's or the next deal's); in random order the first candidate not yet taken within
// kPartnerReach after it that pairs, brought forward. A slot takes a partner only when enough
// candidates are left for a picture on every later slot. No candidate is taken twice, and sizeOf
// is asked only of candidates whose size decides something.
PairDeal DealPairs(const std::vector<Size>& areas, std::size_t candidates, const CandidateSizeFn& sizeOf,
                   bool random);

// The places of a pair deal's slides on slots of these areas, one a taken candidate in the order
// of `taken`.
std::vector<SlidePlace> PlacesOf(const PairDeal& deal, const std::vector<Size>& areas);

// A window of `window` entries that come next, after `taken` (offsets into it, in show order) were
// dealt: the offsets in their new order, the taken first as they showed, the others after them in
// the order they had. What a random cycle does when a partner is brought forward: the pictures it
// passed over come next, in their places, and nothing is skipped or shown twice. Offsets past the
// window, or given twice, are left out.
std::vector<std::size_t> BroughtForward(std::size_t window, const std::vector<std::size_t>& taken);

}  // namespace orv
