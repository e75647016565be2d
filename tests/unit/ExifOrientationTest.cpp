#include "core/picture/ExifOrientation.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "JpegBuilder.h"

using namespace orv;

namespace {

int Parse(const std::vector<uint8_t>& payload) { return ExifOrientationOf(payload.data(), payload.size()); }

}  // namespace

TEST(ExifOrientation, EachValueInEitherByteOrder) {
    for (bool big : {false, true}) {
        for (uint16_t value = 1; value <= 8; ++value) {
            ExifSpec spec;
            spec.bigEndian = big;
            spec.value = value;
            spec.entries = 3;
            EXPECT_EQ(Parse(ExifPayload(spec)), value) << (big ? "MM " : "II ") << value;
        }
    }
}

TEST(ExifOrientation, BrokenBlocksGiveNoOrientation) {
    struct Case {
        const char* what;
        std::function<void(ExifSpec&)> change;
        int want;
    };
    const std::vector<Case> cases = {
        {"value 0", [](ExifSpec& s) { s.value = 0; }, 0},
        {"value 9", [](ExifSpec& s) { s.value = 9; }, 0},
        {"value 0xFFFF, big-endian", [](ExifSpec& s) { s.value = 0xFFFF, s.bigEndian = true; }, 0},
        {"a LONG instead of a SHORT", [](ExifSpec& s) { s.type = 4; }, 0},
        {"two values", [](ExifSpec& s) { s.count = 2; }, 0},
        {"no orientation entry", [](ExifSpec& s) { s.tag = 0x0131; }, 0},
        {"directory past the segment", [](ExifSpec& s) { s.ifdOffset = 1000, s.offsetLies = true; }, 0},
        {"directory offset near 2^32", [](ExifSpec& s) { s.ifdOffset = 0xFFFFFFF0u, s.offsetLies = true; },
         0},
        {"directory offset 0 (the header itself)", [](ExifSpec& s) { s.ifdOffset = 0; }, 0},
        {"directory offset 4 (inside the header)", [](ExifSpec& s) { s.ifdOffset = 4; }, 0},
        {"count claims more entries than the segment holds",
         [](ExifSpec& s) {
             s.entries = 100;
             s.writeEntries = 2;
         },
         0},
        {"count 0xFFFF", [](ExifSpec& s) { s.entries = 0xFFFF, s.writeEntries = 1; }, 0},
        // The chain is not followed: a directory that names itself as the next one ends nothing,
        // and the first directory's value still counts.
        {"next directory loops to itself",
         [](ExifSpec& s) {
             s.value = 6;
             s.nextIfd = 8;
         },
         6},
        {"next directory far outside",
         [](ExifSpec& s) {
             s.value = 3;
             s.nextIfd = 0x7FFFFFFF;
         },
         3},
        {"directory at an odd offset further on", [](ExifSpec& s) { s.ifdOffset = 31, s.value = 8; }, 8},
    };
    for (const Case& c : cases) {
        ExifSpec spec;
        spec.value = 5;
        c.change(spec);
        EXPECT_EQ(Parse(ExifPayload(spec)), c.want) << c.what;
    }
}

TEST(ExifOrientation, EveryTruncationGivesNoOrientation) {
    for (bool big : {false, true}) {
        ExifSpec spec;
        spec.bigEndian = big;
        spec.value = 6;
        spec.entries = 2;
        const std::vector<uint8_t> whole = ExifPayload(spec);
        // The directory must be whole; only the next-directory link after it may be missing.
        const size_t valueEnd = whole.size() - 4;
        for (size_t n = 0; n < valueEnd; ++n) {
            // A copy of exactly n bytes, so the sanitizer sees any read past it.
            const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n));
            EXPECT_EQ(ExifOrientationOf(n ? cut.data() : nullptr, n), 0) << "cut at " << n;
        }
        EXPECT_EQ(ExifOrientationOf(whole.data(), valueEnd), 6);
    }
}

TEST(ExifOrientation, OtherSegmentsAreNotExif) {
    ExifSpec spec;
    spec.value = 6;
    std::vector<uint8_t> payload = ExifPayload(spec);
    std::vector<uint8_t> xmp = payload;
    xmp[0] = 'h';  // "http://ns.adobe.com/xap/1.0/" segments share APP1
    EXPECT_EQ(Parse(xmp), 0);
    std::vector<uint8_t> mixedOrder = payload;
    mixedOrder[7] = 'M';  // "IM"
    EXPECT_EQ(Parse(mixedOrder), 0);
    std::vector<uint8_t> notTiff = payload;
    notTiff[8] = 43;  // magic 43
    EXPECT_EQ(Parse(notTiff), 0);
    EXPECT_EQ(ExifOrientationOf(nullptr, 100), 0);
}
