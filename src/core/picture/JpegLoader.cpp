#include "core/picture/JpegLoader.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "core/framework/UniqueHandle.h"
#include "core/picture/DibRules.h"

namespace orv {
namespace {

// libjpeg is C: a C++ exception must not unwind its frames. error_exit leaves by longjmp to the
// frame of RunGuarded, which holds no C++ objects; the loader turns that into CFatalJpegException.
struct JpegErrorManager {
    jpeg_error_mgr pub;  // first, so the library's pointer to it is a pointer to the whole
    std::jmp_buf exit;
};

// Everything one call touches, plain data only.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    FILE* file;
    int paletteDisplay;  // set for greyscale files too once the header is read
    bool quantize;
    uint8_t* rows;  // the first row inside the locked block
    size_t rowBytes;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->exit, 1);
}

struct CloseStdioFile {
    void operator()(FILE* file) const { std::fclose(file); }
};
using UniqueStdioFile = Unique<FILE*, CloseStdioFile>;

using JobStep = void (*)(JpegJob&);

// Runs one step of libjpeg calls; false when the library reported a fatal error inside it.
bool RunGuarded(JpegJob& job, JobStep step) {
    if (setjmp(job.error.exit) != 0) return false;
    step(job);
    return true;
}

void CreateAndReadHeader(JpegJob& job) {
    jpeg_create_decompress(&job.cinfo);
    jpeg_stdio_src(&job.cinfo, job.file);
    jpeg_read_header(&job.cinfo, TRUE);
    if (job.cinfo.out_color_space == JCS_GRAYSCALE) {
        // Greyscale is stored as 8 bits with a grey table; the library is not asked to quantize.
        job.paletteDisplay = 1;
        job.quantize = false;
    } else {
        job.cinfo.out_color_space = JCS_RGB;
        job.quantize = job.paletteDisplay != 0;
        if (job.quantize) {
            job.cinfo.quantize_colors = TRUE;
            job.cinfo.desired_number_of_colors = 256;
        }
    }
    jpeg_start_decompress(&job.cinfo);
}

void ReadRows(JpegJob& job) {
    uint8_t* row = job.rows;
    const bool swap = job.paletteDisplay == 0;
    const JDIMENSION width = job.cinfo.output_width;
    while (job.cinfo.output_scanline < job.cinfo.output_height) {
        JSAMPROW target = row;
        jpeg_read_scanlines(&job.cinfo, &target, 1);
        if (swap) {
            // The library delivers red, green, blue; a DIB stores blue, green, red.
            uint8_t* pixel = row;
            for (JDIMENSION x = 0; x < width; ++x, pixel += 3) {
                const uint8_t red = pixel[0];
                pixel[0] = pixel[2];
                pixel[2] = red;
            }
        }
        row += job.rowBytes;
    }
    jpeg_finish_decompress(&job.cinfo);
}

void WriteHeaderAndTable(const JpegJob& job, uint8_t* dib) {
    const jpeg_decompress_struct& cinfo = job.cinfo;
    WriteLe32(dib + 0, kInfoHeaderSize);
    WriteLe32(dib + 4, cinfo.output_width);
    // Negative: rows are stored top row first, in decoding order.
    WriteLe32(dib + 8, 0u - static_cast<uint32_t>(cinfo.output_height));
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

}  // namespace

GlobalHandle LoadJpegBlock(const char* fileName, int paletteDisplay) {
    if (!fileName) return nullptr;
    // Declared before the job: the decompressor is destroyed before the file it reads closes.
    UniqueStdioFile file(std::fopen(fileName, "rb"));
    if (!file) return nullptr;

    JpegJob job;
    std::memset(&job, 0, sizeof job);
    job.file = file.get();
    job.paletteDisplay = paletteDisplay;
    job.cinfo.err = jpeg_std_error(&job.error.pub);
    job.error.pub.error_exit = JpegErrorExit;

    GlobalBlock block;
    uint8_t* dib = nullptr;
    try {
        if (!RunGuarded(job, CreateAndReadHeader)) throw CFatalJpegException();

        const jpeg_decompress_struct& cinfo = job.cinfo;
        // 64-bit sizes: 65500 x 65500 x 3 does not fit 32 bits; what cannot be allocated is an
        // allocation failure, never a wrapped small block.
        const uint64_t rowBytes = (uint64_t(cinfo.output_components) * cinfo.output_width * 8 + 31) / 32 * 4;
        const uint64_t tableBytes = job.paletteDisplay ? 256 * 4 : 0;
        const uint64_t size = kInfoHeaderSize + tableBytes + rowBytes * cinfo.output_height;
        block.reset(AllocGlobalBlock(size));
        if (!block) throw CMemoryJpegException();
        dib = static_cast<uint8_t*>(LockGlobalBlock(block.get()));
        if (!dib) throw CMemoryJpegException();

        WriteHeaderAndTable(job, dib);
        // The library writes each row straight into its place in the block.
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
    return block.release();
}

}  // namespace orv
