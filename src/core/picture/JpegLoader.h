#pragma once
// Decodes a JPEG file into a new packed DIB block (info header, grey or quantized colour table in
// the 8-bit modes, top-down rows) through libjpeg-turbo's classic API.
#include "core/picture/GlobalBlock.h"

// The loader's two failure kinds. They are thrown and caught inside LoadJpegBlock only.
class CFatalJpegException {};   // the library reported a fatal error
class CMemoryJpegException {};  // the bitmap block could not be allocated or locked

namespace orv {

// paletteDisplay (non-zero: the display has a palette) reduces colour pictures to 256 colours with
// the library's two-pass quantizer; otherwise they come out as 24-bit BGR. Greyscale pictures are
// always 8-bit with a grey table. Returns an unlocked block owned by the caller, null on any
// failure; every path closes the file and destroys the decompressor.
GlobalHandle LoadJpegBlock(const char* fileName, int paletteDisplay);

}  // namespace orv
