#pragma once
// A picture lives in one movable global memory block, locked only for the length of one operation.
// On Windows the handle is an HGLOBAL (GlobalAlloc with GMEM_MOVEABLE | GMEM_ZEROINIT); on other
// hosts it is an opaque heap record with the same rules, so the loaders run and are tested there.
// This header stays free of <windows.h>: the handle is opaque (HGLOBAL is a void* as well).
#include <cstddef>
#include <cstdint>

#include "core/framework/UniqueHandle.h"

namespace orv {

using GlobalHandle = void*;

// A zero-filled movable block of size bytes, or null when it cannot be had (including a size that
// does not fit the address space).
GlobalHandle AllocGlobalBlock(uint64_t size);
// Releases a block; null is ignored.
void FreeGlobalBlock(GlobalHandle block);
// The block's address, pinned until the matching UnlockGlobalBlock; null on failure.
void* LockGlobalBlock(GlobalHandle block);
void UnlockGlobalBlock(GlobalHandle block);
// The block's size in bytes (at least what was asked for), 0 for null.
uint64_t GlobalBlockSize(GlobalHandle block);

#ifndef _WIN32
// Host only: the largest block AllocGlobalBlock hands out. The default keeps a hostile header
// from asking the heap for gigabytes; fuzz targets lower it further.
constexpr uint64_t kDefaultGlobalBlockLimit = uint64_t(1) << 30;
void SetGlobalBlockLimit(uint64_t bytes);
uint64_t GlobalBlockLimit();
#endif

// Owns a block: frees it when destroyed unless released.
struct FreeGlobalBlockDeleter {
    void operator()(GlobalHandle block) const { FreeGlobalBlock(block); }
};
using GlobalBlock = Unique<GlobalHandle, FreeGlobalBlockDeleter>;

// Locks a block for one operation and unlocks it when the operation's scope ends.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(GlobalHandle block)
        : m_block(block), m_data(block ? static_cast<uint8_t*>(LockGlobalBlock(block)) : nullptr) {}
    ~GlobalLockGuard() {
        if (m_data) UnlockGlobalBlock(m_block);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

    uint8_t* data() const { return m_data; }
    explicit operator bool() const { return m_data != nullptr; }

private:
    GlobalHandle m_block;
    uint8_t* m_data;
};

}  // namespace orv
