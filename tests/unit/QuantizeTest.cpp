#include "core/picture/Quantize.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/picture/DibRules.h"
#include "core/picture/SystemDecoder.h"

using namespace orv;

namespace {

// A 24-bit top-down block of width x height whose pixel i is colours[i % n] (0xRRGGBB).
GlobalBlock BgrBlock(int width, int height, const std::vector<uint32_t>& colours) {
    GlobalBlock block(NewBgrDibBlock(Size{width, height}));
    GlobalLockGuard lock(block.get());
    const size_t stride = (size_t(width) * 3 + 3) / 4 * 4;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colours[size_t(y * width + x) % colours.size()];
            uint8_t* p = lock.data() + kInfoHeaderSize + stride * y + 3 * x;
            p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
        }
    return block;
}

// The colour each pixel is drawn in, from the 8-bit block's table.
std::vector<uint32_t> Drawn(GlobalHandle block) {
    GlobalLockGuard lock(block);
    const uint8_t* dib = lock.data();
    const int32_t width = DibWidthOf(dib), height = DibHeightOf(dib);
    const size_t stride = (size_t(width) + 3) / 4 * 4;
    std::vector<uint32_t> out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* e = dib + kInfoHeaderSize + 4 * dib[kInfoHeaderSize + 1024 + stride * y + x];
            out.push_back(uint32_t(e[2]) << 16 | e[1] << 8 | e[0]);
        }
    return out;
}

}  // namespace

TEST(QuantizeBgr, FewColoursKeepTheirOwnValuesAndManyStayClose) {
    std::vector<uint32_t> ramp;
    for (uint32_t i = 0; i < 4096; ++i)
        ramp.push_back((i & 0xF) << 20 | ((i >> 4) & 0xF) << 12 | (i >> 8) << 4);
    struct Case {
        const char* what;
        int width, height;
        std::vector<uint32_t> colours;
        int tolerance;  // largest channel error allowed
    };
    const Case cases[] = {
        {"one colour", 3, 2, {0x2858C8}, 0},
        {"four colours, odd width", 5, 3, {0xFF0000, 0x00FF00, 0x0000FF, 0x000000}, 0},
        {"256 well-spread colours", 16, 16, std::vector<uint32_t>(ramp.begin(), ramp.begin() + 256), 0},
        {"4096 colours", 64, 64, ramp, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GlobalBlock source = BgrBlock(c.width, c.height, c.colours);
        GlobalBlock block(QuantizeBgrBlock(source.get()));
        ASSERT_TRUE(block);
        {
            GlobalLockGuard lock(block.get());
            EXPECT_TRUE(DibBlockIsSound(lock.data(), GlobalBlockSize(block.get())));
            EXPECT_EQ(ReadLe16(lock.data() + 14), 8);
            EXPECT_EQ(DibWidthOf(lock.data()), c.width);
            EXPECT_EQ(DibHeightOf(lock.data()), c.height);
        }
        const std::vector<uint32_t> drawn = Drawn(block.get());
        int worst = 0;
        for (size_t i = 0; i < drawn.size(); ++i) {
            const uint32_t want = c.colours[i % c.colours.size()];
            for (int shift : {0, 8, 16})
                worst =
                    std::max(worst, std::abs(int((drawn[i] >> shift) & 0xFF) - int((want >> shift) & 0xFF)));
        }
        EXPECT_LE(worst, c.tolerance);
    }
}

TEST(QuantizeBgr, OnlyTwentyFourBitBlocks) {
    EXPECT_EQ(QuantizeBgrBlock(nullptr), nullptr);
    GlobalBlock source = BgrBlock(4, 4, {0x123456});
    GlobalBlock eight(QuantizeBgrBlock(source.get()));
    ASSERT_TRUE(eight);
    EXPECT_EQ(QuantizeBgrBlock(eight.get()), nullptr);
}
