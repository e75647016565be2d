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
    J_COLOR_SPACE storedSpace = JCS_UNKNOWN;  // the file's own colour space; unknown: the default
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
    if (params.storedSpace != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, params.storedSpace);
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

// The TIFF structure of an Exif APP1 payload with one directory, for the orientation tests. The
// orientation entry comes last, after `entries - 1` image-width entries; the directory is written
// at `ifdOffset`, or at 8 when that points into the header or offsetLies is set.
struct ExifFields {
    bool bigEndian = false;
    uint32_t ifdOffset = 8;
    bool offsetLies = false;
    uint16_t entries = 1;       // the count written, and the entries written when writeEntries is 0
    uint16_t writeEntries = 0;  // entries actually written when not 0 (a count that lies)
    uint16_t tag = 0x0112;
    uint16_t type = 3;  // SHORT
    uint32_t count = 1;
    uint16_t value = 1;
    uint32_t nextIfd = 0;
};

inline std::vector<uint8_t> ExifPayload(const ExifFields& fields) {
    std::vector<uint8_t> tiff;
    auto put16 = [&](size_t at, uint16_t v) {
        if (tiff.size() < at + 2) tiff.resize(at + 2);
        tiff[at + (fields.bigEndian ? 1 : 0)] = static_cast<uint8_t>(v);
        tiff[at + (fields.bigEndian ? 0 : 1)] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at + (fields.bigEndian ? 2 : 0), static_cast<uint16_t>(v));
        put16(at + (fields.bigEndian ? 0 : 2), static_cast<uint16_t>(v >> 16));
    };
    tiff = {fields.bigEndian ? uint8_t('M') : uint8_t('I'), fields.bigEndian ? uint8_t('M') : uint8_t('I')};
    put16(2, 42);
    put32(4, fields.ifdOffset);
    const size_t at = fields.ifdOffset >= 8 && !fields.offsetLies ? fields.ifdOffset : 8;
    put16(at, fields.entries);
    const uint16_t written = fields.writeEntries ? fields.writeEntries : fields.entries;
    for (uint16_t i = 0; i < written; ++i) {
        const size_t entry = at + 2 + 12u * i;
        if (i + 1 < written) {
            put16(entry, 0x0100);  // ImageWidth, LONG
            put16(entry + 2, 4);
            put32(entry + 4, 1);
            put32(entry + 8, 640);
        } else {
            put16(entry, fields.tag);
            put16(entry + 2, fields.type);
            put32(entry + 4, fields.count);
            put32(entry + 8, 0);
            put16(entry + 8, fields.value);
        }
    }
    put32(at + 2 + 12u * written, fields.nextIfd);
    std::vector<uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return payload;
}

// The JPEG with an APP1 segment holding payload right after its SOI marker.
inline std::vector<uint8_t> WithApp1(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    const size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, 0xE1, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// The JPEG with the frame header's height and width replaced: a header that claims more than the
// data holds (the library warns and fills the rest).
inline std::vector<uint8_t> WithClaimedSize(std::vector<uint8_t> jpeg, uint16_t width, uint16_t height) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<uint8_t>(height);
            jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<uint8_t>(width);
            break;
        }
    }
    return jpeg;
}
