#pragma once
// Reduces a 24-bit picture to 256 colours for a palette display: a colour table chosen for the
// picture's own colours (median cut over a histogram of 5 bits a channel), each pixel mapped to the
// nearest entry. The JPEG loader has the library's own quantizer; the pictures that arrive as BGR
// (CMYK JPEGs, the imaging component's) come here.
#include "core/picture/GlobalBlock.h"

namespace orv {

// From a top-down 24-bit DIB block (NewBgrDibBlock's form) a new 8-bit one of the same size with a
// 256-entry table; null when the source is not of that form or the block cannot be had. The
// source is left as it was.
GlobalHandle QuantizeBgrBlock(GlobalHandle bgr);

}  // namespace orv
