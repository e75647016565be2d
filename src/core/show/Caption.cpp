#include "core/show/Caption.h"

#include <cstdint>

#include "core/framework/Unicode.h"
#include "core/show/Random.h"

namespace orv {

namespace {

// value / ratio truncated toward zero. A preview wider than the screen it shows (ratio below 1)
// enlarges; the result is held inside 32 bits.
int32_t ScaledDown(int32_t value, double ratio) {
    const double scaled = value / ratio;
    if (scaled >= 2147483647.0) return INT32_MAX;
    if (scaled <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(scaled);
}

int32_t ToInt32(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

std::string CaptionFileName(const std::string& picturePath) {
    // The last '.' anywhere in the path, folders included: a dotted folder with an extensionless
    // file still loses its tail. A trail byte of a double-byte character is never '.' (0x2E).
    const std::string::size_type dot = picturePath.rfind('.');
    std::string name = dot == std::string::npos ? picturePath : picturePath.substr(0, dot);
    name += ".txt";
    return name;
}

std::string ParseCaptionText(std::string_view bytes) {
    const std::string_view::size_type eof = bytes.find('\x1A');
    if (eof != std::string_view::npos) bytes = bytes.substr(0, eof);

    std::string caption;
    auto addLine = [&caption](std::string_view raw, bool endedByLineFeed) {
        // Text mode turns CR LF into LF; a lone CR elsewhere (the file's last byte too) stays.
        if (endedByLineFeed && !raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        // A line is a C string to the reader: a NUL byte ends its text.
        const std::string_view::size_type nul = raw.find('\0');
        if (nul != std::string_view::npos) raw = raw.substr(0, nul);
        if (caption.empty()) {
            caption.assign(raw);
        } else {
            caption += '\n';
            caption.append(raw);
        }
    };

    std::string_view::size_type start = 0;
    while (start < bytes.size()) {
        const std::string_view::size_type lf = bytes.find('\n', start);
        if (lf == std::string_view::npos) {
            addLine(bytes.substr(start), false);
            break;
        }
        addLine(bytes.substr(start, lf - start), true);
        start = lf + 1;
    }
    return caption;
}

EncodingDecision DecideTextEncoding(std::string_view bytes, bool complete) {
    const auto startsWith = [bytes](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (startsWith("\xEF\xBB\xBF")) return {TextEncoding::Utf8, 3};
    if (startsWith("\xFF\xFE")) return {TextEncoding::Utf16LE, 2};
    if (startsWith("\xFE\xFF")) return {TextEncoding::Utf16BE, 2};
    // What follows a 0x1A is past the end of the text, so it has no say in the encoding: an old
    // editor's padding after the end mark does not turn UTF-8 text into the code page's.
    const std::string_view::size_type eof = bytes.find('\x1A');
    if (eof != std::string_view::npos) {
        bytes = bytes.substr(0, eof);
        complete = true;
    }
    if (IsValidUtf8(bytes, !complete)) return {TextEncoding::Utf8, 0};
    return {TextEncoding::Legacy, 0};
}

std::string CaptionTextFromFile(std::string_view bytes, bool complete, const LegacyDecoder& legacy) {
    const EncodingDecision decision = DecideTextEncoding(bytes, complete);
    bytes.remove_prefix(decision.markBytes);
    std::string text;
    switch (decision.encoding) {
    case TextEncoding::Utf8:
        // Well-formed already, unless behind a mark (stray bytes are then drawn as U+FFFD) or
        // cut short by the reader (the cut character too; the bound below drops it anyway).
        text = decision.markBytes == 0 && complete ? std::string(bytes) : Utf16ToUtf8(Utf8ToUtf16(bytes));
        break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const bool little = decision.encoding == TextEncoding::Utf16LE;
        std::u16string units(bytes.size() / 2, u'\0');
        for (std::size_t k = 0; k < units.size(); ++k) {
            const auto b0 = static_cast<unsigned char>(bytes[2 * k]);
            const auto b1 = static_cast<unsigned char>(bytes[2 * k + 1]);
            units[k] = static_cast<char16_t>(little ? (b1 << 8) | b0 : (b0 << 8) | b1);
        }
        // A last odd byte is half a character: a mark of damage in a whole file, our own cut
        // otherwise (and then beyond the bound below anyway).
        if (complete && bytes.size() % 2 != 0) units += u'\xFFFD';
        text = Utf16ToUtf8(units);
        break;
    }
    case TextEncoding::Legacy:
        if (legacy) text = legacy(bytes);
        break;
    }
    text.resize(Utf8CutPoint(text, kMaxCaptionBytes));
    return ParseCaptionText(text);
}

Size CaptionBoxSize(Size text, bool preview, int32_t clientWidth, int32_t screenWidth) {
    Size box{text.cx + kCaptionMarginX, text.cy + kCaptionMarginY};
    if (preview) {
        if (clientWidth <= 0 || screenWidth <= 0) return Size{};
        const double ratio = static_cast<double>(screenWidth) / clientWidth;
        box.cx = ScaledDown(box.cx, ratio);
        box.cy = ScaledDown(box.cy, ratio);
    }
    return box;
}

Point PlaceCaption(Size client, const Rect& pictureRect, Size box, int random) {
    // 64-bit throughout: a box for a long text can be far larger than the window, and the product
    // with the random value larger still. Every result is then a position within 32 bits.
    const int64_t clientWidth = client.cx;
    const int64_t clientHeight = client.cy;
    const int64_t roomBelow = (clientHeight - pictureRect.Height()) / 2 - box.cy;
    const int64_t roomBeside = (clientWidth - pictureRect.Width()) / 2 - box.cx;
    auto scaled = [random](int64_t range) { return ToInt32(range * random / kRandomMax); };
    if (roomBelow < roomBeside) return Point{ToInt32(clientWidth - box.cx), scaled(clientHeight - box.cy)};
    return Point{scaled(clientWidth - box.cx), ToInt32(clientHeight - box.cy)};
}

}  // namespace orv
