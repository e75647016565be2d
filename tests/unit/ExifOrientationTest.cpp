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
            ExifFields fields;
            fields.bigEndian = big;
            fields.value = value;
            fields.entries = 3;
            EXPECT_EQ(Parse(ExifPayload(fields)), value) << (big ? "MM " : "II ") << value;
        }
    }
}

TEST(ExifOrientation, BrokenBlocksGiveNoOrientation) {
    struct Case {
        const char* what;
        std::function<void(ExifFields&)> change;
        int want;
    };
    const std::vector<Case> cases = {
        {"value 0", [](ExifFields& s) { s.value = 0; }, 0},
        {"value 9", [](ExifFields& s) { s.value = 9; }, 0},
        {"value 0xFFFF, big-endian", [](ExifFields& s) { s.value = 0xFFFF, s.bigEndian = true; }, 0},
        {"a LONG instead of a SHORT", [](ExifFields& s) { s.type = 4; }, 0},
        {"two values", [](ExifFields& s) { s.count = 2; }, 0},
        {"no orientation entry", [](ExifFields& s) { s.tag = 0x0131; }, 0},
        {"directory past the segment", [](ExifFields& s) { s.ifdOffset = 1000, s.offsetLies = true; }, 0},
        {"directory offset near 2^32", [](ExifFields& s) { s.ifdOffset = 0xFFFFFFF0u, s.offsetLies = true; },
         0},
        {"directory offset 0 (the header itself)", [](ExifFields& s) { s.ifdOffset = 0; }, 0},
        {"directory offset 4 (inside the header)", [](ExifFields& s) { s.ifdOffset = 4; }, 0},
        {"count claims more entries than the segment holds",
         [](ExifFields& s) {
             s.entries = 100;
             s.writeEntries = 2;
         },
         0},
        {"count 0xFFFF", [](ExifFields& s) { s.entries = 0xFFFF, s.writeEntries = 1; }, 0},
        // The chain is not followed: a directory that names itself as the next one ends nothing,
        // and the first directory's value still counts.
        {"next directory loops to itself",
         [](ExifFields& s) {
             s.value = 6;
             s.nextIfd = 8;
         },
         6},
        {"next directory far outside",
         [](ExifFields& s) {
             s.value = 3;
             s.nextIfd = 0x7FFFFFFF;
         },
         3},
        {"directory at an odd offset further on", [](ExifFields& s) { s.ifdOffset = 31, s.value = 8; }, 8},
    };
    for (const Case& c : cases) {
        ExifFields fields;
        fields.value = 5;
        c.change(fields);
        EXPECT_EQ(Parse(ExifPayload(fields)), c.want) << c.what;
    }
}

TEST(ExifOrientation, EveryTruncationGivesNoOrientation) {
    for (bool big : {false, true}) {
        ExifFields fields;
        fields.bigEndian = big;
        fields.value = 6;
        fields.entries = 2;
        const std::vector<uint8_t> whole = ExifPayload(fields);
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
    ExifFields fields;
    fields.value = 6;
    std::vector<uint8_t> payload = ExifPayload(fields);
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
