// The platform's own cost of a picture, for bench/png_slides.sh: decodes frame 0 of a file through
// the imaging component COUNT times, whole, at the frame's own pixel format, and prints the CPU
// time per decode and the peak working set. No scaling, no conversion, no drawing.
//
//   WicDecode.exe FILE [COUNT]
#include <windows.h>
#include <psapi.h>
#include <wincodec.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return (double(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const int count = argc > 2 ? std::atoi(argv[2]) : 1;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))))
        return 1;
    wchar_t path[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH);
    const double start = CpuSeconds();
    UINT width = 0, height = 0;
    for (int i = 0; i < count; ++i) {
        IWICBitmapDecoder* decoder = nullptr;
        IWICBitmapFrameDecode* frame = nullptr;
        WICPixelFormatGUID format;
        IWICComponentInfo* info = nullptr;
        IWICPixelFormatInfo* pixel = nullptr;
        UINT bits = 0;
        if (FAILED(factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ,
                                                      WICDecodeMetadataCacheOnDemand, &decoder)) ||
            FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&width, &height)) ||
            FAILED(frame->GetPixelFormat(&format)) || FAILED(factory->CreateComponentInfo(format, &info)) ||
            FAILED(info->QueryInterface(IID_IWICPixelFormatInfo, reinterpret_cast<void**>(&pixel))) ||
            FAILED(pixel->GetBitsPerPixel(&bits)))
            return 1;
        const UINT stride = (width * bits + 31) / 32 * 4;
        std::vector<BYTE> pixels(size_t(stride) * height);
        if (FAILED(frame->CopyPixels(nullptr, stride, UINT(pixels.size()), pixels.data()))) return 1;
        pixel->Release();
        info->Release();
        frame->Release();
        decoder->Release();
    }
    const double cpu = (CpuSeconds() - start) / count;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("%ux%u %.4f %llu\n", width, height, cpu,
                static_cast<unsigned long long>(memory.PeakWorkingSetSize));
    factory->Release();
    CoUninitialize();
    return 0;
}
