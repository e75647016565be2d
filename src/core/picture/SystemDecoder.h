#pragma once
// The system's imaging component, as the core sees it: the file extensions its decoders claim, and
// a loader that decodes a file through it into the same packed DIB block the other loaders make.
// Windows has one (the Windows Imaging Component, picture/SystemDecoder_win.cpp); other hosts have
// none: no extensions, and every load fails.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/framework/Geometry.h"
#include "core/picture/GlobalBlock.h"
#include "core/picture/JpegLoader.h"

namespace orv {

class IFileReader;

// No picture is decoded through the component when holding it decoded would take more than this,
// whatever its file claims: a small file that claims 30000 x 30000 pixels fails at once.
constexpr uint64_t kMaxSystemDecodeBytes = uint64_t(256) << 20;

// Bytes that a picture of `decoded` pixels of bitsPerPixel bits takes, rows padded to 4 bytes;
// UINT64_MAX when that is more than 64 bits hold, so it never wraps. 0 for an empty size.
uint64_t SystemDecodeBytes(Size decoded, uint32_t bitsPerPixel);
// Whether the component may decode a picture at that size: within kMaxSystemDecodeBytes, and every
// buffer size handed to it (one row's stride, the whole buffer) fits in 32 bits. False for an
// empty or negative size, and for 0 bits.
bool SystemDecodeFits(Size decoded, uint32_t bitsPerPixel);

// A new zero-filled block for a 24-bit top-down DIB of `size` pixels, its info header written;
// null when it cannot be had, or when it would be larger than kMaxJpegBlockBytes.
GlobalHandle NewBgrDibBlock(Size size);
// Turns premultiplied blue, green, red, alpha pixels into blue, green, red over black: what is
// left when the alpha is dropped.
void PremultipliedRowToBgr(const uint8_t* bgra, size_t pixels, uint8_t* bgr);

// Each decoder's extension list as the component reports it (".png", ".tiff,.tif", ...). Asked
// once per process on first use, from any thread; empty when there is no component.
const std::vector<std::string>& SystemDecoderExtensionLists();
// The extensions "Others" lists here: OtherExtensionsOf(SystemDecoderExtensionLists()), once.
const std::vector<std::string>& SystemOtherExtensions();

// Decodes frame 0 of the picture in file into a new packed DIB block, as LoadJpegBlock does for a
// JPEG: 24-bit BGR (8-bit with a table of the picture's own colours on a palette display), top-down rows,
// transparency composited over black, upright by the picture's own orientation where the decoder exposes it,
// no larger than drawSize asks for and never larger than the picture. pictureSize gets the picture's upright
// size on success. Null on any failure.
GlobalHandle LoadSystemDecodedBlock(IFileReader& file, int paletteDisplay, const DrawSizeFn& drawSize,
                                    Size* pictureSize);
// Frame 0's upright size as the component reports it, without decoding its pixels; nullopt when it
// cannot tell (no component, no decoder for the file, a damaged header).
std::optional<Size> ReadSystemDecodedSize(IFileReader& file);

}  // namespace orv
