#include "core/picture/Quantize.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "core/picture/DibRules.h"
#include "core/picture/JpegLoader.h"

namespace orv {
namespace {

constexpr int kBins = 1 << 15;  // 5 bits each of red, green and blue

int BinOf(const uint8_t* bgr) { return (bgr[2] >> 3) << 10 | (bgr[1] >> 3) << 5 | (bgr[0] >> 3); }

struct Histogram {
    std::vector<uint32_t> count = std::vector<uint32_t>(kBins);
    std::vector<uint64_t> sum = std::vector<uint64_t>(kBins * 3);  // red, green, blue totals
};

// A box of bins, its bounds in 5-bit steps per channel (red, green, blue), inclusive.
struct Box {
    int low[3];
    int high[3];
    uint64_t pixels = 0;
};

int Bin(int r, int g, int b) { return r << 10 | g << 5 | b; }

// Shrinks the box to the bins that hold pixels and counts them.
void Fit(Box& box, const Histogram& h) {
    int low[3] = {31, 31, 31}, high[3] = {0, 0, 0};
    box.pixels = 0;
    for (int r = box.low[0]; r <= box.high[0]; ++r)
        for (int g = box.low[1]; g <= box.high[1]; ++g)
            for (int b = box.low[2]; b <= box.high[2]; ++b) {
                const uint32_t n = h.count[Bin(r, g, b)];
                if (!n) continue;
                box.pixels += n;
                const int at[3] = {r, g, b};
                for (int c = 0; c < 3; ++c) {
                    low[c] = std::min(low[c], at[c]);
                    high[c] = std::max(high[c], at[c]);
                }
            }
    if (box.pixels == 0) return;
    for (int c = 0; c < 3; ++c) {
        box.low[c] = low[c];
        box.high[c] = high[c];
    }
}

// Splits box at the median of its longest side; false when it is one bin.
bool Split(Box& box, Box& other, const Histogram& h) {
    int side = 0;
    for (int c = 1; c < 3; ++c)
        if (box.high[c] - box.low[c] > box.high[side] - box.low[side]) side = c;
    if (box.high[side] == box.low[side]) return false;
    // Pixels per plane along that side, then the plane where half have been passed.
    std::vector<uint64_t> plane(32, 0);
    for (int r = box.low[0]; r <= box.high[0]; ++r)
        for (int g = box.low[1]; g <= box.high[1]; ++g)
            for (int b = box.low[2]; b <= box.high[2]; ++b) {
                const int at[3] = {r, g, b};
                plane[at[side]] += h.count[Bin(r, g, b)];
            }
    uint64_t passed = 0;
    int cut = box.low[side];
    for (int v = box.low[side]; v < box.high[side]; ++v) {
        passed += plane[v];
        cut = v;
        if (passed * 2 >= box.pixels) break;
    }
    other = box;
    box.high[side] = cut;
    other.low[side] = cut + 1;
    Fit(box, h);
    Fit(other, h);
    return true;
}

}  // namespace

GlobalHandle QuantizeBgrBlock(GlobalHandle bgr) {
    GlobalLockGuard source(bgr);
    if (!source || !DibHasInfoLayout(source.data()) || ReadLe16(source.data() + 14) != 24 ||
        ReadLe32(source.data() + 16) != 0)
        return nullptr;
    const int32_t width = DibWidthOf(source.data());
    const int32_t height = DibHeightOf(source.data());
    if (width <= 0 || height <= 0) return nullptr;
    const size_t inStride = (size_t(width) * 3 + 3) / 4 * 4;
    if (kInfoHeaderSize + inStride * size_t(height) > GlobalBlockSize(bgr)) return nullptr;
    const uint8_t* in = source.data() + kInfoHeaderSize;

    try {
        Histogram h;
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* p = in + inStride * size_t(y);
            for (int32_t x = 0; x < width; ++x, p += 3) {
                const int bin = BinOf(p);
                ++h.count[bin];
                h.sum[3 * bin] += p[2];
                h.sum[3 * bin + 1] += p[1];
                h.sum[3 * bin + 2] += p[0];
            }
        }
        // The box with the most pixels is split next, until there are 256 or none can be.
        std::vector<Box> boxes(1, Box{{0, 0, 0}, {31, 31, 31}, 0});
        Fit(boxes[0], h);
        while (boxes.size() < 256) {
            size_t best = boxes.size();
            for (size_t i = 0; i < boxes.size(); ++i) {
                const Box& b = boxes[i];
                const bool splittable =
                    b.low[0] != b.high[0] || b.low[1] != b.high[1] || b.low[2] != b.high[2];
                if (splittable && (best == boxes.size() || b.pixels > boxes[best].pixels)) best = i;
            }
            if (best == boxes.size()) break;
            Box other{};
            if (!Split(boxes[best], other, h)) break;
            boxes.push_back(other);
        }
        // Each entry is the mean colour of its box's pixels.
        std::vector<uint8_t> table(256 * 4, 0);
        size_t entries = 0;
        for (const Box& b : boxes) {
            uint64_t n = 0, r = 0, g = 0, bl = 0;
            for (int ri = b.low[0]; ri <= b.high[0]; ++ri)
                for (int gi = b.low[1]; gi <= b.high[1]; ++gi)
                    for (int bi = b.low[2]; bi <= b.high[2]; ++bi) {
                        const int bin = Bin(ri, gi, bi);
                        n += h.count[bin];
                        r += h.sum[3 * bin];
                        g += h.sum[3 * bin + 1];
                        bl += h.sum[3 * bin + 2];
                    }
            if (!n) continue;
            table[4 * entries] = uint8_t((bl + n / 2) / n);
            table[4 * entries + 1] = uint8_t((g + n / 2) / n);
            table[4 * entries + 2] = uint8_t((r + n / 2) / n);
            ++entries;
        }
        if (entries == 0) entries = 1;  // cannot happen for a picture of at least one pixel
        // The nearest entry for every bin that holds pixels, measured from the bin's mean colour.
        std::vector<uint8_t> nearest(kBins, 0);
        for (int bin = 0; bin < kBins; ++bin) {
            const uint32_t n = h.count[bin];
            if (!n) continue;
            const int r = int((h.sum[3 * bin] + n / 2) / n), g = int((h.sum[3 * bin + 1] + n / 2) / n),
                      b = int((h.sum[3 * bin + 2] + n / 2) / n);
            int bestDistance = INT32_MAX;
            for (size_t e = 0; e < entries; ++e) {
                const int db = b - table[4 * e], dg = g - table[4 * e + 1], dr = r - table[4 * e + 2];
                const int distance = dr * dr + dg * dg + db * db;
                if (distance < bestDistance) {
                    bestDistance = distance;
                    nearest[bin] = uint8_t(e);
                }
            }
        }

        const uint64_t bytes = JpegBlockBytes(uint32_t(width), uint32_t(height), 1, true);
        if (bytes > kMaxJpegBlockBytes) return nullptr;
        GlobalBlock block(AllocGlobalBlock(bytes));
        GlobalLockGuard lock(block.get());
        if (!lock) return nullptr;
        uint8_t* dib = lock.data();
        std::copy(source.data(), source.data() + kInfoHeaderSize, dib);
        WriteLe16(dib + 14, 8);
        std::copy(table.begin(), table.end(), dib + kInfoHeaderSize);
        const size_t outStride = (size_t(width) + 3) / 4 * 4;
        uint8_t* out = dib + kInfoHeaderSize + 256 * 4;
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* p = in + inStride * size_t(y);
            uint8_t* q = out + outStride * size_t(y);
            for (int32_t x = 0; x < width; ++x, p += 3)
                q[x] = nearest[BinOf(p)];
        }
        return block.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace orv
