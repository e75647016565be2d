// JPEG decode into the bitmap block, in both output modes, on a 6000 x 4000 picture made at bench
// time, beside libjpeg-turbo's own djpeg -bmp on the same file.
//
//   bench_jpeg_decode [benchmark flags]      Google Benchmark run (the djpeg cases need djpeg)
//   bench_jpeg_decode --make FILE            write the test picture and exit
//   bench_jpeg_decode --once FILE 24|8       load once, print seconds and sizes (for time -v)
//
// The picture is written to $ORVANTA_BENCH_JPEG, else /tmp/orvanta-bench-6000x4000.jpg.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "core/picture/FileReader.h"
#include "core/picture/GlobalBlock.h"
#include "core/picture/JpegLoader.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

std::string PicturePath() {
    const char* path = std::getenv("ORVANTA_BENCH_JPEG");
    return path ? path : "/tmp/orvanta-bench-6000x4000.jpg";
}

// Smooth colour fields with fine noise: compresses like a photograph (several MB at quality 90).
bool MakePicture(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(kWidth * 3);
    uint32_t noise = 12345;
    while (cinfo.next_scanline < cinfo.image_height) {
        const double y = cinfo.next_scanline;
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int n = static_cast<int>((noise >> 24) % 17) - 8;
            const double r = 128 + 100 * std::sin(x / 700.0) * std::cos(y / 500.0);
            const double g = 128 + 90 * std::sin((x + y) / 900.0);
            const double b = 128 + 110 * std::cos(x / 300.0 - y / 800.0);
            const double rgb[3] = {r, g, b};
            for (int c = 0; c < 3; ++c) {
                const int v = static_cast<int>(rgb[c]) + n;
                row[x * 3 + c] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
    return true;
}

bool EnsurePicture() {
    const std::string path = PicturePath();
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return true;
    }
    return MakePicture(path);
}

void LoadBlock(benchmark::State& state) {
    const std::string path = PicturePath();
    const int paletteDisplay = state.range(0) == 8;
    uint64_t bytes = 0;
    for (auto _ : state) {
        orv::GlobalBlock block(orv::LoadJpegBlock(path.c_str(), paletteDisplay));
        if (!block) {
            state.SkipWithError("load failed");
            break;
        }
        bytes = orv::GlobalBlockSize(block.get());
    }
    state.counters["block_MiB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(LoadBlock)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// What pairing pays to learn a picture's upright size before anything is decoded: the header
// (and its Exif block) alone, the file opened afresh each time as the worker does.
void ReadSize(benchmark::State& state) {
    const std::string path = PicturePath();
    for (auto _ : state) {
        std::unique_ptr<orv::IFileReader> file = orv::OpenFileForReading(path.c_str());
        const std::optional<orv::Size> size = file ? orv::ReadJpegSize(*file) : std::nullopt;
        if (!size || size->cx != kWidth) {
            state.SkipWithError("no size");
            break;
        }
        benchmark::DoNotOptimize(size->cy);
    }
}
BENCHMARK(ReadSize)->Unit(benchmark::kMicrosecond)->UseRealTime();

void Djpeg(benchmark::State& state) {
    const std::string command = std::string("djpeg -bmp ") + (state.range(0) == 8 ? "-colors 256 " : "") +
                                "-outfile /dev/null '" + PicturePath() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("djpeg failed (is libjpeg-turbo-progs installed?)");
            break;
        }
    }
}
BENCHMARK(Djpeg)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

int LoadOnce(const char* path, int bits) {
    const auto start = std::chrono::steady_clock::now();
    orv::GlobalBlock block(orv::LoadJpegBlock(path, bits == 8));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!block) {
        std::fprintf(stderr, "load failed: %s\n", path);
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("seconds=%.3f block_bytes=%llu peak_rss_kb=%ld\n", seconds,
                static_cast<unsigned long long>(orv::GlobalBlockSize(block.get())), usage.ru_maxrss);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--make") == 0) return MakePicture(argv[2]) ? 0 : 1;
    if (argc == 4 && std::strcmp(argv[1], "--once") == 0) return LoadOnce(argv[2], std::atoi(argv[3]));
    if (!EnsurePicture()) {
        std::fprintf(stderr, "cannot write %s\n", PicturePath().c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
