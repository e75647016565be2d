#pragma once
// The owner of one COM interface pointer, COM for a thread or a call, and the owner of memory
// from the COM task allocator. Win32 only.
//
// An interface is released by the owner that holds it, once; no interface is kept past the call
// that made it, and none crosses threads.
#include "framework/Win32.h"

#include <objbase.h>

#include "core/framework/UniqueHandle.h"

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds (a new object's first one).
    explicit ComPtr(T* p) : m_p(p) {}
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            m_p = other.m_p;
            other.m_p = nullptr;
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // For a call's out-parameter: what was held is released first.
    T** Put() {
        Reset();
        return &m_p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (m_p) {
            T* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }

private:
    T* m_p = nullptr;
};

// Asks p for another interface; an empty owner when p has none or is empty.
template <typename U, typename T>
ComPtr<U> QueryAs(const ComPtr<T>& p, REFIID iid) {
    ComPtr<U> out;
    if (p) p->QueryInterface(iid, out.PutVoid());
    return out;
}

// Which apartment a thread without COM joins. Single: a thread with windows, and the shell's
// dialogs, which need one (the folder browser). Multi: a thread without a message loop (the
// show's worker), whose objects need no messages pumped to reach them.
enum class ComApartment : DWORD {
    Single = COINIT_APARTMENTTHREADED,
    Multi = COINIT_MULTITHREADED,
};

// COM on this thread for the scope's lifetime: a whole thread's main, or one call. A thread
// without COM joins the apartment asked for and leaves it again at the end; a thread that has
// it, in either model, keeps it as it was. Declare it before every ComPtr and every
// UniqueCoTaskMem of the scope, so each is released while COM is still there.
class ComScope : NonCopyable {
public:
    explicit ComScope(ComApartment apartment = ComApartment::Single) {
        const HRESULT hr = ::CoInitializeEx(nullptr, static_cast<DWORD>(apartment) | COINIT_DISABLE_OLE1DDE);
        m_uninitialize = SUCCEEDED(hr);  // S_FALSE too: every success is balanced
        m_usable = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
    }
    ~ComScope() {
        if (m_uninitialize) ::CoUninitialize();
    }
    explicit operator bool() const { return m_usable; }

private:
    bool m_uninitialize = false;
    bool m_usable = false;
};

struct CoTaskMemFreeDeleter {
    void operator()(void* p) const { ::CoTaskMemFree(p); }
};
// Memory a COM or shell call allocated for its caller with the task allocator (an item list, a
// name), freed once. Pointer is the pointer type the call hands out (PIDLIST_ABSOLUTE, PWSTR).
template <typename Pointer>
using UniqueCoTaskMem = Unique<Pointer, CoTaskMemFreeDeleter>;
