#pragma once
// The owner of one COM interface pointer, and COM for the length of one call. Win32 only.
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

// COM on this thread for one call. A thread without COM gets it (apartment-threaded) and loses it
// again at the end; a thread that has it, in either model, keeps it as it was. Declare it before
// every ComPtr of the call, so each interface is released while COM is still there.
class ComScope : NonCopyable {
public:
    ComScope() {
        const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
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
