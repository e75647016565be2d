// The caption reader on arbitrary file bytes (the encoding decision and the text rules), the
// UTF-8 conversions, and the layout and caption arithmetic on arbitrary
// sizes within what the window system and the picture headers can deliver.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/framework/Unicode.h"
#include "core/show/Caption.h"
#include "core/show/Layout.h"

namespace {

int32_t Take(const uint8_t*& data, size_t& size, int32_t lo, int32_t hi) {
    uint32_t v = 0;
    const size_t n = size < 4 ? size : 4;
    std::memcpy(&v, data, n);
    data += n;
    size -= n;
    const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(hi) - lo) + 1;
    return static_cast<int32_t>(lo + static_cast<int64_t>(v % span));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string caption = orv::ParseCaptionText(bytes);
    // The text never holds what ends a file or a line's text, and never starts with a blank line.
    if (caption.find('\x1A') != std::string::npos || caption.find('\0') != std::string::npos) std::abort();
    if (!caption.empty() && caption.front() == '\n') std::abort();
    if (caption.size() > size) std::abort();

    // Decoded in whatever encoding the bytes suggest, with a Latin-1 stand-in for the code page:
    // the caption is always well-formed UTF-8 within the bound, under the same rules.
    const std::string decoded = orv::CaptionTextFromFile(bytes, size % 3 != 0, [&](std::string_view raw) {
        std::u16string units;
        for (unsigned char c : raw)
            units += static_cast<char16_t>(c);
        return orv::Utf16ToUtf8(units);
    });
    if (!orv::IsValidUtf8(decoded) || decoded.size() > orv::kMaxCaptionBytes) std::abort();
    if (decoded.find('\x1A') != std::string::npos || decoded.find('\0') != std::string::npos) std::abort();
    if (!decoded.empty() && decoded.front() == '\n') std::abort();
    // Well-formed UTF-8 goes to UTF-16 and back unchanged.
    if (orv::IsValidUtf8(bytes) && orv::Utf16ToUtf8(orv::Utf8ToUtf16(bytes)) != bytes) std::abort();

    const uint8_t* p = data;
    size_t left = size;
    const orv::Size client{Take(p, left, 0, 32767), Take(p, left, 0, 32767)};
    const orv::Size screen{Take(p, left, 1, 32767), Take(p, left, 1, 32767)};
    const orv::Size picture{Take(p, left, -1, INT32_MAX), Take(p, left, -1, INT32_MAX)};
    const bool stretch = Take(p, left, 0, 1) != 0;
    const bool preview = Take(p, left, 0, 1) != 0;
    const orv::Rect rect = orv::PictureRect(client, picture, screen, stretch, preview);
    if (rect.Width() < 0 || rect.Height() < 0) std::abort();
    // A stretched picture, or one shown full screen, never leaves the client area.
    if ((stretch || !preview) && (rect.Width() > client.cx || rect.Height() > client.cy)) std::abort();

    // Text measured for at most 64 KiB of caption: a few million pixels either way.
    const orv::Size text{Take(p, left, 0, 1 << 22), Take(p, left, 0, 1 << 22)};
    const orv::Size box = orv::CaptionBoxSize(text, preview, client.cx, screen.cx);
    const orv::Point pt = orv::PlaceCaption(client, rect, box, Take(p, left, 0, 32767));
    (void)pt;
    return 0;
}
