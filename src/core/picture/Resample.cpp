#include "core/picture/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ORV_X86 1
// The x86 saver is built for any x86 CPU and runs the SSE2 code only where the CPU has it; its
// stack is 4-byte aligned where Windows calls in, so the SIMD functions realign their own.
#if defined(__i386__)
#define ORV_SSE2 __attribute__((target("sse2"), force_align_arg_pointer))
#define ORV_AVX2 __attribute__((target("avx2"), force_align_arg_pointer))
#else
#define ORV_SSE2 __attribute__((target("sse2")))
#define ORV_AVX2 __attribute__((target("avx2")))
#endif
#endif

namespace orv {

namespace {

// Bilinear weights: a pair of neighbours weighs (kOne - f, f), f in 0..kOne.
constexpr int kShift = 7;
constexpr int kOne = 1 << kShift;
// Two passes of 7-bit weights: the result carries 14 fraction bits.
constexpr int kRound = 1 << (2 * kShift - 1);

bool Usable(const ImageView& image) {
    return image.pixels && image.width > 0 && image.height > 0 && image.stride >= image.width;
}
bool Usable(const ImageSpan& screen) {
    return screen.pixels && screen.width > 0 && screen.height > 0 && screen.stride >= screen.width;
}

// The screen pixels along one axis whose centres lie in [t0, t1), limited to [lo, hi).
bool Covered(double t0, double t1, int lo, int hi, int& begin, int& end) {
    if (!std::isfinite(t0) || !std::isfinite(t1) || !(t1 > t0) || lo >= hi) return false;
    const double b = std::clamp(std::ceil(t0 - 0.5), static_cast<double>(lo), static_cast<double>(hi));
    const double e = std::clamp(std::ceil(t1 - 0.5), static_cast<double>(lo), static_cast<double>(hi));
    begin = static_cast<int>(b);
    end = static_cast<int>(e);
    return begin < end;
}

// One axis of a draw: for each screen pixel in [begin, end), the picture pixels it samples.
// Bilinear: index and index + 1 (clamped to the picture) weighted (kOne - weight, weight); where
// the picture has two pixels or more, index + 1 is always inside it, so the SIMD code loads the
// pair at once. Point: index alone.
struct Axis {
    std::vector<int> index;
    std::vector<int> next;
    std::vector<int> weight;
    int low = 0;   // the smallest picture pixel read
    int high = 0;  // the largest
};

// Screen pixel i's centre maps to picture coordinate s0 + (i + 0.5 - t0) * scale.
void PlanAxis(double s0, double s1, double t0, double t1, int begin, int end, int size, Sampling sampling,
              Axis& axis) {
    const int count = end - begin;
    axis.index.resize(count);
    axis.next.resize(count);
    axis.weight.resize(count);
    const double scale = (s1 - s0) / (t1 - t0);
    const double last = static_cast<double>(size - 1);
    axis.low = size - 1;
    axis.high = 0;
    for (int i = 0; i < count; ++i) {
        const double centre = s0 + (static_cast<double>(begin + i) + 0.5 - t0) * scale;
        int index = 0;
        int weight = 0;
        if (sampling == Sampling::kPoint) {
            const double at = std::floor(centre);  // NaN and infinities fall to the clamps below
            index = at >= last ? size - 1 : at > 0 ? static_cast<int>(at) : 0;
            axis.index[i] = axis.next[i] = index;
        } else {
            const double at = centre - 0.5;  // between the centres of two pixels
            if (size == 1 || !(at > 0)) {
                index = 0;
            } else if (at >= last) {
                index = size - 2;
                weight = kOne;
            } else {
                const double whole = std::floor(at);
                index = static_cast<int>(whole);
                weight = static_cast<int>(std::lround((at - whole) * kOne));
            }
            axis.index[i] = index;
            axis.next[i] = std::min(index + 1, size - 1);
        }
        axis.weight[i] = weight;
        axis.low = std::min(axis.low, index);
        axis.high = std::max(axis.high, axis.next[i]);
    }
}

inline uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

void PointRows(const ImageView& image, const ImageSpan& screen, int x0, const Axis& cols, int y0,
               const Axis& rows) {
    const size_t width = cols.index.size();
    bool straight = true;  // whole pixels at 1:1: each row is one copy
    for (size_t i = 1; i < width && straight; ++i)
        straight = cols.index[i] == cols.index[0] + static_cast<int>(i);
    for (size_t j = 0; j < rows.index.size(); ++j) {
        const uint32_t* from = image.pixels + static_cast<size_t>(rows.index[j]) * image.stride;
        uint32_t* to = screen.pixels + static_cast<size_t>(y0 + j) * screen.stride + x0;
        if (straight) {
            std::memcpy(to, from + cols.index[0], width * sizeof(uint32_t));
        } else {
            for (size_t i = 0; i < width; ++i)
                to[i] = from[cols.index[i]];
        }
    }
}

// Down the rows first, then across: the vertical pass keeps 15 bits a channel, the horizontal
// one ends in 14 fraction bits, rounded.
void BilinearRowsScalar(const ImageView& image, const ImageSpan& screen, int x0, const Axis& cols, int y0,
                        const Axis& rows) {
    const size_t width = cols.index.size();
    for (size_t j = 0; j < rows.index.size(); ++j) {
        const uint32_t* top = image.pixels + static_cast<size_t>(rows.index[j]) * image.stride;
        const uint32_t* bottom = image.pixels + static_cast<size_t>(rows.next[j]) * image.stride;
        const uint32_t wy = static_cast<uint32_t>(rows.weight[j]);
        uint32_t* to = screen.pixels + static_cast<size_t>(y0 + j) * screen.stride + x0;
        for (size_t i = 0; i < width; ++i) {
            const uint32_t a0 = top[cols.index[i]], a1 = top[cols.next[i]];
            const uint32_t b0 = bottom[cols.index[i]], b1 = bottom[cols.next[i]];
            const uint32_t wx = static_cast<uint32_t>(cols.weight[i]);
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const uint32_t left = Channel(a0, shift) * (kOne - wy) + Channel(b0, shift) * wy;
                const uint32_t right = Channel(a1, shift) * (kOne - wy) + Channel(b1, shift) * wy;
                out |= ((left * (kOne - wx) + right * wx + kRound) >> (2 * kShift)) << shift;
            }
            to[i] = out;
        }
    }
}

void BlendScalar(const uint32_t* from, const uint32_t* to, uint32_t* out, size_t count, uint32_t weight) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t pixel = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const uint32_t c = (Channel(from[i], shift) * (kBlendOne - weight) +
                                Channel(to[i], shift) * weight + kBlendOne / 2) >>
                               8;
            pixel |= c << shift;
        }
        out[i] = pixel;
    }
}

#if ORV_X86

// The vertical pass over the picture columns [low, high] of one row pair, into 16-bit channels.
ORV_SSE2 void VerticalSse2(const uint32_t* top, const uint32_t* bottom, int low, int high, int wy,
                           uint16_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i w0 = _mm_set1_epi16(static_cast<short>(kOne - wy));
    const __m128i w1 = _mm_set1_epi16(static_cast<short>(wy));
    int x = low;
    for (; x + 4 <= high + 1; x += 4, out += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + x));
        const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), w0),
                                         _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), w1));
        const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), w0),
                                         _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), w1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), hi);
    }
    for (; x <= high; ++x, out += 4)
        for (int c = 0; c < 4; ++c)
            out[c] =
                static_cast<uint16_t>(Channel(top[x], 8 * c) * (kOne - wy) + Channel(bottom[x], 8 * c) * wy);
}

// One screen pixel from the vertical pass: the pair at `pair` (8 channels) weighed by `weights`
// ((kOne - wx) in the low half of each 32-bit lane, wx in the high half).
ORV_SSE2 inline __m128i HorizontalSse2(const uint16_t* pair, __m128i weights) {
    const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pair));
    const __m128i interleaved = _mm_unpacklo_epi16(t, _mm_srli_si128(t, 8));
    const __m128i sum = _mm_add_epi32(_mm_madd_epi16(interleaved, weights), _mm_set1_epi32(kRound));
    return _mm_srai_epi32(sum, 2 * kShift);
}

ORV_SSE2 void BilinearRowsSse2(const ImageView& image, const ImageSpan& screen, int x0, const Axis& cols,
                               int y0, const Axis& rows) {
    const size_t width = cols.index.size();
    const int low = cols.low;
    const int high = cols.high;
    std::vector<uint16_t> vertical(static_cast<size_t>(high - low + 1) * 4);
    std::vector<int32_t> weights(width);
    for (size_t i = 0; i < width; ++i)
        weights[i] = static_cast<int32_t>((static_cast<uint32_t>(cols.weight[i]) << 16) |
                                          static_cast<uint32_t>(kOne - cols.weight[i]));
    for (size_t j = 0; j < rows.index.size(); ++j) {
        const uint32_t* top = image.pixels + static_cast<size_t>(rows.index[j]) * image.stride;
        const uint32_t* bottom = image.pixels + static_cast<size_t>(rows.next[j]) * image.stride;
        VerticalSse2(top, bottom, low, high, rows.weight[j], vertical.data());
        uint32_t* to = screen.pixels + static_cast<size_t>(y0 + j) * screen.stride + x0;
        const uint16_t* base = vertical.data() - static_cast<ptrdiff_t>(low) * 4;
        size_t i = 0;
        for (; i + 2 <= width; i += 2) {
            const __m128i p = HorizontalSse2(base + cols.index[i] * 4, _mm_set1_epi32(weights[i]));
            const __m128i q = HorizontalSse2(base + cols.index[i + 1] * 4, _mm_set1_epi32(weights[i + 1]));
            const __m128i packed = _mm_packs_epi32(p, q);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(to + i), _mm_packus_epi16(packed, packed));
        }
        if (i < width) {
            const __m128i p = HorizontalSse2(base + cols.index[i] * 4, _mm_set1_epi32(weights[i]));
            const __m128i packed = _mm_packs_epi32(p, p);
            to[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(packed, packed)));
        }
    }
}

ORV_AVX2 void VerticalAvx2(const uint32_t* top, const uint32_t* bottom, int low, int high, int wy,
                           uint16_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i w0 = _mm256_set1_epi16(static_cast<short>(kOne - wy));
    const __m256i w1 = _mm256_set1_epi16(static_cast<short>(wy));
    int x = low;
    // Each 256-bit unpack works on its two 128-bit halves: pixels 0-1 and 4-5 land in `lo`, 2-3
    // and 6-7 in `hi`; the permutes put them back in order.
    for (; x + 8 <= high + 1; x += 8, out += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + x));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottom + x));
        const __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(a, zero), w0),
                                            _mm256_mullo_epi16(_mm256_unpacklo_epi8(b, zero), w1));
        const __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(a, zero), w0),
                                            _mm256_mullo_epi16(_mm256_unpackhi_epi8(b, zero), w1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 16), _mm256_permute2x128_si256(lo, hi, 0x31));
    }
    VerticalSse2(top, bottom, x, high, wy, out);
}

// Two screen pixels from the vertical pass, one in each 128-bit half, as HorizontalSse2 does.
ORV_AVX2 inline __m256i HorizontalAvx2(const uint16_t* first, const uint16_t* second, __m256i weights) {
    const __m256i t = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(second)), 1);
    const __m256i interleaved = _mm256_unpacklo_epi16(t, _mm256_srli_si256(t, 8));
    const __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(interleaved, weights), _mm256_set1_epi32(kRound));
    return _mm256_srai_epi32(sum, 2 * kShift);
}

ORV_AVX2 void BilinearRowsAvx2(const ImageView& image, const ImageSpan& screen, int x0, const Axis& cols,
                               int y0, const Axis& rows) {
    const size_t width = cols.index.size();
    const int low = cols.low;
    const int high = cols.high;
    std::vector<uint16_t> vertical(static_cast<size_t>(high - low + 1) * 4);
    std::vector<int32_t> weights(width);
    for (size_t i = 0; i < width; ++i)
        weights[i] = static_cast<int32_t>((static_cast<uint32_t>(cols.weight[i]) << 16) |
                                          static_cast<uint32_t>(kOne - cols.weight[i]));
    const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    for (size_t j = 0; j < rows.index.size(); ++j) {
        const uint32_t* top = image.pixels + static_cast<size_t>(rows.index[j]) * image.stride;
        const uint32_t* bottom = image.pixels + static_cast<size_t>(rows.next[j]) * image.stride;
        VerticalAvx2(top, bottom, low, high, rows.weight[j], vertical.data());
        uint32_t* to = screen.pixels + static_cast<size_t>(y0 + j) * screen.stride + x0;
        const uint16_t* base = vertical.data() - static_cast<ptrdiff_t>(low) * 4;
        size_t i = 0;
        for (; i + 4 <= width; i += 4) {
            const __m256i w01 = _mm256_permutevar8x32_epi32(
                _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&weights[i]))),
                spread);
            const __m256i w23 = _mm256_permutevar8x32_epi32(
                _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&weights[i + 2]))),
                spread);
            const __m256i p01 = HorizontalAvx2(base + cols.index[i] * 4, base + cols.index[i + 1] * 4, w01);
            const __m256i p23 =
                HorizontalAvx2(base + cols.index[i + 2] * 4, base + cols.index[i + 3] * 4, w23);
            // Per half: [p0 p2 | p1 p3] as 16-bit, then as bytes; the permute orders p0 p1 p2 p3.
            const __m256i packed = _mm256_packs_epi32(p01, p23);
            const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(packed, packed), order);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm256_castsi256_si128(bytes));
        }
        for (; i < width; ++i) {
            const __m128i p = HorizontalSse2(base + cols.index[i] * 4, _mm_set1_epi32(weights[i]));
            const __m128i packed = _mm_packs_epi32(p, p);
            to[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(packed, packed)));
        }
    }
}

ORV_SSE2 void BlendSse2(const uint32_t* from, const uint32_t* to, uint32_t* out, size_t count,
                        uint32_t weight) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i wFrom = _mm_set1_epi16(static_cast<short>(kBlendOne - weight));
    const __m128i wTo = _mm_set1_epi16(static_cast<short>(weight));
    const __m128i half = _mm_set1_epi16(kBlendOne / 2);
    size_t i = 0;
    // Each 16-bit lane holds at most 255 * 256 + 128: unsigned 16-bit arithmetic is exact.
    for (; i + 4 <= count; i += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + i));
        __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), wFrom),
                                   _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), wTo));
        __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), wFrom),
                                   _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), wTo));
        lo = _mm_srli_epi16(_mm_add_epi16(lo, half), 8);
        hi = _mm_srli_epi16(_mm_add_epi16(hi, half), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
    BlendScalar(from + i, to + i, out + i, count - i, weight);
}

ORV_AVX2 void BlendAvx2(const uint32_t* from, const uint32_t* to, uint32_t* out, size_t count,
                        uint32_t weight) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i wFrom = _mm256_set1_epi16(static_cast<short>(kBlendOne - weight));
    const __m256i wTo = _mm256_set1_epi16(static_cast<short>(weight));
    const __m256i half = _mm256_set1_epi16(kBlendOne / 2);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to + i));
        __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(a, zero), wFrom),
                                      _mm256_mullo_epi16(_mm256_unpacklo_epi8(b, zero), wTo));
        __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(a, zero), wFrom),
                                      _mm256_mullo_epi16(_mm256_unpackhi_epi8(b, zero), wTo));
        lo = _mm256_srli_epi16(_mm256_add_epi16(lo, half), 8);
        hi = _mm256_srli_epi16(_mm256_add_epi16(hi, half), 8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(lo, hi));
    }
    BlendScalar(from + i, to + i, out + i, count - i, weight);
}

#endif

SimdLevel Resolve(SimdLevel level) {
    const SimdLevel best = BestSimdLevel();
    if (level == SimdLevel::kBest) return best;
    // A level the CPU lacks runs as the best it has.
    return static_cast<int>(level) > static_cast<int>(best) ? best : level;
}

}  // namespace

SimdLevel BestSimdLevel() {
#if ORV_X86
    static const SimdLevel best = __builtin_cpu_supports("avx2")   ? SimdLevel::kAvx2
                                  : __builtin_cpu_supports("sse2") ? SimdLevel::kSse2
                                                                   : SimdLevel::kScalar;
    return best;
#else
    return SimdLevel::kScalar;
#endif
}

void DrawImage(const ImageView& image, const RectF& source, const ImageSpan& screen, const RectF& target,
               const Rect& clip, Sampling sampling, SimdLevel level) {
    if (!Usable(image) || !Usable(screen)) return;
    if (!std::isfinite(source.left) || !std::isfinite(source.top) || !std::isfinite(source.right) ||
        !std::isfinite(source.bottom))
        return;
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!Covered(target.left, target.right, std::max(clip.left, 0), std::min(clip.right, screen.width), x0,
                 x1) ||
        !Covered(target.top, target.bottom, std::max(clip.top, 0), std::min(clip.bottom, screen.height), y0,
                 y1))
        return;
    Axis cols, rows;
    PlanAxis(source.left, source.right, target.left, target.right, x0, x1, image.width, sampling, cols);
    PlanAxis(source.top, source.bottom, target.top, target.bottom, y0, y1, image.height, sampling, rows);
    if (sampling == Sampling::kPoint) {
        PointRows(image, screen, x0, cols, y0, rows);
        return;
    }
#if ORV_X86
    // The SIMD passes load neighbour pairs whole, so they need two columns to load.
    const SimdLevel simd = Resolve(level);
    if (simd == SimdLevel::kAvx2 && image.width >= 2) {
        BilinearRowsAvx2(image, screen, x0, cols, y0, rows);
        return;
    }
    if (simd == SimdLevel::kSse2 && image.width >= 2) {
        BilinearRowsSse2(image, screen, x0, cols, y0, rows);
        return;
    }
#else
    (void)level;
#endif
    BilinearRowsScalar(image, screen, x0, cols, y0, rows);
}

Rect CoveredPixels(const ImageSpan& screen, const RectF& target, const Rect& clip) {
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!Usable(screen) ||
        !Covered(target.left, target.right, std::max(clip.left, 0), std::min(clip.right, screen.width), x0,
                 x1) ||
        !Covered(target.top, target.bottom, std::max(clip.top, 0), std::min(clip.bottom, screen.height), y0,
                 y1))
        return Rect{};
    return Rect{x0, y0, x1, y1};
}

uint32_t BlendWeightFor(double fraction) {
    if (!(fraction > 0)) return 0;
    if (fraction >= 1) return kBlendOne;
    return static_cast<uint32_t>(std::lround(fraction * kBlendOne));
}

void BlendRows(const uint32_t* from, const uint32_t* to, uint32_t* out, size_t count, uint32_t weight,
               SimdLevel level) {
    weight = std::min(weight, kBlendOne);
#if ORV_X86
    switch (Resolve(level)) {
    case SimdLevel::kAvx2:
        BlendAvx2(from, to, out, count, weight);
        return;
    case SimdLevel::kSse2:
        BlendSse2(from, to, out, count, weight);
        return;
    default:
        break;
    }
#else
    (void)level;
#endif
    BlendScalar(from, to, out, count, weight);
}

OwnedImage HalveImage(const ImageView& image) {
    OwnedImage half;
    if (!Usable(image)) return half;
    half.width = (image.width + 1) / 2;
    half.height = (image.height + 1) / 2;
    half.pixels.resize(static_cast<size_t>(half.width) * half.height);
    for (int y = 0; y < half.height; ++y) {
        const uint32_t* a = image.pixels + static_cast<size_t>(2 * y) * image.stride;
        const uint32_t* b =
            image.pixels + static_cast<size_t>(std::min(2 * y + 1, image.height - 1)) * image.stride;
        uint32_t* out = half.pixels.data() + static_cast<size_t>(y) * half.width;
        for (int x = 0; x < half.width; ++x) {
            const int l = 2 * x, r = std::min(2 * x + 1, image.width - 1);
            uint32_t pixel = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const uint32_t sum =
                    Channel(a[l], shift) + Channel(a[r], shift) + Channel(b[l], shift) + Channel(b[r], shift);
                pixel |= ((sum + 2) >> 2) << shift;
            }
            out[x] = pixel;
        }
    }
    return half;
}

}  // namespace orv
