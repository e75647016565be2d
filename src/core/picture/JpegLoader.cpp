#include "core/picture/JpegLoader.h"

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "core/picture/DibRules.h"
#include "core/picture/ExifOrientation.h"
#include "core/picture/FileReader.h"
#include "core/picture/Orientation.h"
#include "core/picture/Quantize.h"

namespace orv {
namespace {

// libjpeg is C: a C++ exception must not unwind its frames. error_exit leaves by longjmp to the
// frame of RunGuarded, which holds no C++ objects; the loader turns that into CFatalJpegException.
struct JpegErrorManager {
    jpeg_error_mgr pub;  // first, so the library's pointer to it is a pointer to the whole
    std::jmp_buf exit;
};

// The library reads through the project's file layer, the one the BMP reader and the imaging
// component read through, instead of stdio: the same sharing rules and names for every format.
struct ReaderSource {
    jpeg_source_mgr pub;  // first, so the library's pointer to it is a pointer to the whole
    IFileReader* file;
    bool started;  // some bytes have arrived
    JOCTET buffer[64 * 1024];
};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<ReaderSource*>(cinfo->src);
    size_t got = 0;
    if (!src->file->Read(src->buffer, sizeof src->buffer, got)) ERREXIT(cinfo, JERR_FILE_READ);
    if (got == 0) {
        if (!src->started) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // A file cut short shows what arrived, as the library's own stdio source does: a
        // warning, and an end-of-image marker in place of the rest.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        got = 2;
    }
    src->started = true;
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = got;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    auto* src = reinterpret_cast<ReaderSource*>(cinfo->src);
    size_t left = static_cast<size_t>(count);
    while (left > src->pub.bytes_in_buffer) {
        left -= src->pub.bytes_in_buffer;
        FillInputBuffer(cinfo);  // never returns FALSE: it suspends nothing
    }
    src->pub.next_input_byte += left;
    src->pub.bytes_in_buffer -= left;
}

void TermSource(j_decompress_ptr) {}

// Everything one call touches, plain data only.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    ReaderSource source;
    int paletteDisplay;  // set for greyscale files too once the header is read
    bool quantize;
    bool cmyk;          // the library hands out CMYK rows; this loader makes them BGR
    bool invertedCmyk;  // Adobe's convention: 0 is full ink
    int orientation;    // Exif orientation, 1 to 8
    uint8_t* rows;      // the first row inside the locked block
    size_t rowBytes;
    uint8_t* scratch;  // one stored row, for orientations other than 1
    uint8_t* cmykRow;  // one row as the library gives it, for CMYK pictures
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->exit, 1);
}

using JobStep = void (*)(JpegJob&);

// Runs one step of libjpeg calls; false when the library reported a fatal error inside it.
bool RunGuarded(JpegJob& job, JobStep step) {
    if (setjmp(job.error.exit) != 0) return false;
    step(job);
    return true;
}

// The library's memory cap is a long, 32 bits on Windows; the largest cap set below fits.
static_assert(kMaxJpegBlockBytes + kMaxJpegCoefficientBytes <= uint64_t(LONG_MAX),
              "memory cap overflows a long");

void CreateAndReadHeader(JpegJob& job) {
    jpeg_create_decompress(&job.cinfo);
    // The library has no backing store: whole-picture buffers beyond its cap are a fatal error
    // rather than gigabytes taken on a hostile header's word. While the header is read it needs
    // little; the cap is raised by what the header asks once that is checked. A smaller cap from
    // the library's JPEGMEM variable stays the whole bound (the fuzz targets keep hostile headers
    // cheap that way).
    long& cap = job.cinfo.mem->max_memory_to_use;
    if (cap == 0 || cap > static_cast<long>(kMaxJpegBlockBytes)) cap = static_cast<long>(kMaxJpegBlockBytes);
    job.cinfo.src = &job.source.pub;
    job.source.pub.init_source = InitSource;
    job.source.pub.fill_input_buffer = FillInputBuffer;
    job.source.pub.skip_input_data = SkipInputData;
    job.source.pub.resync_to_restart = jpeg_resync_to_restart;
    job.source.pub.term_source = TermSource;
    // APP1 holds the Exif block with the orientation tag; the rest are skipped as before.
    jpeg_save_markers(&job.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&job.cinfo, TRUE);
}

void ChooseOutput(JpegJob& job) {
    if (job.cinfo.jpeg_color_space == JCS_CMYK || job.cinfo.jpeg_color_space == JCS_YCCK) {
        // The library turns YCCK into CMYK but makes no RGB of either; the rows are converted
        // here. Its quantizer works on its RGB output only: on a palette display the 24-bit
        // block is reduced once it is whole.
        job.cinfo.out_color_space = JCS_CMYK;
        job.cmyk = true;
        job.invertedCmyk = job.cinfo.saw_Adobe_marker != 0;
        job.paletteDisplay = 0;
        job.quantize = false;
    } else if (job.cinfo.out_color_space == JCS_GRAYSCALE) {
        // Greyscale is stored as 8 bits with a grey table; the library is not asked to quantize.
        job.paletteDisplay = 1;
        job.quantize = false;
    } else if (job.paletteDisplay) {
        // The quantizer's colour map is read channel by channel below, red first.
        job.cinfo.out_color_space = JCS_RGB;
        job.quantize = true;
        job.cinfo.quantize_colors = TRUE;
        job.cinfo.desired_number_of_colors = 256;
    } else {
        // A DIB stores blue, green, red: the library writes that order itself.
        job.cinfo.out_color_space = JCS_EXT_BGR;
        job.quantize = false;
    }
    jpeg_calc_output_dimensions(&job.cinfo);
}

void StartDecompress(JpegJob& job) { jpeg_start_decompress(&job.cinfo); }

void ReadRows(JpegJob& job) {
    jpeg_decompress_struct& cinfo = job.cinfo;
    if (job.orientation == 1) {
        uint8_t* row = job.rows;
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW target = job.cmyk ? job.cmykRow : row;
            jpeg_read_scanlines(&cinfo, &target, 1);
            if (job.cmyk) CmykToBgr(job.cmykRow, cinfo.output_width, job.invertedCmyk, row);
            row += job.rowBytes;
        }
    } else {
        const Size stored{static_cast<int32_t>(cinfo.output_width),
                          static_cast<int32_t>(cinfo.output_height)};
        const size_t pixelBytes = job.cmyk ? 3 : static_cast<size_t>(cinfo.output_components);
        while (cinfo.output_scanline < cinfo.output_height) {
            const int32_t y = static_cast<int32_t>(cinfo.output_scanline);
            JSAMPROW target = job.cmyk ? job.cmykRow : job.scratch;
            jpeg_read_scanlines(&cinfo, &target, 1);
            if (job.cmyk) CmykToBgr(job.cmykRow, cinfo.output_width, job.invertedCmyk, job.scratch);
            PlaceStoredRow(job.scratch, y, stored, job.orientation, pixelBytes, job.rows, job.rowBytes);
        }
    }
    jpeg_finish_decompress(&cinfo);
}

// The orientation of the first Exif APP1 segment that the library saved; 1 when none says.
int SavedOrientation(const jpeg_decompress_struct& cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1) continue;
        const int orientation = ExifOrientationOf(m->data, m->data_length);
        if (orientation != 0) return orientation;
    }
    return 1;
}

void WriteHeaderAndTable(const JpegJob& job, Size upright, uint8_t* dib) {
    const jpeg_decompress_struct& cinfo = job.cinfo;
    WriteLe32(dib + 0, kInfoHeaderSize);
    WriteLe32(dib + 4, static_cast<uint32_t>(upright.cx));
    // Negative: rows are stored top row first.
    WriteLe32(dib + 8, 0u - static_cast<uint32_t>(upright.cy));
    WriteLe16(dib + 12, 1);
    WriteLe16(dib + 14, job.paletteDisplay ? 8 : 24);
    // biCompression, biSizeImage, biClrUsed and biClrImportant stay 0 from the zeroed block.
    WriteLe32(dib + 24, 2834);  // about 72 dots per inch
    WriteLe32(dib + 28, 2834);
    if (!job.paletteDisplay) return;
    uint8_t* table = dib + kInfoHeaderSize;
    if (!job.quantize) {
        for (int i = 0; i < 256; ++i) {
            table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = static_cast<uint8_t>(i);
        }
        return;
    }
    // Entries past the quantizer's choice stay black.
    const int colors = cinfo.actual_number_of_colors < 256 ? cinfo.actual_number_of_colors : 256;
    for (int i = 0; i < colors; ++i) {
        table[4 * i] = cinfo.colormap[2][i];
        table[4 * i + 1] = cinfo.colormap[1][i];
        table[4 * i + 2] = cinfo.colormap[0][i];
    }
}

// What the header says the coefficient buffers take (frame header fields, valid once read).
uint64_t HeaderCoefficientBytes(const jpeg_decompress_struct& cinfo) {
    std::vector<JpegSampling> sampling;
    sampling.reserve(static_cast<size_t>(cinfo.num_components));
    for (int ci = 0; ci < cinfo.num_components; ++ci)
        sampling.push_back(
            JpegSampling{cinfo.comp_info[ci].h_samp_factor, cinfo.comp_info[ci].v_samp_factor});
    // The library's own test for whole-picture buffers (jpeg_has_multiple_scans, which may leave
    // by longjmp): progressive, or a first scan that holds not every component.
    const bool multiScan = cinfo.progressive_mode || cinfo.comps_in_scan < cinfo.num_components;
    return JpegCoefficientBytes(cinfo.image_width, cinfo.image_height, sampling, multiScan);
}

// The library's rounding of a scaled side: ceil(side x m / 8).
int64_t ScaledSide(int32_t side, int m) { return (int64_t(side) * m + 7) / 8; }

}  // namespace

int ChooseJpegScale(Size picture, Size drawn) {
    if (drawn.cx <= 0 || drawn.cy <= 0) return 8;
    for (int m : {1, 2, 3, 4}) {
        if (ScaledSide(picture.cx, m) >= drawn.cx && ScaledSide(picture.cy, m) >= drawn.cy) return m;
    }
    return 8;
}

void CmykToBgr(const uint8_t* cmyk, size_t pixels, bool inverted, uint8_t* bgr) {
    // With no colour management, each of red, green and blue is what its ink (cyan, magenta,
    // yellow) and the black ink leave of the paper's white. Adobe's files store 255 - ink.
    for (size_t i = 0; i < pixels; ++i, cmyk += 4, bgr += 3) {
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned ink = inverted ? cmyk[c] : 255u - cmyk[c];
            bgr[2 - c] = static_cast<uint8_t>((ink * k + 127) / 255);
        }
    }
}

uint64_t JpegCoefficientBytes(uint32_t width, uint32_t height, const std::vector<JpegSampling>& components,
                              bool multiScan) {
    if (!multiScan) return 0;
    int maxH = 1, maxV = 1;
    for (const JpegSampling& c : components) {
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4) return UINT64_MAX;
        maxH = c.h > maxH ? c.h : maxH;
        maxV = c.v > maxV ? c.v : maxV;
    }
    auto divUp = [](uint64_t a, uint64_t b) { return (a + b - 1) / b; };
    uint64_t blocks = 0;
    for (const JpegSampling& c : components) {
        // As the library sizes them: the component's blocks, then whole MCUs of h x v blocks.
        const uint64_t across = divUp(divUp(uint64_t(width) * c.h, uint64_t(maxH) * 8), c.h) * c.h;
        const uint64_t down = divUp(divUp(uint64_t(height) * c.v, uint64_t(maxV) * 8), c.v) * c.v;
        blocks += across * down;
    }
    return blocks * 64 * sizeof(JCOEF);
}

bool JpegMemoryFits(uint64_t blockBytes, uint64_t coefficientBytes, uint64_t maxCoefficientBytes) {
    return blockBytes <= kMaxJpegBlockBytes && coefficientBytes <= maxCoefficientBytes;
}

uint64_t JpegBlockBytes(uint32_t width, uint32_t height, int components, bool table) {
    const uint64_t rowBytes = (uint64_t(components) * width * 8 + 31) / 32 * 4;
    return kInfoHeaderSize + (table ? 256 * 4 : 0) + rowBytes * height;
}

GlobalHandle LoadJpegBlock(const char* fileName, int paletteDisplay) {
    return LoadJpegBlock(fileName, paletteDisplay, DrawSizeFn(), nullptr);
}

GlobalHandle LoadJpegBlock(const char* fileName, int paletteDisplay, const DrawSizeFn& drawSize,
                           Size* pictureSize) {
    if (!fileName) return nullptr;
    std::unique_ptr<IFileReader> file = OpenFileForReading(fileName);
    if (!file) return nullptr;
    return LoadJpegBlock(*file, paletteDisplay, drawSize, pictureSize);
}

GlobalHandle LoadJpegBlock(IFileReader& file, int paletteDisplay, const DrawSizeFn& drawSize,
                           Size* pictureSize) {
    // On the heap: the job holds the source's 64 KiB buffer.
    std::unique_ptr<JpegJob> jobOwner(new (std::nothrow) JpegJob);
    if (!jobOwner) return nullptr;
    JpegJob& job = *jobOwner;
    std::memset(&job, 0, sizeof job);
    job.source.file = &file;
    job.paletteDisplay = paletteDisplay;
    job.orientation = 1;
    job.cinfo.err = jpeg_std_error(&job.error.pub);
    job.error.pub.error_exit = JpegErrorExit;

    GlobalBlock block;
    std::unique_ptr<uint8_t[]> scratch;
    std::unique_ptr<uint8_t[]> cmykRow;
    uint8_t* dib = nullptr;
    Size upright;
    try {
        if (!RunGuarded(job, CreateAndReadHeader)) throw CFatalJpegException();

        // The scale is chosen in the stored orientation, from the size drawn upright.
        job.orientation = SavedOrientation(job.cinfo);
        const Size stored{static_cast<int32_t>(job.cinfo.image_width),
                          static_cast<int32_t>(job.cinfo.image_height)};
        upright = UprightSize(stored, job.orientation);
        if (drawSize) {
            const Size drawn = UprightSize(drawSize(upright), job.orientation);
            job.cinfo.scale_num = static_cast<unsigned>(ChooseJpegScale(stored, drawn));
            job.cinfo.scale_denom = 8;
        }
        if (!RunGuarded(job, ChooseOutput)) throw CFatalJpegException();

        // Refused before the library decodes anything (the quantizer's first pass runs inside
        // jpeg_start_decompress): what could never be drawn is not worth the time. The output
        // size jpeg_calc_output_dimensions gave is the one jpeg_start_decompress keeps.
        const jpeg_decompress_struct& cinfo = job.cinfo;
        const Size output = UprightSize(
            Size{static_cast<int32_t>(cinfo.output_width), static_cast<int32_t>(cinfo.output_height)},
            job.orientation);
        // CMYK rows become three bytes a pixel.
        const int components = job.cmyk ? 3 : cinfo.output_components;
        const uint64_t size =
            JpegBlockBytes(uint32_t(output.cx), uint32_t(output.cy), components, job.paletteDisplay != 0);
        // A progressive picture's coefficients are taken whatever the scale: what the header asks
        // for is granted on top of the library's usual cap, up to this process's bound.
        const uint64_t coefficients = HeaderCoefficientBytes(cinfo);
        if (!JpegMemoryFits(size, coefficients)) throw CMemoryJpegException();
        long& cap = job.cinfo.mem->max_memory_to_use;
        if (cap == static_cast<long>(kMaxJpegBlockBytes))
            cap = static_cast<long>(kMaxJpegBlockBytes + coefficients);
        if (!RunGuarded(job, StartDecompress)) throw CFatalJpegException();

        const uint64_t rowBytes = (uint64_t(components) * uint32_t(output.cx) * 8 + 31) / 32 * 4;
        const uint64_t tableBytes = job.paletteDisplay ? 256 * 4 : 0;
        block.reset(AllocGlobalBlock(size));
        if (!block) throw CMemoryJpegException();
        if (job.orientation != 1) {
            scratch.reset(new (std::nothrow) uint8_t[size_t(cinfo.output_width) * components]);
            if (!scratch) throw CMemoryJpegException();
            job.scratch = scratch.get();
        }
        if (job.cmyk) {
            cmykRow.reset(new (std::nothrow) uint8_t[size_t(cinfo.output_width) * 4]);
            if (!cmykRow) throw CMemoryJpegException();
            job.cmykRow = cmykRow.get();
        }
        dib = static_cast<uint8_t*>(LockGlobalBlock(block.get()));
        if (!dib) throw CMemoryJpegException();

        WriteHeaderAndTable(job, output, dib);
        // The library writes each row straight into its place in the block, or through one
        // scratch row when the picture must be turned.
        job.rows = dib + kInfoHeaderSize + tableBytes;
        job.rowBytes = static_cast<size_t>(rowBytes);
        if (!RunGuarded(job, ReadRows)) throw CFatalJpegException();
    } catch (const CFatalJpegException&) {
        if (dib) UnlockGlobalBlock(block.get());
        dib = nullptr;
        block.reset();
    } catch (const CMemoryJpegException&) {
        if (dib) UnlockGlobalBlock(block.get());
        dib = nullptr;
        block.reset();
    }
    jpeg_destroy_decompress(&job.cinfo);
    if (dib) UnlockGlobalBlock(block.get());
    // A CMYK picture for a palette display gets a table of its own, as the library's quantizer
    // gives the others.
    if (block && job.cmyk && paletteDisplay) block.reset(QuantizeBgrBlock(block.get()));
    if (block && pictureSize) *pictureSize = upright;
    return block.release();
}

std::optional<Size> ReadJpegSize(IFileReader& file) {
    std::unique_ptr<JpegJob> jobOwner(new (std::nothrow) JpegJob);
    if (!jobOwner) return std::nullopt;
    JpegJob& job = *jobOwner;
    std::memset(&job, 0, sizeof job);
    job.source.file = &file;
    job.orientation = 1;
    job.cinfo.err = jpeg_std_error(&job.error.pub);
    job.error.pub.error_exit = JpegErrorExit;
    std::optional<Size> size;
    if (RunGuarded(job, CreateAndReadHeader) && job.cinfo.image_width > 0 && job.cinfo.image_height > 0 &&
        job.cinfo.image_width <= INT32_MAX && job.cinfo.image_height <= INT32_MAX) {
        const Size stored{static_cast<int32_t>(job.cinfo.image_width),
                          static_cast<int32_t>(job.cinfo.image_height)};
        size = UprightSize(stored, SavedOrientation(job.cinfo));
    }
    jpeg_destroy_decompress(&job.cinfo);
    return size;
}

}  // namespace orv
