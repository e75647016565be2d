#include "core/picture/Orientation.h"

#include <gtest/gtest.h>

#include <vector>

using namespace orv;

namespace {

// Stored 3 x 2, one byte a pixel:  1 2 3
//                                  4 5 6
const uint8_t kStored[2][3] = {{1, 2, 3}, {4, 5, 6}};
constexpr size_t kRowBytes = 4;  // upright rows padded to four bytes; the pad must stay 0

std::vector<uint8_t> Turn(int orientation, size_t pixelBytes = 1) {
    const Size stored{3, 2};
    const Size upright = UprightSize(stored, orientation);
    const size_t rowBytes = kRowBytes * pixelBytes;
    std::vector<uint8_t> out(rowBytes * static_cast<size_t>(upright.cy), 0);
    std::vector<uint8_t> row(3 * pixelBytes);
    for (int32_t y = 0; y < 2; ++y) {
        for (size_t x = 0; x < 3; ++x)
            for (size_t b = 0; b < pixelBytes; ++b)
                row[x * pixelBytes + b] = static_cast<uint8_t>(kStored[y][x] * 10 * b + kStored[y][x]);
        PlaceStoredRow(row.data(), y, stored, orientation, pixelBytes, out.data(), rowBytes);
    }
    return out;
}

}  // namespace

TEST(Orientation, EachValueTurnsTheStoredPixelsUpright) {
    // Drawn by hand: what the eye should see after the turn the tag asks for.
    struct Case {
        int orientation;
        Size size;
        std::vector<uint8_t> rows;  // padded to 4 bytes
    };
    const std::vector<Case> cases = {
        {1, {3, 2}, {1, 2, 3, 0, /**/ 4, 5, 6, 0}},
        {2, {3, 2}, {3, 2, 1, 0, /**/ 6, 5, 4, 0}},
        {3, {3, 2}, {6, 5, 4, 0, /**/ 3, 2, 1, 0}},
        {4, {3, 2}, {4, 5, 6, 0, /**/ 1, 2, 3, 0}},
        {5, {2, 3}, {1, 4, 0, 0, /**/ 2, 5, 0, 0, /**/ 3, 6, 0, 0}},
        {6, {2, 3}, {4, 1, 0, 0, /**/ 5, 2, 0, 0, /**/ 6, 3, 0, 0}},
        {7, {2, 3}, {6, 3, 0, 0, /**/ 5, 2, 0, 0, /**/ 4, 1, 0, 0}},
        {8, {2, 3}, {3, 6, 0, 0, /**/ 2, 5, 0, 0, /**/ 1, 4, 0, 0}},
        // Unknown values leave the picture as stored.
        {0, {3, 2}, {1, 2, 3, 0, /**/ 4, 5, 6, 0}},
        {9, {3, 2}, {1, 2, 3, 0, /**/ 4, 5, 6, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        EXPECT_EQ(UprightSize(Size{3, 2}, c.orientation), c.size);
        EXPECT_EQ(Turn(c.orientation), c.rows);
    }
}

TEST(Orientation, ThreeBytePixelsMoveWhole) {
    // Pixel n holds n, 11n, 21n; turned 90 degrees clockwise (6) the top row is 4 then 1.
    const std::vector<uint8_t> want = {
        4, 44, 84,  1, 11, 21, 0, 0, 0, 0, 0, 0,  //
        5, 55, 105, 2, 22, 42, 0, 0, 0, 0, 0, 0,  //
        6, 66, 126, 3, 33, 63, 0, 0, 0, 0, 0, 0,  //
    };
    EXPECT_EQ(Turn(6, 3), want);
}

TEST(Orientation, OnePixelWideRowsStayInside) {
    // Stored 1 x 2 (7 above 9): a one-pixel row has no neighbour to take a step from. Worked by
    // hand, rows padded to four bytes; turned ones are 2 x 1, one row.
    struct Case {
        int orientation;
        std::vector<uint8_t> rows;
    };
    const Case cases[] = {
        {1, {7, 0, 0, 0, /**/ 9, 0, 0, 0}}, {2, {7, 0, 0, 0, /**/ 9, 0, 0, 0}},
        {3, {9, 0, 0, 0, /**/ 7, 0, 0, 0}}, {4, {9, 0, 0, 0, /**/ 7, 0, 0, 0}},
        {5, {7, 9, 0, 0, /**/ 0, 0, 0, 0}}, {6, {9, 7, 0, 0, /**/ 0, 0, 0, 0}},
        {7, {9, 7, 0, 0, /**/ 0, 0, 0, 0}}, {8, {7, 9, 0, 0, /**/ 0, 0, 0, 0}},
    };
    const Size stored{1, 2};
    for (const Case& c : cases) {
        std::vector<uint8_t> out(4 * 2, 0);
        for (int32_t y = 0; y < 2; ++y) {
            const uint8_t row[1] = {static_cast<uint8_t>(y == 0 ? 7 : 9)};
            PlaceStoredRow(row, y, stored, c.orientation, 1, out.data(), 4);
        }
        EXPECT_EQ(out, c.rows) << "orientation " << c.orientation;
    }
}
