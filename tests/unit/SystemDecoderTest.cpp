#include "core/picture/SystemDecoder.h"

#include <gtest/gtest.h>

#include "core/picture/DibRules.h"

using namespace orv;

TEST(SystemDecoderBound, DecodeFitsWithin256MibAtItsOwnPixelFormat) {
    struct Case {
        Size decoded;
        uint32_t bits;
        uint64_t bytes;
        bool fits;
    };
    const Case cases[] = {
        {{1, 1}, 32, 4, true},
        {{3, 2}, 24, 24, true},  // rows padded to 4 bytes: 9 -> 12
        {{6000, 4000}, 32, 96000000, true},
        {{6000, 4000}, 64, 192000000, true},
        {{8192, 8192}, 32, uint64_t(256) << 20, true},  // exactly the bound
        {{8192, 8193}, 32, (uint64_t(256) << 20) + 32768, false},
        {{6000, 4000}, 128, 384000000, false},
        {{16000, 12000}, 32, 768000000, false},
        {{30000, 30000}, 32, 3600000000, false},  // the small file that claims too much
        {{30000, 30000}, 1, 112560000, true},
        {{INT32_MAX, INT32_MAX}, 32, 18446744056529682436u, false},  // 8589934588 a row, just below 2^64
        {{INT32_MAX, 1}, 128, 34359738352u, false},
        {{INT32_MAX, INT32_MAX}, 128, UINT64_MAX, false},  // more than 64 bits hold
        {{1 << 30, 1 << 30}, 128, UINT64_MAX, false},      // exactly 2^64: would wrap to 0 and fit
        {{0, 10}, 32, 0, false},
        {{10, -1}, 32, 0, false},
        {{10, 10}, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.decoded.cx << " x " << c.decoded.cy << " at " << c.bits);
        EXPECT_EQ(SystemDecodeBytes(c.decoded, c.bits), c.bytes);
        EXPECT_EQ(SystemDecodeFits(c.decoded, c.bits), c.fits);
    }
}

TEST(SystemDecoderBlock, TopDownTwentyFourBitHeaderAndTheBlockBound) {
    GlobalBlock block(NewBgrDibBlock(Size{5, 3}));
    ASSERT_TRUE(block);
    GlobalLockGuard lock(block.get());
    EXPECT_TRUE(DibBlockIsSound(lock.data(), GlobalBlockSize(block.get())));
    EXPECT_EQ(DibWidthOf(lock.data()), 5);
    EXPECT_EQ(DibHeightOf(lock.data()), 3);
    EXPECT_EQ(ReadLe16(lock.data() + 14), 24);
    EXPECT_EQ(static_cast<int32_t>(ReadLe32(lock.data() + 8)), -3);
    EXPECT_EQ(GlobalBlockSize(block.get()), 40u + 16u * 3u);
    EXPECT_EQ(NewBgrDibBlock(Size{0, 3}), nullptr);
    EXPECT_EQ(NewBgrDibBlock(Size{10000, 9000}), nullptr);  // 270 MB
}
