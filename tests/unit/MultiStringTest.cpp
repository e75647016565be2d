#include "core/framework/MultiString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Texts = std::vector<std::u16string>;
using Bytes = std::vector<uint8_t>;

namespace {

// Little-endian bytes of the units, as the registry hands them over.
Bytes BytesOf(const std::u16string& units) {
    Bytes bytes;
    for (char16_t u : units) {
        bytes.push_back(static_cast<uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<uint8_t>(u >> 8));
    }
    return bytes;
}

TEST(TextsOfMultiString, WellFormedAndDamagedDataReadWithinItsBounds) {
    struct Case {
        const char* name;
        Bytes data;
        bool single;
        Texts texts;
    };
    Bytes odd = BytesOf(std::u16string(u"ab\0\0", 4));
    odd.push_back(0x41);
    Bytes cutUnit = BytesOf(u"ab");
    cutUnit.push_back(0x63);  // half of a third unit
    const Case cases[] = {
        {"two texts", BytesOf(std::u16string(u"C:\\a\0D:\\b\0\0", 11)), false, {u"C:\\a", u"D:\\b"}},
        {"non-ASCII units pass as they are",
         BytesOf(std::u16string(u"\u0444\u043E\u0442\u043E\0\0", 6)),
         false,
         {u"\u0444\u043E\u0442\u043E"}},
        {"empty data", {}, false, {}},
        {"a single zero unit", BytesOf(std::u16string(u"\0", 1)), false, {}},
        {"two zero units", BytesOf(std::u16string(u"\0\0", 2)), false, {}},
        {"an empty text first ends the list", BytesOf(std::u16string(u"\0a\0\0", 4)), false, {}},
        {"an empty text in the middle ends it", BytesOf(std::u16string(u"a\0\0b\0\0", 6)), false, {u"a"}},
        {"the final zero missing", BytesOf(std::u16string(u"a\0b\0", 4)), false, {u"a", u"b"}},
        {"both zeros missing", BytesOf(std::u16string(u"a\0bc", 4)), false, {u"a", u"bc"}},
        {"an odd length drops its last byte", odd, false, {u"ab"}},
        {"one byte alone", {0x41}, false, {}},
        {"a unit cut in half", cutUnit, false, {u"ab"}},
        {"text data: the first text", BytesOf(std::u16string(u"C:\\a\0junk\0", 10)), true, {u"C:\\a"}},
        {"text data without its zero", BytesOf(u"C:\\a"), true, {u"C:\\a"}},
        {"empty text data", BytesOf(std::u16string(u"\0", 1)), true, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(orv::TextsOfMultiString(c.data.data(), c.data.size(), c.single), c.texts) << c.name;
    EXPECT_EQ(orv::TextsOfMultiString(nullptr, 8), Texts{});
}

TEST(MultiStringOf, EachTextEndsInZeroAndTheListInAnotherEmptyTextsLeftOut) {
    EXPECT_EQ(orv::MultiStringOf({u"C:\\a", u"D:\\b"}), std::u16string(u"C:\\a\0D:\\b\0\0", 11));
    EXPECT_EQ(orv::MultiStringOf({u"", u"a", u""}), std::u16string(u"a\0\0", 3));
    EXPECT_EQ(orv::MultiStringOf({}), std::u16string(u"\0\0", 2));
    EXPECT_EQ(orv::MultiStringOf({u""}), std::u16string(u"\0\0", 2));
}

}  // namespace
