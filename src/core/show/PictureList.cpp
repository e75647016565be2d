#include "core/show/PictureList.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/framework/Ascii.h"

namespace orv {
namespace {

// Reads one character of a path for the ordering: a single byte folded to lower case, or, in a
// double-byte code page, a lead byte with its trail as one 16-bit value. Returns -1 at the end.
// A lead byte with nothing after it ends the string, as the runtime's multibyte compare treats a
// lead byte followed by the terminating zero.
int32_t NextSortChar(const std::string& s, size_t& i, LeadByteTest isLeadByte) {
    if (i >= s.size()) return -1;
    const unsigned char c = static_cast<unsigned char>(s[i++]);
    if (isLeadByte != nullptr && isLeadByte(c)) {
        if (i >= s.size()) return -1;
        const unsigned char trail = static_cast<unsigned char>(s[i++]);
        return static_cast<int32_t>((static_cast<uint32_t>(c) << 8) | trail);
    }
    return FoldAscii(c);
}

}  // namespace

std::string NormalizeFolder(std::string folder) {
    // Exactly one: "C:\" becomes "C:" (the drive root), "a\\" keeps one backslash.
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

int CompareNoCase(const std::string& a, const std::string& b, LeadByteTest isLeadByte) {
    if (isLeadByte == nullptr) {
        // Single-byte code page: the common case, and the sort's inner loop, so kept tight.
        const size_t common = std::min(a.size(), b.size());
        for (size_t k = 0; k < common; ++k) {
            const unsigned char ca = FoldAscii(static_cast<unsigned char>(a[k]));
            const unsigned char cb = FoldAscii(static_cast<unsigned char>(b[k]));
            if (ca != cb) return ca < cb ? -1 : 1;
        }
        return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    }
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        const int32_t ca = NextSortChar(a, i, isLeadByte);
        const int32_t cb = NextSortChar(b, j, isLeadByte);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca < 0) return 0;
    }
}

void ShufflePictures(std::vector<std::string>& pictures, const OrderDraw& draw) {
    FairShuffle(pictures, draw);
}

}  // namespace orv
