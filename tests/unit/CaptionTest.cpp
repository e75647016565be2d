#include "core/show/Caption.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "core/framework/Unicode.h"

using orv::CaptionBoxSize;
using orv::CaptionFileName;
using orv::ParseCaptionText;
using orv::PlaceCaption;
using orv::Point;
using orv::Rect;
using orv::Size;

TEST(CaptionFileName, CutsBeforeTheLastDotAndAppendsTxt) {
    EXPECT_EQ(CaptionFileName("C:\\Pictures\\Beach.jpg"), "C:\\Pictures\\Beach.txt");
    EXPECT_EQ(CaptionFileName("C:\\Pictures\\Beach.old.bmp"), "C:\\Pictures\\Beach.old.txt");
    EXPECT_EQ(CaptionFileName("C:\\Pictures\\noextension"), "C:\\Pictures\\noextension.txt");
    // The last dot of the whole path, even in a folder name.
    EXPECT_EQ(CaptionFileName("C:\\My.Pictures\\noextension"), "C:\\My.txt");
}

TEST(ParseCaptionText, FollowsTheTextFileRules) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"CR LF line ends", "first\r\nsecond\r\n", "first\nsecond"},
        {"middle line empty stays", "one\n\nthree\n", "one\n\nthree"},
        {"leading empty lines dropped", "\n\nword\n", "word"},
        {"leading CR LF lines dropped", "\r\n\r\nword\r\n", "word"},
        {"trailing empty lines stay", "a\n\n\n", "a\n\n"},
        {"last line without line end", "a\nb", "a\nb"},
        {"0x1A ends the file",
         "before\x1A"
         "after\n",
         "before"},
        {"0x1A at the start",
         "\x1A"
         "text",
         ""},
        {"empty file", "", ""},
        {"only empty lines", "\r\n\n\r\n", ""},
        {"lone CR stays", "a\rb\n", "a\rb"},
        {"CR at the very end stays", "a\r", "a\r"},
        {"only the CR before LF goes", "a\r\r\n", "a\r"},
        {"NUL ends a line's text", std::string("ab\0cd\nef", 8), "ab\nef"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseCaptionText(c.bytes), c.expected) << c.what;
}

TEST(CaptionBoxSize, AddsMarginsAndScalesInPreview) {
    EXPECT_EQ(CaptionBoxSize({80, 20}, false, 800, 800), (Size{100, 30}));
    // 100-pixel preview of a 1000-pixel screen: (180 + 20) / 10 and (13 + 10) / 10, truncated.
    EXPECT_EQ(CaptionBoxSize({180, 13}, true, 100, 1000), (Size{20, 2}));
    EXPECT_EQ(CaptionBoxSize({180, 13}, true, 0, 1000), (Size{0, 0}));
    // A preview far wider than its screen enlarges; the size stays within 32 bits.
    EXPECT_EQ(CaptionBoxSize({4000000, 13}, true, 32767, 1), (Size{INT32_MAX, 753641}));
}

TEST(PlaceCaption, WideMarginsAboveAndBelowPutTheBoxAtTheBottom) {
    // 800 x 600, picture 800 x 400 at (0, 100), box 100 x 30: room below 70, beside -100.
    const Rect picture{0, 100, 800, 500};
    struct Case {
        int random;
        Point expected;
    };
    const Case cases[] = {
        {0, {0, 570}}, {1, {0, 570}}, {100, {2, 570}}, {16384, {350, 570}}, {32767, {700, 570}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 30}, c.random), c.expected) << c.random;
}

TEST(PlaceCaption, WideMarginsBesidePutTheBoxAtTheRight) {
    // Picture 400 x 600 at (200, 0): room below -30, beside 100.
    const Rect picture{200, 0, 600, 600};
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 30}, 0), (Point{700, 0}));
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 30}, 16384), (Point{700, 285}));
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 30}, 32767), (Point{700, 570}));
}

TEST(PlaceCaption, NoPictureAndTiesGoToTheBottom) {
    // Load failure on 800 x 600, box 300 x 30: room below 270, beside 100.
    EXPECT_EQ(PlaceCaption({800, 600}, Rect{}, {300, 30}, 32767), (Point{500, 570}));
    // Box 200 x 100: 200 and 200, a tie.
    EXPECT_EQ(PlaceCaption({800, 600}, Rect{}, {200, 100}, 32767), (Point{600, 500}));
}

TEST(PlaceCaption, BoxLargerThanTheWindowGoesNegative) {
    const Rect picture{0, 100, 800, 500};
    // Room below -900, beside -100: right edge, random height in 600 - 1000 = -400.
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 1000}, 32767), (Point{700, -400}));
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 1000}, 16384), (Point{700, -200}));
    // A box far taller than 32 bits of (height x random) allow.
    EXPECT_EQ(PlaceCaption({800, 600}, picture, {100, 800000}, 32767), (Point{700, -799400}));
}

namespace {

// A stand-in for the platform's Windows-1252 decoder: enough of it for these tests.
std::string From1252(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c == 0x80) {
            out += "\xE2\x82\xAC";  // the euro sign
        } else if (c >= 0xA0) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += "?";
        }
    }
    return out;
}

}  // namespace

TEST(DecideTextEncoding, MarksThenUtf8ValidityThenTheLegacyCodePage) {
    using orv::TextEncoding;
    struct Case {
        const char* what;
        std::string bytes;
        bool complete;
        TextEncoding encoding;
        size_t mark;
    };
    const Case cases[] = {
        {"empty", "", true, TextEncoding::Utf8, 0},
        {"ASCII", "Beach at dawn", true, TextEncoding::Utf8, 0},
        {"UTF-8 mark", "\xEF\xBB\xBFx", true, TextEncoding::Utf8, 3},
        {"UTF-8 mark before invalid bytes", "\xEF\xBB\xBF\xE9", true, TextEncoding::Utf8, 3},
        {"UTF-16 LE mark", "\xFF\xFEx\0", true, TextEncoding::Utf16LE, 2},
        {"UTF-16 BE mark", std::string("\xFE\xFF\0x", 4), true, TextEncoding::Utf16BE, 2},
        // Half a mark is no mark: these are code-page text (y with diaeresis, thorn) or bad UTF-8.
        {"0xFF without 0xFE", "\xFFzz", true, TextEncoding::Legacy, 0},
        {"0xFF alone", "\xFF", true, TextEncoding::Legacy, 0},
        {"0xFF 0xFF", "\xFF\xFF", true, TextEncoding::Legacy, 0},
        {"0xFE without 0xFF", "\xFEzz", true, TextEncoding::Legacy, 0},
        {"UTF-8 mark cut short", "\xEF\xBBzz", true, TextEncoding::Legacy, 0},
        {"well-formed UTF-8", "caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x8C\x85", true, TextEncoding::Utf8, 0},
        {"Windows-1252 e acute", "caf\xE9", true, TextEncoding::Legacy, 0},
        {"overlong slash C0 AF", "\xC0\xAF", true, TextEncoding::Legacy, 0},
        {"overlong E0 80 AF", "\xE0\x80\xAF", true, TextEncoding::Legacy, 0},
        {"overlong F0 80 80 AF", "\xF0\x80\x80\xAF", true, TextEncoding::Legacy, 0},
        {"surrogate U+D800", "\xED\xA0\x80", true, TextEncoding::Legacy, 0},
        {"surrogate U+DFFF", "\xED\xBF\xBF", true, TextEncoding::Legacy, 0},
        {"U+D7FF is no surrogate", "\xED\x9F\xBF", true, TextEncoding::Utf8, 0},
        {"above U+10FFFF", "\xF4\x90\x80\x80", true, TextEncoding::Legacy, 0},
        {"U+10FFFF", "\xF4\x8F\xBF\xBF", true, TextEncoding::Utf8, 0},
        {"F5 lead", "\xF5\x80\x80\x80", true, TextEncoding::Legacy, 0},
        {"stray continuation", "a\x80", true, TextEncoding::Legacy, 0},
        {"truncated at the end of the file", "a\xE6\x97", true, TextEncoding::Legacy, 0},
        {"truncated in the middle", "\xE6\x97z", true, TextEncoding::Legacy, 0},
        {"cut by the reader's bound", "a\xE6\x97", false, TextEncoding::Utf8, 0},
        {"cut, but wrong so far", "a\xE6z", false, TextEncoding::Legacy, 0},
        {"cut overlong start", "a\xE0\x80", false, TextEncoding::Legacy, 0},
        {"UTF-8 up to 0x1A, junk after it", "caf\xC3\xA9\x1A\xE9\xFF", true, TextEncoding::Utf8, 0},
        {"UTF-16 LE without a mark", std::string("x\0y\0", 4), true, TextEncoding::Utf8, 0},
    };
    for (const Case& c : cases) {
        const orv::EncodingDecision d = orv::DecideTextEncoding(c.bytes, c.complete);
        EXPECT_EQ(d.encoding, c.encoding) << c.what;
        EXPECT_EQ(d.markBytes, c.mark) << c.what;
    }
}

TEST(CaptionTextFromFile, OneTextInEveryEncodingGivesTheSameCaption) {
    // "Café — €5" over two lines, then an empty line and a last line.
    const std::string want =
        "Caf\xC3\xA9 \xE2\x80\x94 \xE2\x82\xAC"
        "5\nline two\n\nend";
    const std::string utf8 =
        "Caf\xC3\xA9 \xE2\x80\x94 \xE2\x82\xAC"
        "5\r\nline two\r\n\r\nend\r\n";
    std::string le = "\xFF\xFE";
    std::string be = "\xFE\xFF";
    for (char16_t u : orv::Utf8ToUtf16(utf8)) {
        le += static_cast<char>(u & 0xFF);
        le += static_cast<char>(u >> 8);
        be += static_cast<char>(u >> 8);
        be += static_cast<char>(u & 0xFF);
    }
    // The legacy decoder here knows only the euro sign and Latin-1; the dash goes in as UTF-8 so
    // that the bytes are not valid UTF-8 as a whole (E9) yet decode to the same text.
    const auto legacy = [](std::string_view bytes) {
        std::string out;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\x97') {
                out += "\xE2\x80\x94";
            } else {
                out += From1252(bytes.substr(i, 1));
            }
        }
        return out;
    };
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"UTF-8", utf8},
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + utf8},
        {"UTF-16 LE with a mark", le},
        {"UTF-16 BE with a mark", be},
        {"Windows-1252",
         "Caf\xE9 \x97 \x80"
         "5\r\nline two\r\n\r\nend\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(orv::CaptionTextFromFile(c.bytes, true, legacy), want) << c.what;
}

TEST(CaptionTextFromFile, TextFileRulesApplyToTheDecodedText) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string expected;
    };
    const auto le = [](std::u16string_view units) {
        std::string out = "\xFF\xFE";
        for (char16_t u : units) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        }
        return out;
    };
    const Case cases[] = {
        // U+041A (K) is 1A 04 in UTF-16 LE: its 0x1A byte is no end of file.
        {"UTF-16 Cyrillic with a 0x1A byte", le(u"\u041A\u043E\u0442"), "\xD0\x9A\xD0\xBE\xD1\x82"},
        {"UTF-16 U+001A ends the file", le(u"ab\u001Acd"), "ab"},
        {"UTF-16 CR LF and leading empty lines", le(u"\r\n\r\nx\r\ny"), "x\ny"},
        {"UTF-16 NUL ends a line's text", le(std::u16string(u"ab\0cd\nef", 8)), "ab\nef"},
        {"UTF-16 unpaired surrogate", le(u"a\xD800z"), "a\xEF\xBF\xBDz"},
        {"UTF-16 odd last byte", le(u"ab") + "c", "ab\xEF\xBF\xBD"},
        {"UTF-16 surrogate pair", le(u"\xD83C\xDF05"), "\xF0\x9F\x8C\x85"},
        {"UTF-8 mark with a stray byte",
         "\xEF\xBB\xBF"
         "a\xFFz",
         "a\xEF\xBF\xBDz"},
        {"UTF-8 mark only", "\xEF\xBB\xBF", ""},
        {"1252 with 0x1A",
         "caf\xE9\x1A"
         "after",
         "caf\xC3\xA9"},
        {"1252 CR LF", "\xE9\r\n\xE8\r\n", "\xC3\xA9\n\xC3\xA8"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(orv::CaptionTextFromFile(c.bytes, true, From1252), c.expected) << c.what;
}

TEST(CaptionTextFromFile, BoundCutsTheDecodedTextAtACharacterEdge) {
    struct Case {
        const char* what;
        std::string bytes;
        bool complete;
        size_t expectedSize;
    };
    // 2 + 65533 ASCII then a three-byte character: it would end at 65538, so it is left out.
    const std::string nearBound = "ab" + std::string(65533, 'x') + "\xE6\x97\xA5" + "tail";
    // A UTF-8 file read up to the reader's bound, cut inside a character there.
    std::string cutUtf8 = std::string(orv::kCaptionReadBytes - 1, 'y') + "\xE6";
    // UTF-16 LE of 70,000 ASCII characters, read up to the bound: 65,536 of them stay.
    std::string wide = "\xFF\xFE";
    for (size_t i = 0; wide.size() < orv::kCaptionReadBytes; ++i)
        wide += (i % 2 == 0) ? 'w' : '\0';
    const Case cases[] = {
        {"exactly the bound", std::string(orv::kMaxCaptionBytes, 'a'), true, orv::kMaxCaptionBytes},
        {"character across the bound", nearBound, true, 65535},
        {"UTF-8 cut by the read", cutUtf8, false, orv::kMaxCaptionBytes},
        {"UTF-16 read to its bound", wide, false, orv::kMaxCaptionBytes},
        {"1252 doubled by decoding", std::string(orv::kMaxCaptionBytes, '\xE9'), true, orv::kMaxCaptionBytes},
    };
    for (const Case& c : cases) {
        const std::string text = orv::CaptionTextFromFile(c.bytes, c.complete, From1252);
        EXPECT_EQ(text.size(), c.expectedSize) << c.what;
        EXPECT_TRUE(orv::IsValidUtf8(text)) << c.what;
    }
}
