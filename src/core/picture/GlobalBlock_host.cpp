// Heap stand-in for movable global memory on hosts without GlobalAlloc. The record keeps its size
// and lock count in front of the data so the handle stays one opaque pointer, as an HGLOBAL is.
#include "core/picture/GlobalBlock.h"

#include <cassert>
#include <cstdlib>

namespace orv {
namespace {

struct HostBlock {
    uint64_t size;
    uint32_t locks;
    alignas(16) unsigned char data[1];
};

constexpr size_t kHeaderBytes = offsetof(HostBlock, data);
uint64_t g_limit = kDefaultGlobalBlockLimit;

}  // namespace

void SetGlobalBlockLimit(uint64_t bytes) { g_limit = bytes; }
uint64_t GlobalBlockLimit() { return g_limit; }

GlobalHandle AllocGlobalBlock(uint64_t size) {
    if (size > g_limit || size > SIZE_MAX - kHeaderBytes) return nullptr;
    void* memory = std::calloc(1, kHeaderBytes + static_cast<size_t>(size));
    if (!memory) return nullptr;
    auto* block = static_cast<HostBlock*>(memory);
    block->size = size;
    block->locks = 0;
    return block;
}

void FreeGlobalBlock(GlobalHandle block) { std::free(block); }

void* LockGlobalBlock(GlobalHandle block) {
    if (!block) return nullptr;
    auto* record = static_cast<HostBlock*>(block);
    ++record->locks;
    return record->data;
}

void UnlockGlobalBlock(GlobalHandle block) {
    if (!block) return;
    auto* record = static_cast<HostBlock*>(block);
    assert(record->locks > 0);
    if (record->locks > 0) --record->locks;
}

uint64_t GlobalBlockSize(GlobalHandle block) { return block ? static_cast<HostBlock*>(block)->size : 0; }

}  // namespace orv
