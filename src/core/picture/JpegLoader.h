#pragma once
// Decodes a JPEG file into a new packed DIB block (info header, grey or quantized colour table in
// the 8-bit modes, top-down rows) through libjpeg-turbo's classic API.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/framework/Geometry.h"
#include "core/picture/GlobalBlock.h"

// The loader's two failure kinds. They are thrown and caught inside LoadJpegBlock only.
class CFatalJpegException {};   // the library reported a fatal error
class CMemoryJpegException {};  // the bitmap block could not be allocated or locked

namespace orv {

// No JPEG block is larger than this, whatever the file's header claims; the library's own working
// memory is held to the same figure. A larger block is an allocation failure.
constexpr uint64_t kMaxJpegBlockBytes = uint64_t(256) << 20;

// A progressive or multi-scan file keeps the coefficients of the whole picture until its last scan,
// at any output scale. They may take up to 1 GiB in a 64-bit process and 384 MiB in a 32-bit one,
// whose 2 GiB of address space must also hold the output block and the rest of the program.
constexpr uint64_t MaxJpegCoefficientBytes(std::size_t pointerBytes) {
    return pointerBytes >= 8 ? uint64_t(1) << 30 : uint64_t(384) << 20;
}
constexpr uint64_t kMaxJpegCoefficientBytes = MaxJpegCoefficientBytes(sizeof(void*));

// One component of a frame header: its horizontal and vertical sampling factors (1 to 4).
struct JpegSampling {
    int h = 1;
    int v = 1;
};

// Bytes of whole-picture coefficient buffers that the library keeps for a width x height picture
// with these components when its data come in more than one scan (progressive, or a first scan
// without every component): 128 bytes a block, each component's blocks rounded up to whole MCUs.
// 0 for a single-scan file, which is decoded one MCU row at a time. A sampling factor outside 1 to
// 4 gives UINT64_MAX (no bound admits it).
uint64_t JpegCoefficientBytes(uint32_t width, uint32_t height, const std::vector<JpegSampling>& components,
                              bool multiScan);

// Whether a picture whose output block takes blockBytes and whose coefficient buffers take
// coefficientBytes is decoded: the block within kMaxJpegBlockBytes, the coefficients within
// maxCoefficientBytes (this process's bound unless told).
bool JpegMemoryFits(uint64_t blockBytes, uint64_t coefficientBytes,
                    uint64_t maxCoefficientBytes = kMaxJpegCoefficientBytes);

// The size at which the window will draw a picture of the given (upright) size. Empty: unknown.
using DrawSizeFn = std::function<Size(Size)>;

class IFileReader;

// M of the decode scale M/8 for a picture of `picture` pixels that is drawn at `drawn` (both in
// the same orientation): the cheapest scale whose output, each side rounded up as the library
// does, still covers `drawn` in both directions. Measured with libjpeg-turbo 2.1: 3/8 costs what
// 4/8 costs (only 1/2, 1/4 and 1/8 have SIMD code) and 5/8 to 7/8 cost more than a whole decode,
// so the choice is among 1, 2, 3, 4 and 8. An empty `drawn` gives 8.
int ChooseJpegScale(Size picture, Size drawn);

// Size of the block for output of width x height pixels of `components` bytes: header, the
// 256-entry table when `table`, and rows padded to four bytes. 64-bit, so it cannot wrap.
uint64_t JpegBlockBytes(uint32_t width, uint32_t height, int components, bool table);

// Converts pixels of four bytes (cyan, magenta, yellow, black) to three (blue, green, red) with
// no colour management: each colour is what its ink and the black ink leave of white. inverted:
// the bytes are 255 - ink, as Adobe's programs write them (an Adobe marker says so).
void CmykToBgr(const uint8_t* cmyk, size_t pixels, bool inverted, uint8_t* bgr);

// paletteDisplay (non-zero: the display has a palette) reduces colour pictures to 256 colours with
// the library's two-pass quantizer; otherwise they come out as 24-bit BGR. Greyscale pictures are
// always 8-bit with a grey table. CMYK and YCCK pictures are converted to BGR, and reduced to 256
// colours by QuantizeBgrBlock on a palette display. Returns an unlocked block owned by the caller, null on
// any failure; every path closes the file and destroys the decompressor. The block holds the picture upright
// (Exif orientation applied), at full size.
GlobalHandle LoadJpegBlock(const char* fileName, int paletteDisplay);
// As above, decoded at the scale ChooseJpegScale picks for drawSize(the upright size) when
// drawSize is set. pictureSize, when not null, receives the picture's upright size at full
// scale on success (the block may hold fewer pixels).
GlobalHandle LoadJpegBlock(const char* fileName, int paletteDisplay, const DrawSizeFn& drawSize,
                           Size* pictureSize);
// As above, reading from file's current position (the file layer's OpenFileForReading, or bytes
// in memory).
GlobalHandle LoadJpegBlock(IFileReader& file, int paletteDisplay, const DrawSizeFn& drawSize,
                           Size* pictureSize);

// The picture's upright size (Exif orientation applied) from its header alone, read from file's
// current position: nothing is decoded. Nullopt when the header is not a JPEG's or is damaged.
std::optional<Size> ReadJpegSize(IFileReader& file);

}  // namespace orv
