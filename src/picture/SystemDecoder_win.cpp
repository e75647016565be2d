// The "other" formats through the Windows Imaging Component (windowscodecs): PNG, GIF, TIFF, JPEG XR
// and whatever else the system has decoders for (HEIC, WebP, AVIF, JPEG XL once their codecs are
// installed). Every call brings COM for itself (ComScope) and releases every interface before it
// returns, so the loader is right on any thread: on the show's worker, whose thread main holds the
// multithreaded apartment for the thread's life, the call's scope keeps that one.
#include "framework/ComPtr.h"

#include <wincodec.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/picture/DibRules.h"
#include "core/picture/FileReader.h"
#include "core/picture/Orientation.h"
#include "core/picture/Quantize.h"
#include "core/picture/SystemDecoder.h"

// mingw-w64's wincodec.h lacks the decoders' reduced-size interface; declared here as the
// platform SDK has it (vtable order matters).
MIDL_INTERFACE("3B16811B-6A43-4ec9-B713-3D5A0C13B940")
IWICBitmapSourceTransform : public IUnknown {
public:
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(
        const WICRect* prc, UINT uiWidth, UINT uiHeight, WICPixelFormatGUID* pguidDstFormat,
        WICBitmapTransformOptions dstTransform, UINT nStride, UINT cbBufferSize, BYTE* pbBuffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT * puiWidth, UINT * puiHeight) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID * pguidDstFormat) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions dstTransform,
                                                           BOOL * pfIsSupported) = 0;
};

namespace orv {
namespace {

const IID kIidSourceTransform = {
    0x3B16811B, 0x6A43, 0x4ec9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

// A read-only stream over the file layer, for the decoders. It reads through the reader it was
// made with, which lives as long as the call; the call releases every decoder before it returns.
class ReaderStream final : public IStream {
public:
    ReaderStream(IFileReader& file, uint64_t length) : m_file(file), m_length(length) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
        if (read) *read = 0;
        if (!buffer) return STG_E_INVALIDPOINTER;
        size_t got = 0;
        if (!m_file.Read(buffer, count, got)) return STG_E_READFAULT;
        m_position += got;
        if (read) *read = static_cast<ULONG>(got);
        return got < count ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
        if (written) *written = 0;
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        int64_t base = 0;
        switch (origin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<int64_t>(m_position);
            break;
        case STREAM_SEEK_END:
            base = static_cast<int64_t>(m_length);
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        // Both within the 63 bits a file length can have, so the sum cannot wrap.
        if (move.QuadPart > 0 ? base > INT64_MAX - move.QuadPart : base + move.QuadPart < 0)
            return STG_E_INVALIDFUNCTION;
        const uint64_t target = static_cast<uint64_t>(base + move.QuadPart);
        if (!m_file.Seek(target)) return STG_E_SEEKERROR;
        m_position = target;
        if (position) position->QuadPart = target;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        std::memset(stat, 0, sizeof *stat);
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = m_length;
        stat->grfMode = STGM_READ | STGM_SHARE_DENY_WRITE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }

private:
    ~ReaderStream() = default;  // only Release deletes

    LONG m_refs = 1;
    IFileReader& m_file;
    uint64_t m_length;
    uint64_t m_position = 0;
};

ComPtr<IWICImagingFactory> MakeFactory() {
    ComPtr<IWICImagingFactory> factory;
    ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                       factory.PutVoid());
    return factory;
}

std::vector<std::string> QueryDecoderExtensions() {
    std::vector<std::string> lists;
    ComScope com;
    if (!com) return lists;
    ComPtr<IWICImagingFactory> factory = MakeFactory();
    if (!factory) return lists;
    ComPtr<IEnumUnknown> decoders;
    if (FAILED(
            factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, decoders.Put())) ||
        !decoders)
        return lists;
    for (;;) {
        ComPtr<IUnknown> item;
        ULONG fetched = 0;
        if (decoders->Next(1, item.Put(), &fetched) != S_OK || fetched != 1) break;
        ComPtr<IWICBitmapCodecInfo> info = QueryAs<IWICBitmapCodecInfo>(item, IID_IWICBitmapCodecInfo);
        UINT length = 0;
        if (!info || FAILED(info->GetFileExtensions(0, nullptr, &length)) || length == 0 || length > 4096)
            continue;
        std::vector<WCHAR> text(length + 1, L'\0');
        if (FAILED(info->GetFileExtensions(length, text.data(), &length))) continue;
        // Extensions are ASCII; anything else can match none of the fixed list.
        std::string list;
        for (const WCHAR* p = text.data(); *p; ++p)
            list += *p < 0x80 ? static_cast<char>(*p) : '?';
        lists.push_back(std::move(list));
    }
    return lists;
}

// The frame's orientation (1 to 8) where its decoder exposes it, else 1.
int FrameOrientation(IWICBitmapFrameDecode* frame) {
    ComPtr<IWICMetadataQueryReader> reader;
    if (FAILED(frame->GetMetadataQueryReader(reader.Put())) || !reader) return 1;
    for (const wchar_t* name : {L"System.Photo.Orientation", L"/ifd/{ushort=274}"}) {
        PROPVARIANT value;
        ::PropVariantInit(&value);
        int orientation = 0;
        if (SUCCEEDED(reader->GetMetadataByName(name, &value))) {
            if (value.vt == VT_UI2) orientation = value.uiVal;
            if (value.vt == VT_UI4) orientation = static_cast<int>(value.ulVal & 0xFFFF);
            if (value.vt == VT_I4 || value.vt == VT_INT) orientation = value.lVal;
        }
        ::PropVariantClear(&value);
        if (orientation >= 1 && orientation <= 8) return orientation;
    }
    return 1;
}

// Bits per pixel of a pixel format; 0 when the component cannot tell.
UINT BitsPerPixel(IWICImagingFactory* factory, REFWICPixelFormatGUID format) {
    ComPtr<IWICComponentInfo> info;
    if (FAILED(factory->CreateComponentInfo(format, info.Put())) || !info) return 0;
    ComPtr<IWICPixelFormatInfo> pixel = QueryAs<IWICPixelFormatInfo>(info, IID_IWICPixelFormatInfo);
    UINT bits = 0;
    if (!pixel || FAILED(pixel->GetBitsPerPixel(&bits))) return 0;
    return bits;
}

// Formats of 8-bit channels and no alpha, which every system's scaler takes as they are.
bool IsOpaqueByteFormat(REFWICPixelFormatGUID format) {
    for (const GUID* opaque : {&GUID_WICPixelFormat24bppBGR, &GUID_WICPixelFormat24bppRGB,
                               &GUID_WICPixelFormat32bppBGR, &GUID_WICPixelFormat8bppGray})
        if (format == *opaque) return true;
    return false;
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

// Everything the decode holds, released in reverse order, COM last.
GlobalHandle Decode(IFileReader& file, const DrawSizeFn& drawSize, Size* pictureSize) {
    ComScope com;
    if (!com) return nullptr;
    uint64_t length = 0;
    if (!file.GetLength(length)) return nullptr;
    ComPtr<IWICImagingFactory> factory = MakeFactory();
    if (!factory) return nullptr;
    ComPtr<IStream> stream(new ReaderStream(file, length));
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.Put())) ||
        !decoder)
        return nullptr;
    // An animated picture shows its first frame.
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.Put())) || !frame) return nullptr;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > INT32_MAX ||
        height > INT32_MAX)
        return nullptr;

    const int orientation = FrameOrientation(frame.Get());
    const Size stored{static_cast<int32_t>(width), static_cast<int32_t>(height)};
    const Size upright = UprightSize(stored, orientation);
    // The size to hand out, in the stored orientation: what is drawn, never more than the picture.
    Size target = stored;
    if (drawSize) {
        const Size drawn = UprightSize(drawSize(upright), orientation);
        if (drawn.cx > 0 && drawn.cy > 0)
            target = Size{Clamp(drawn.cx, 1, stored.cx), Clamp(drawn.cy, 1, stored.cy)};
    }

    // What the decode will hold, judged before anything is decoded: the decoder's own reduced
    // size where it has one, else the whole frame, at its own pixel format or the 32 bits of the
    // working format, whichever is wider.
    ComPtr<IWICBitmapSource> source;
    Size decoded = stored;
    ComPtr<IWICBitmapSourceTransform> transform =
        QueryAs<IWICBitmapSourceTransform>(frame, kIidSourceTransform);
    if (transform) {
        UINT w = static_cast<UINT>(target.cx);
        UINT h = static_cast<UINT>(target.cy);
        if (SUCCEEDED(transform->GetClosestSize(&w, &h)) && w > 0 && h > 0 && w <= width && h <= height)
            decoded = Size{static_cast<int32_t>(w), static_cast<int32_t>(h)};
        else
            transform.Reset();
    }
    WICPixelFormatGUID format{};
    if (FAILED(frame->GetPixelFormat(&format))) return nullptr;
    UINT bits = BitsPerPixel(factory.Get(), format);
    if (bits == 0) bits = 128;  // unknown: as wide as any format is
    if (!SystemDecodeFits(decoded, bits < 32 ? 32 : bits)) return nullptr;

    ComPtr<IWICBitmap> reduced;  // the decoder's own reduced decode, when there is one
    if (transform && (decoded.cx != stored.cx || decoded.cy != stored.cy)) {
        WICPixelFormatGUID reducedFormat = GUID_WICPixelFormat32bppPBGRA;
        if (FAILED(transform->GetClosestPixelFormat(&reducedFormat))) return nullptr;
        const UINT reducedBits = BitsPerPixel(factory.Get(), reducedFormat);
        if (reducedBits == 0 || !SystemDecodeFits(decoded, reducedBits)) return nullptr;
        const uint64_t stride = SystemDecodeBytes(Size{decoded.cx, 1}, reducedBits);
        const uint64_t bytes = SystemDecodeBytes(decoded, reducedBits);
        std::unique_ptr<BYTE[]> pixels(new (std::nothrow) BYTE[bytes]);
        if (!pixels) return nullptr;
        if (FAILED(transform->CopyPixels(nullptr, UINT(decoded.cx), UINT(decoded.cy), &reducedFormat,
                                         WICBitmapTransformRotate0, UINT(stride), UINT(bytes),
                                         pixels.get())) ||
            FAILED(factory->CreateBitmapFromMemory(UINT(decoded.cx), UINT(decoded.cy), reducedFormat,
                                                   UINT(stride), UINT(bytes), pixels.get(), reduced.Put())) ||
            !reduced)
            return nullptr;
        source = QueryAs<IWICBitmapSource>(reduced, IID_IWICBitmapSource);
    } else {
        source = QueryAs<IWICBitmapSource>(frame, IID_IWICBitmapSource);
    }
    if (!source) return nullptr;

    // Premultiplied: a pixel over black is its colour as it stands. 16-bit channels, grey,
    // palettes and CMYK all come out as 8-bit blue, green, red. A picture without transparency is
    // scaled first and only the drawn pixels are converted; one with it is premultiplied first,
    // so that the scaler does not bleed the colour of transparent pixels into their neighbours.
    WICPixelFormatGUID sourceFormat{};
    if (FAILED(source->GetPixelFormat(&sourceFormat))) return nullptr;
    const bool scaleFirst = IsOpaqueByteFormat(sourceFormat);
    const bool scale = target.cx != decoded.cx || target.cy != decoded.cy;
    ComPtr<IWICBitmapScaler> scaler;
    ComPtr<IWICFormatConverter> converter;
    for (int step = 0; step < 2; ++step) {
        if ((step == 0) == scaleFirst) {
            if (!scale) continue;
            if (FAILED(factory->CreateBitmapScaler(scaler.Put())) || !scaler ||
                FAILED(scaler->Initialize(source.Get(), UINT(target.cx), UINT(target.cy),
                                          WICBitmapInterpolationModeFant)))
                return nullptr;
            source = QueryAs<IWICBitmapSource>(scaler, IID_IWICBitmapSource);
        } else {
            if (FAILED(factory->CreateFormatConverter(converter.Put())) || !converter ||
                FAILED(converter->Initialize(source.Get(), GUID_WICPixelFormat32bppPBGRA,
                                             WICBitmapDitherTypeNone, nullptr, 0.0,
                                             WICBitmapPaletteTypeCustom)))
                return nullptr;
            source = QueryAs<IWICBitmapSource>(converter, IID_IWICBitmapSource);
        }
        if (!source) return nullptr;
    }

    const Size output = UprightSize(target, orientation);
    GlobalBlock block(NewBgrDibBlock(output));
    if (!block) return nullptr;
    {
        GlobalLockGuard lock(block.get());
        if (!lock) return nullptr;
        uint8_t* rows = DibBitsOf(lock.data());
        const size_t rowBytes = static_cast<size_t>(SystemDecodeBytes(Size{output.cx, 1}, 24));
        // Strips of about 4 MiB: few calls into the component, little memory beside the block.
        const UINT stride = UINT(target.cx) * 4;
        const UINT stripRows = Clamp(static_cast<int32_t>((4u << 20) / stride), 1, target.cy);
        std::unique_ptr<BYTE[]> strip(new (std::nothrow) BYTE[size_t(stride) * stripRows]);
        std::unique_ptr<uint8_t[]> scratch;
        if (orientation != 1) scratch.reset(new (std::nothrow) uint8_t[size_t(target.cx) * 3]);
        if (!strip || (orientation != 1 && !scratch)) return nullptr;
        for (int32_t y = 0; y < target.cy; y += static_cast<int32_t>(stripRows)) {
            const int32_t n = Clamp(target.cy - y, 0, static_cast<int32_t>(stripRows));
            const WICRect rect{0, y, target.cx, n};
            if (FAILED(source->CopyPixels(&rect, stride, stride * UINT(n), strip.get()))) return nullptr;
            for (int32_t i = 0; i < n; ++i) {
                const uint8_t* from = strip.get() + size_t(stride) * i;
                if (orientation == 1) {
                    PremultipliedRowToBgr(from, size_t(target.cx), rows + rowBytes * size_t(y + i));
                } else {
                    PremultipliedRowToBgr(from, size_t(target.cx), scratch.get());
                    PlaceStoredRow(scratch.get(), y + i, target, orientation, 3, rows, rowBytes);
                }
            }
        }
    }
    if (pictureSize) *pictureSize = upright;
    return block.release();
}

}  // namespace

const std::vector<std::string>& SystemDecoderExtensionLists() {
    // Asked once per process; a function-local static is made once, and other threads wait.
    static const std::vector<std::string> lists = [] {
        try {
            return QueryDecoderExtensions();
        } catch (const std::bad_alloc&) {
            return std::vector<std::string>();
        }
    }();
    return lists;
}

std::optional<Size> ReadSystemDecodedSize(IFileReader& file) {
    try {
        ComScope com;
        if (!com) return std::nullopt;
        uint64_t length = 0;
        if (!file.GetLength(length)) return std::nullopt;
        ComPtr<IWICImagingFactory> factory = MakeFactory();
        if (!factory) return std::nullopt;
        ComPtr<IStream> stream(new ReaderStream(file, length));
        ComPtr<IWICBitmapDecoder> decoder;
        if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                    decoder.Put())) ||
            !decoder)
            return std::nullopt;
        ComPtr<IWICBitmapFrameDecode> frame;
        if (FAILED(decoder->GetFrame(0, frame.Put())) || !frame) return std::nullopt;
        UINT width = 0;
        UINT height = 0;
        if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > INT32_MAX ||
            height > INT32_MAX)
            return std::nullopt;
        return UprightSize(Size{static_cast<int32_t>(width), static_cast<int32_t>(height)},
                           FrameOrientation(frame.Get()));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

GlobalHandle LoadSystemDecodedBlock(IFileReader& file, int paletteDisplay, const DrawSizeFn& drawSize,
                                    Size* pictureSize) {
    try {
        GlobalBlock block(Decode(file, drawSize, pictureSize));
        // A palette display gets 256 colours chosen for the picture, as a JPEG does.
        if (block && paletteDisplay) block.reset(QuantizeBgrBlock(block.get()));
        return block.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace orv
