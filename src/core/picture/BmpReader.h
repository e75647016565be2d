#pragma once
// Reads a Windows BMP file (14-byte file header, then a packed DIB) into a new global block.
#include "core/picture/FileReader.h"
#include "core/picture/GlobalBlock.h"

namespace orv {

// The file must be open for reading at its start. The block has the file's length: the data after
// the file header fills its start and the last 14 bytes stay zero. When bfOffBits points past the
// colour table (and inside the file) the bits are moved down to follow the table. Null when the
// file is shorter than its file header, does not start with "BM", cannot be read in full, fails in
// the file layer, does not fit a block, or holds a DIB that DibBlockIsSound refuses.
GlobalHandle LoadBmpBlock(IFileReader& file);

}  // namespace orv
