#include "core/show/Layout.h"

#include <cstdint>

namespace orv {

namespace {

// a * b / c in 64 bits, truncated toward zero. The products cannot overflow there for any
// picture size a header can state, and every result used is bounded by the client size.
int32_t MulDivTrunc(int32_t a, int32_t b, int32_t c) {
    return static_cast<int32_t>(static_cast<int64_t>(a) * b / c);
}

}  // namespace

Rect PictureRect(Size client, Size picture, Size screen, bool stretch, bool preview) {
    const int32_t pictureWidth = picture.cx;
    const int32_t pictureHeight = picture.cy;
    const int32_t clientWidth = client.cx;
    const int32_t clientHeight = client.cy;
    // Nothing to lay out; and a zero side must never reach the divisions below.
    if (pictureWidth <= 0 || pictureHeight <= 0) return Rect{};

    // A picture that would not fit is stretched whatever the setting says. A preview judges
    // against the real screen, whose miniature it is.
    if (preview) {
        if (pictureWidth > screen.cx || pictureHeight > screen.cy) stretch = true;
    } else if (pictureWidth > clientWidth || pictureHeight > clientHeight) {
        stretch = true;
    }

    int32_t w = 0;
    int32_t h = 0;
    if (stretch) {
        // The height-bound width is compared before it is narrowed: for a very wide picture it
        // does not fit in 32 bits, and that is exactly the case that takes the other branch.
        const int64_t heightBoundWidth = static_cast<int64_t>(clientHeight) * pictureWidth / pictureHeight;
        if (heightBoundWidth > clientWidth) {
            w = clientWidth;
            h = MulDivTrunc(pictureHeight, clientWidth, pictureWidth);
        } else {
            w = static_cast<int32_t>(heightBoundWidth);
            h = clientHeight;
        }
    } else if (preview) {
        if (clientWidth <= 0 || screen.cx <= 0) return Rect{};
        const double ratio = static_cast<double>(screen.cx) / clientWidth;
        w = static_cast<int32_t>(pictureWidth / ratio);
        h = static_cast<int32_t>(pictureHeight / ratio);
    } else {
        w = pictureWidth;
        h = pictureHeight;
    }

    const int32_t left = (clientWidth - w) / 2;
    const int32_t top = (clientHeight - h) / 2;
    return Rect{left, top, left + w, top + h};
}

}  // namespace orv
