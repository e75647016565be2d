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

void CDibImage::Free() {
    m_hDib.reset();
    m_size = orv::Size{};
}

int CDibImage::GetWidth() const { return m_hDib ? m_size.cx : 0; }

int CDibImage::GetHeight() const { return m_hDib ? m_size.cy : 0; }
