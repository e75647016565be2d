#include "core/show/Caption.h"

#include <cstdint>

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
