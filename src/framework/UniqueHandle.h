#pragma once
// One move-only owner per handle type: the handle and how it is released. Portable (the core's
// memory blocks use it too); the Win32 owners are in framework/Unique.h.
#include <utility>

template <typename Handle, typename Deleter>
class Unique {
public:
    Unique() = default;
    explicit Unique(Handle h) : m_h(h) {}
    ~Unique() { reset(); }
    Unique(Unique&& other) noexcept : m_h(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    Handle get() const { return m_h; }
    explicit operator bool() const { return m_h != Handle(); }
    Handle release() { return std::exchange(m_h, Handle()); }
    void reset(Handle h = Handle()) {
        if (m_h != Handle()) Deleter()(m_h);
        m_h = h;
    }

private:
    Handle m_h = Handle();
};
