#pragma once
// Encodes JPEG files in memory with libjpeg's compression API, for the loader tests, fuzz seeds and
// benchmarks.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

struct JpegParams {
    int width = 8;
    int height = 8;
    J_COLOR_SPACE inSpace = JCS_RGB;  // JCS_GRAYSCALE, JCS_RGB or JCS_CMYK
    int components = 3;               // 1, 3 or 4, to match inSpace
    bool progressive = false;
    int quality = 95;
};

// pixels: height rows of width x components bytes, top row first.
inline std::vector<uint8_t> EncodeJpeg(const JpegParams& params, const std::vector<uint8_t>& pixels) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(params.width);
    cinfo.image_height = static_cast<JDIMENSION>(params.height);
    cinfo.input_components = params.components;
    cinfo.in_color_space = params.inSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, params.quality, TRUE);
    if (params.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = static_cast<size_t>(params.width) * params.components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + outSize);
    std::free(out);
    return bytes;
}

// An image of one colour (components bytes per pixel).
inline std::vector<uint8_t> SolidPixels(const JpegParams& params, std::vector<uint8_t> colour) {
    std::vector<uint8_t> pixels;
    pixels.reserve(static_cast<size_t>(params.width) * params.height * params.components);
    for (int i = 0; i < params.width * params.height; ++i)
        pixels.insert(pixels.end(), colour.begin(), colour.end());
    return pixels;
}

// A stream of tables only (no image): what jpeg_write_tables produces.
inline std::vector<uint8_t> EncodeTablesOnly() {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = 8;
    cinfo.image_height = 8;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_write_tables(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + outSize);
    std::free(out);
    return bytes;
}
