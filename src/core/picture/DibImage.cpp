#include "core/picture/DibImage.h"

#include <memory>

#include "core/picture/BmpReader.h"
#include "core/picture/DibRules.h"
#include "core/picture/FileReader.h"
#include "core/picture/JpegLoader.h"
#include "core/picture/PictureTypes.h"
#include "core/picture/SystemDecoder.h"

CDibImage::~CDibImage() { Free(); }

int CDibImage::Load(const char* fileName, int paletteDisplay, const orv::DrawSizeFn& drawSize) {
    if (!fileName) return 0;
    // The loader is chosen by the name alone: a PNG named .jpg fails as a JPEG.
    switch (orv::PictureKindOf(fileName)) {
    case orv::PictureKind::Jpeg: {
        Free();
        orv::Size size;
        m_hDib.reset(orv::LoadJpegBlock(fileName, paletteDisplay, drawSize, &size));
        if (m_hDib) m_size = size;
        break;
    }
    case orv::PictureKind::Other: {
        Free();
        std::unique_ptr<orv::IFileReader> file = orv::OpenFileForReading(fileName);
        if (!file) return 0;
        orv::Size size;
        m_hDib.reset(orv::LoadSystemDecodedBlock(*file, paletteDisplay, drawSize, &size));
        if (m_hDib) m_size = size;
        break;
    }
    case orv::PictureKind::Bmp: {
        // Opened before anything is released: a picture that cannot be opened keeps the old one.
        std::unique_ptr<orv::IFileReader> file = orv::OpenFileForReading(fileName);
        if (!file) return 0;
        Free();
        m_hDib.reset(orv::LoadBmpBlock(*file));
        orv::GlobalLockGuard lock(m_hDib.get());
        if (lock) m_size = orv::Size{orv::DibWidthOf(lock.data()), orv::DibHeightOf(lock.data())};
        break;
    }
    }
    return m_hDib ? 1 : 0;
}

std::optional<orv::Size> CDibImage::ReadSize(const char* fileName) {
    if (!fileName) return std::nullopt;
    std::unique_ptr<orv::IFileReader> file = orv::OpenFileForReading(fileName);
    if (!file) return std::nullopt;
    switch (orv::PictureKindOf(fileName)) {
    case orv::PictureKind::Jpeg:
        return orv::ReadJpegSize(*file);
    case orv::PictureKind::Other:
        return orv::ReadSystemDecodedSize(*file);
    case orv::PictureKind::Bmp: {
        // The file header, then as much of the DIB header as holds the size (a core header's
        // 12 bytes or an info header's first 16).
        uint8_t bytes[14 + 16] = {};
        size_t read = 0;
        if (!file->Read(bytes, sizeof bytes, read) || read < 14 + 12 || bytes[0] != 'B' || bytes[1] != 'M')
            return std::nullopt;
        const uint8_t* header = bytes + 14;
        if (orv::DibHasInfoLayout(header) && read < sizeof bytes) return std::nullopt;
        if (!orv::DibHasInfoLayout(header) && orv::ReadLe32(header) != orv::kCoreHeaderSize)
            return std::nullopt;
        const orv::Size size{orv::DibWidthOf(header), orv::DibHeightOf(header)};
        if (size.cx <= 0 || size.cy <= 0) return std::nullopt;
        return size;
    }
    }
    return std::nullopt;
}

void CDibImage::Free() {
    m_hDib.reset();
    m_size = orv::Size{};
}

int CDibImage::GetWidth() const { return m_hDib ? m_size.cx : 0; }

int CDibImage::GetHeight() const { return m_hDib ? m_size.cy : 0; }
