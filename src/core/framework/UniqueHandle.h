#pragma once
// One move-only owner per handle type: the handle, how it is released, and which value means "no
// handle". Portable (the core's memory blocks and files use it too); the Win32 owners are in
// framework/Unique.h.
#include <utility>

// Guards that restore what they changed are tied to their scope: not copyable.
class NonCopyable {
protected:
    NonCopyable() = default;
    ~NonCopyable() = default;

public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;
};

// Most handles use null for "none". Those that do not (a file handle's INVALID_HANDLE_VALUE) name
// their own policy with a static Invalid().
template <typename Handle>
struct NullIsInvalid {
    static constexpr Handle Invalid() { return Handle(); }
};

template <typename Handle, typename Deleter, typename Policy = NullIsInvalid<Handle>>
class Unique {
public:
    Unique() = default;
    // Takes h whatever it is; the policy's invalid value is simply never released.
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
    explicit operator bool() const { return m_h != Policy::Invalid(); }
    Handle release() { return std::exchange(m_h, Policy::Invalid()); }
    void reset(Handle h = Policy::Invalid()) {
        if (m_h != Policy::Invalid()) Deleter()(m_h);
        m_h = h;
    }

private:
    Handle m_h = Policy::Invalid();
};
