#pragma once
// Win32 side of a packed DIB block: drawing it with GDI and building its logical palette.
#include "framework/Win32.h"

#include "framework/Unique.h"
#include "core/picture/GlobalBlock.h"

namespace orv {

// Sets COLORONCOLOR, then SetDIBitsToDevice when dest and src have the same size, StretchDIBits
// otherwise (PlanDibDraw holds the arguments). Scan lines drawn; 0 for a null block or on failure.
int DrawDibBlock(HDC dc, const RECT& dest, GlobalHandle block, const RECT& src);
// Attaches a palette of exactly DibColorCount entries to palette. FALSE for a null block, a picture
// without colour table, or when the record or the palette cannot be made.
BOOL PaletteFromDibBlock(GlobalHandle block, CPalette* palette);

}  // namespace orv
