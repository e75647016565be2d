#include "core/picture/GlobalBlock.h"

#include <gtest/gtest.h>

using namespace orv;

TEST(GlobalBlock, AllocatesAZeroFilledBlockOfTheAskedSize) {
    GlobalBlock block(AllocGlobalBlock(1000));
    ASSERT_TRUE(block);
    EXPECT_EQ(GlobalBlockSize(block.get()), 1000u);
    GlobalLockGuard lock(block.get());
    ASSERT_TRUE(lock);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(lock.data()[i], 0) << i;
}

TEST(GlobalBlock, SizesBeyondTheLimitOrTheAddressSpaceAreRefused) {
    const uint64_t limit = GlobalBlockLimit();
    EXPECT_EQ(limit, kDefaultGlobalBlockLimit);
    EXPECT_EQ(AllocGlobalBlock(UINT64_MAX), nullptr);
    EXPECT_EQ(AllocGlobalBlock(limit + 1), nullptr);
    SetGlobalBlockLimit(100);
    EXPECT_EQ(AllocGlobalBlock(101), nullptr);
    GlobalBlock fits(AllocGlobalBlock(100));
    EXPECT_TRUE(fits);
    SetGlobalBlockLimit(limit);
}

TEST(GlobalBlock, LockKeepsTheSameAddressAndDataAcrossLocks) {
    GlobalBlock block(AllocGlobalBlock(16));
    {
        GlobalLockGuard lock(block.get());
        lock.data()[15] = 42;
    }
    GlobalLockGuard again(block.get());
    EXPECT_EQ(again.data()[15], 42);
}

TEST(GlobalBlock, NullHandleLocksToNothing) {
    GlobalLockGuard lock(nullptr);
    EXPECT_FALSE(lock);
    EXPECT_EQ(lock.data(), nullptr);
    EXPECT_EQ(GlobalBlockSize(nullptr), 0u);
    FreeGlobalBlock(nullptr);
}

TEST(GlobalBlock, OwnerHandsOverOnReleaseAndMove) {
    GlobalBlock a(AllocGlobalBlock(8));
    GlobalHandle h = a.get();
    GlobalBlock b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), h);
    GlobalHandle released = b.release();
    EXPECT_FALSE(b);
    FreeGlobalBlock(released);  // leak checking would flag a double owner or a lost block
}
