// The CPU back-end's frame work: one screen of pan and zoom (a picture decoded 1.25 times the
// screen's size, drawn at a moving fractional offset, as the presenter draws it at zoom 1.0, the
// costliest), and the blend of two screens during a crossfade. Scalar against SIMD, on one core
// and with the rows split over two (as the renderer's pool does), at 1920 x 1080 and 3840 x 2160.
//
//   build/bench/bench/bench_resample --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "core/picture/Resample.h"

namespace {

struct Frame {
    int width, height;
    std::vector<uint32_t> picture, screen, other, out;
    int pictureWidth, pictureHeight;
    Frame(int w, int h)
        : width(w),
          height(h),
          screen(size_t(w) * h),
          other(size_t(w) * h, 0x00336699u),
          out(size_t(w) * h),
          pictureWidth(w * 5 / 4),
          pictureHeight(h * 5 / 4) {
        picture.resize(size_t(pictureWidth) * pictureHeight);
        for (size_t i = 0; i < picture.size(); ++i)
            picture[i] = static_cast<uint32_t>(i * 2654435761u);
    }
};

// Runs body(top, bottom) over `threads` bands of rows, the last on this thread.
template <class Body>
void Split(int height, int threads, Body body) {
    std::vector<std::thread> others;
    for (int t = 0; t + 1 < threads; ++t)
        others.emplace_back([=] { body(height * t / threads, height * (t + 1) / threads); });
    body(height * (threads - 1) / threads, height);
    for (std::thread& t : others)
        t.join();
}

void Resample(benchmark::State& state, int width, int height, orv::SimdLevel level) {
    const int threads = static_cast<int>(state.range(0));
    Frame f(width, height);
    const orv::ImageView picture{f.picture.data(), f.pictureWidth, f.pictureHeight, f.pictureWidth};
    const orv::ImageSpan screen{f.screen.data(), width, height, width};
    double offset = 0;
    for (auto _ : state) {
        // A slow drift: about a third of a pixel a frame, never whole.
        const orv::RectF source{offset, offset * 0.6, offset + f.pictureWidth - 2,
                                offset * 0.6 + f.pictureHeight - 2};
        Split(height, threads, [&](int top, int bottom) {
            orv::DrawImage(picture, source, screen, {0, 0, double(width), double(height)},
                           orv::Rect{0, top, width, bottom}, orv::Sampling::kBilinear, level);
        });
        benchmark::DoNotOptimize(f.screen.data());
        offset += 0.337;
        if (offset > 1.9) offset -= 1.9;
    }
    state.SetItemsProcessed(state.iterations() * int64_t(width) * height);
}

void Blend(benchmark::State& state, int width, int height, orv::SimdLevel level) {
    const int threads = static_cast<int>(state.range(0));
    Frame f(width, height);
    uint32_t weight = 1;
    for (auto _ : state) {
        Split(height, threads, [&](int top, int bottom) {
            const size_t first = size_t(top) * width, count = size_t(bottom - top) * width;
            orv::BlendRows(f.picture.data() + first, f.other.data() + first, f.out.data() + first, count,
                           weight, level);
        });
        benchmark::DoNotOptimize(f.out.data());
        weight = weight % 255 + 1;
    }
    state.SetBytesProcessed(state.iterations() * int64_t(width) * height * 12);
}

void Point(benchmark::State& state, int width, int height) {
    // The still picture at 1:1: row copies.
    Frame f(width, height);
    const orv::ImageView picture{f.picture.data(), f.pictureWidth, f.pictureHeight, f.pictureWidth};
    const orv::ImageSpan screen{f.screen.data(), width, height, width};
    for (auto _ : state) {
        orv::DrawImage(picture, {7, 5, 7.0 + width, 5.0 + height}, screen,
                       {0, 0, double(width), double(height)}, orv::Rect{0, 0, width, height},
                       orv::Sampling::kPoint);
        benchmark::DoNotOptimize(f.screen.data());
    }
}

}  // namespace

// One core, and (Arg 2) the rows split over two threads, whose CPU time counts whole.
#define ORV_ONE_CORE ->Arg(1)->Unit(benchmark::kMillisecond)
#define ORV_SPLIT ->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)
// clang-format off
BENCHMARK_CAPTURE(Resample, 1080p_scalar, 1920, 1080, orv::SimdLevel::kScalar) ORV_ONE_CORE;
BENCHMARK_CAPTURE(Resample, 1080p_sse2, 1920, 1080, orv::SimdLevel::kSse2) ORV_SPLIT;
BENCHMARK_CAPTURE(Resample, 1080p_avx2, 1920, 1080, orv::SimdLevel::kAvx2) ORV_SPLIT;
BENCHMARK_CAPTURE(Resample, 2160p_scalar, 3840, 2160, orv::SimdLevel::kScalar) ORV_ONE_CORE;
BENCHMARK_CAPTURE(Resample, 2160p_sse2, 3840, 2160, orv::SimdLevel::kSse2) ORV_SPLIT;
BENCHMARK_CAPTURE(Resample, 2160p_avx2, 3840, 2160, orv::SimdLevel::kAvx2) ORV_SPLIT;
BENCHMARK_CAPTURE(Blend, 1080p_scalar, 1920, 1080, orv::SimdLevel::kScalar) ORV_ONE_CORE;
BENCHMARK_CAPTURE(Blend, 1080p_sse2, 1920, 1080, orv::SimdLevel::kSse2) ORV_SPLIT;
BENCHMARK_CAPTURE(Blend, 1080p_avx2, 1920, 1080, orv::SimdLevel::kAvx2) ORV_SPLIT;
BENCHMARK_CAPTURE(Blend, 2160p_scalar, 3840, 2160, orv::SimdLevel::kScalar) ORV_ONE_CORE;
BENCHMARK_CAPTURE(Blend, 2160p_sse2, 3840, 2160, orv::SimdLevel::kSse2) ORV_SPLIT;
BENCHMARK_CAPTURE(Blend, 2160p_avx2, 3840, 2160, orv::SimdLevel::kAvx2) ORV_SPLIT;
BENCHMARK_CAPTURE(Point, 1080p, 1920, 1080)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Point, 2160p, 3840, 2160)->Unit(benchmark::kMillisecond);
// clang-format on

BENCHMARK_MAIN();
