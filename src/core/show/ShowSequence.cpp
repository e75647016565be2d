#include "core/show/ShowSequence.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "core/show/Monitors.h"
#include "core/show/Pairs.h"
#include "core/show/PictureList.h"

namespace orv {

ShowSequence::ShowSequence(DrawFn draw) : m_draw(draw ? std::move(draw) : EntropyOrderDraw()) {}

void ShowSequence::Restart(bool randomOrder) {
    m_randomOrder = randomOrder;
    m_walkEnded = false;
    m_indexed = false;
    m_entries.clear();
    m_next = 0;
    m_lastDeal.clear();
}

void ShowSequence::UseIndex() {
    m_indexed = true;
    m_walkEnded = true;
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_next = 0;
    m_lastDeal.clear();
}

void ShowSequence::Append(std::vector<std::string> entries) {
    if (m_walkEnded) return;  // a finished list is final
    if (m_entries.empty()) {
        m_entries = std::move(entries);
        return;
    }
    m_entries.insert(m_entries.end(), std::make_move_iterator(entries.begin()),
                     std::make_move_iterator(entries.end()));
}

void ShowSequence::EndWalk() {
    if (m_walkEnded) return;
    m_walkEnded = true;
    if (m_randomOrder) {
        ShufflePictures(m_entries, m_draw);
        m_next = 0;
    }
}

void ShowSequence::Remove(const std::string& entry) {
    for (size_t i = 0; i < m_entries.size();) {
        if (m_entries[i] != entry) {
            ++i;
            continue;
        }
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
        if (m_next > i) --m_next;
        // The random phase's indices of the last deal may name other entries now; it only keeps a
        // monitor from showing the same picture twice in a row.
        m_lastDeal.clear();
    }
    if (m_next > m_entries.size()) m_next = m_entries.size();
}

size_t ShowSequence::DrawIndex(size_t count) { return static_cast<size_t>(DrawBelow(m_draw, count)); }

std::vector<std::size_t> ShowSequence::NextDeal(std::size_t monitors) {
    const size_t count = m_entries.size();
    if (count == 0 || monitors == 0) return {};

    if (m_walkEnded) {
        const Deal deal = DealEntries(count, monitors, m_next);
        m_next = deal.next;
        return deal.entries;
    }

    if (!m_randomOrder) {
        if (m_next >= count) return {};  // the show waits at the end of what is known
        const Deal deal = DealEntries(count, monitors, m_next);
        // More monitors than entries past m_next: the deal wraps inside what is known, and the
        // next one waits for entries beyond it rather than starting the list over.
        m_next = m_next + monitors > count ? count : deal.next;
        return deal.entries;
    }

    std::vector<size_t> deal;
    deal.reserve(monitors);
    for (size_t i = 0; i < monitors; ++i) {
        const bool excluded = i < m_lastDeal.size();
        const size_t last = excluded ? m_lastDeal[i] : 0;
        const size_t candidates = excluded ? count - 1 : count;
        if (candidates == 0) {
            // Only the picture this monitor shows is known: the first monitor waits for another;
            // a further one keeps its picture rather than hold the others back.
            if (i == 0) return {};
            deal.push_back(last);
            continue;
        }
        size_t pick = DrawIndex(candidates);
        if (excluded && pick >= last) ++pick;
        deal.push_back(pick);
    }
    m_lastDeal = deal;
    return deal;
}

std::vector<std::size_t> ShowSequence::Upcoming(std::size_t count, std::size_t atLeast) const {
    std::vector<std::size_t> upcoming;
    const size_t size = m_entries.size();
    if (size == 0 || (m_randomOrder && !m_walkEnded)) return upcoming;
    if (!m_walkEnded) {
        for (size_t i = m_next; i < size && upcoming.size() < count; ++i)
            upcoming.push_back(i);
        return upcoming;
    }
    const size_t start = m_next % size;
    const size_t round = std::max(size - start, std::min(atLeast, size));
    for (size_t k = 0; k < round && k < count; ++k)
        upcoming.push_back((start + k) % size);
    return upcoming;
}

void ShowSequence::Take(const std::vector<std::size_t>& taken) {
    size_t window = 0;
    for (size_t offset : taken)
        window = std::max(window, offset + 1);
    const std::vector<size_t> positions = Upcoming(window, window);
    if (taken.empty() || positions.size() < window) return;  // not what Upcoming gave
    const std::vector<size_t> order = BroughtForward(window, taken);
    std::vector<std::string> values;
    values.reserve(window);
    for (size_t offset : order)
        values.push_back(std::move(m_entries[positions[offset]]));
    for (size_t k = 0; k < window; ++k)
        m_entries[positions[k]] = std::move(values[k]);
    std::vector<size_t> distinct = taken;
    std::sort(distinct.begin(), distinct.end());
    m_next += static_cast<size_t>(std::unique(distinct.begin(), distinct.end()) - distinct.begin());
    if (m_walkEnded) m_next %= m_entries.size();
}

void DealAhead::Requested() { m_state = State::Pending; }

bool DealAhead::Arrived(uint64_t generation) {
    if (generation != m_generation || m_state != State::Pending) return false;
    m_state = State::Ready;
    return true;
}

void DealAhead::Drop() {
    m_state = State::Idle;
    ++m_generation;
}

bool DealAhead::TakeHandOver() {
    if (m_state != State::Ready || m_due == 0) return false;
    m_state = State::Idle;
    --m_due;
    return true;
}

}  // namespace orv
