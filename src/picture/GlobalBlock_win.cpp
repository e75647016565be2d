// Movable global memory through the kernel's GlobalAlloc family.
#include "framework/Win32.h"

#include "core/picture/GlobalBlock.h"

namespace orv {

GlobalHandle AllocGlobalBlock(uint64_t size) {
    // On x86 a 64-bit size beyond the address space must not be truncated into a small block.
    if (size > static_cast<uint64_t>(static_cast<SIZE_T>(-1))) return nullptr;
    return ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
}

void FreeGlobalBlock(GlobalHandle block) {
    if (block) ::GlobalFree(static_cast<HGLOBAL>(block));
}

void* LockGlobalBlock(GlobalHandle block) {
    return block ? ::GlobalLock(static_cast<HGLOBAL>(block)) : nullptr;
}

void UnlockGlobalBlock(GlobalHandle block) {
    if (block) ::GlobalUnlock(static_cast<HGLOBAL>(block));
}

uint64_t GlobalBlockSize(GlobalHandle block) { return block ? ::GlobalSize(static_cast<HGLOBAL>(block)) : 0; }

}  // namespace orv
