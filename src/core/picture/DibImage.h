#pragma once
// One picture in memory as a packed DIB in a movable global block, read from a BMP file, decoded
// from a JPEG file, or decoded by the system's imaging component (the "other" formats). Load,
// Free, GetWidth and GetHeight are portable; MakePalette and Draw are the Win32 side, declared
// here against forward declarations of HDC, RECT and CPalette so this header stays free of
// <windows.h> (the project builds with STRICT, where HDC is HDC__*).
#include <optional>

#include "core/picture/GlobalBlock.h"
#include "core/picture/JpegLoader.h"

#ifdef _WIN32
struct HDC__;
struct tagRECT;
class CPalette;
#endif

// Not copyable: it owns its block.
class CDibImage {
public:
    virtual ~CDibImage();

    // The loader is chosen by the name (PictureKindOf). paletteDisplay is a BOOL (int): non-zero
    // when the display is palette-based, so the colour output of a JPEG or an "other" picture is
    // reduced to 256 colours; a BMP is loaded as it is. TRUE when the object now holds a picture.
    // A BMP file that cannot be opened leaves the object as it was; every other failure leaves it
    // empty. drawSize, when set, tells a JPEG or "other"
    // picture the size it will be drawn at for its own size, so it is decoded no larger than that
    // needs; BMP files ignore it.
    int Load(const char* fileName, int paletteDisplay, const orv::DrawSizeFn& drawSize = {});
    void Free();
    // The upright size of the picture in the file, from its header alone (the loader chosen by
    // the name, as Load chooses it): what pairing asks before it decodes anything. Nullopt when
    // the file cannot be opened or its header gives no size.
    static std::optional<orv::Size> ReadSize(const char* fileName);
    // The picture's own (upright) size, whatever the block holds; 0 when empty.
    int GetWidth() const;
    int GetHeight() const;

#ifdef _WIN32
    // Attaches a palette built from the colour table to an empty CPalette. FALSE when empty, for a
    // picture without colour table, or when the palette cannot be made.
    int MakePalette(CPalette* palette) const;
    // Draws src (picture pixels, top-left origin) into dest (logical units). src is in the
    // picture's own pixels; a block decoded smaller is read at the matching place. Scan lines
    // drawn; 0 when empty or when GDI fails.
    int Draw(HDC__* dc, const tagRECT& dest, const tagRECT& src) const;
#endif

private:
    orv::GlobalBlock m_hDib;  // the packed DIB; empty when no picture is held
    orv::Size m_size;         // the picture's own size; the block's when it was not scaled
};
