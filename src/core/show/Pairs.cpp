#include "core/show/Pairs.h"

namespace orv {

bool PairsOn(Size picture, Size area) {
    if (picture.cx <= 0 || picture.cy <= 0 || area.cx <= 0 || area.cy <= 0) return false;
    if (area.cx > area.cy) return picture.cy > picture.cx;
    if (area.cy > area.cx) return picture.cx > picture.cy;
    return false;
}

SlotPart FirstHalf(Size area) { return area.cx > area.cy ? SlotPart::Left : SlotPart::Top; }
SlotPart SecondHalf(Size area) { return area.cx > area.cy ? SlotPart::Right : SlotPart::Bottom; }

Rect PartOf(const Rect& area, SlotPart part) {
    Rect r = area;
    const int32_t across = area.left + area.Width() / 2;
    const int32_t down = area.top + area.Height() / 2;
    switch (part) {
    case SlotPart::Whole:
        break;
    case SlotPart::Left:
        r.right = across;
        break;
    case SlotPart::Right:
        r.left = across;
        break;
    case SlotPart::Top:
        r.bottom = down;
        break;
    case SlotPart::Bottom:
        r.top = down;
        break;
    }
    return r;
}

Size PartScreen(Size screen, SlotPart part) {
    const Rect r = PartOf(Rect{0, 0, screen.cx, screen.cy}, part);
    return Size{r.Width(), r.Height()};
}

PairDeal DealPairs(const std::vector<Size>& areas, std::size_t candidates, const CandidateSizeFn& sizeOf,
                   bool random) {
    PairDeal deal;
    std::vector<bool> taken(candidates, false);
    const auto pairs = [&](std::size_t i, Size area) {
        const std::optional<Size> size = sizeOf ? sizeOf(i) : std::nullopt;
        return size && PairsOn(*size, area);
    };
    std::size_t next = 0;  // the first candidate not yet taken
    for (std::size_t s = 0; s < areas.size(); ++s) {
        const Size& area = areas[s];
        while (next < candidates && taken[next])
            ++next;
        if (next >= candidates) break;
        SlotDeal slot;
        slot.first = next;
        taken[next] = true;
        deal.taken.push_back(next);
        // A partner only while every later slot still finds a picture of its own.
        const std::size_t left = candidates - deal.taken.size();
        if (left > areas.size() - s - 1 && pairs(next, area)) {
            std::size_t looked = 0;
            for (std::size_t j = next + 1; j < candidates && looked < (random ? kPartnerReach : 1); ++j) {
                if (taken[j]) continue;
                ++looked;
                if (pairs(j, area)) {
                    slot.second = j;
                    taken[j] = true;
                    deal.taken.push_back(j);
                    break;
                }
            }
        }
        deal.slots.push_back(slot);
    }
    return deal;
}

std::vector<SlidePlace> PlacesOf(const PairDeal& deal, const std::vector<Size>& areas) {
    std::vector<SlidePlace> places;
    for (std::size_t s = 0; s < deal.slots.size() && s < areas.size(); ++s) {
        if (deal.slots[s].second) {
            places.push_back(SlidePlace{s, FirstHalf(areas[s])});
            places.push_back(SlidePlace{s, SecondHalf(areas[s])});
        } else {
            places.push_back(SlidePlace{s, SlotPart::Whole});
        }
    }
    return places;
}

std::vector<std::size_t> BroughtForward(std::size_t window, const std::vector<std::size_t>& taken) {
    std::vector<std::size_t> order;
    std::vector<bool> used(window, false);
    for (std::size_t offset : taken) {
        if (offset >= window || used[offset]) continue;
        used[offset] = true;
        order.push_back(offset);
    }
    for (std::size_t i = 0; i < window; ++i)
        if (!used[i]) order.push_back(i);
    return order;
}

}  // namespace orv
