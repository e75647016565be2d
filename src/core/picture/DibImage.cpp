#include "core/picture/DibImage.h"

#include <cstring>

#include "core/framework/Ascii.h"
#include "core/picture/BmpReader.h"
#include "core/picture/DibRules.h"
#include "core/picture/FileReader.h"
#include "core/picture/JpegLoader.h"

namespace orv {

bool IsJpegFileName(const char* path) {
    if (!path) return false;
    const char* dot = std::strrchr(path, '.');
    return dot && (EqualsNoCaseAscii(dot, ".jpg") || EqualsNoCaseAscii(dot, ".jpeg"));
}

}  // namespace orv

CDibImage::~CDibImage() { Free(); }

int CDibImage::Load(const char* fileName, int paletteDisplay, const orv::DrawSizeFn& drawSize) {
    if (!fileName) return 0;
    if (orv::IsJpegFileName(fileName)) {
        Free();
        orv::Size size;
        m_hDib.reset(orv::LoadJpegBlock(fileName, paletteDisplay, drawSize, &size));
        if (m_hDib) m_size = size;
    } else {
        // Opened before anything is released: a picture that cannot be opened keeps the old one.
        std::unique_ptr<orv::IFileReader> file = orv::OpenFileForReading(fileName);
        if (!file) return 0;
        Free();
        m_hDib.reset(orv::LoadBmpBlock(*file));
        orv::GlobalLockGuard lock(m_hDib.get());
        if (lock) m_size = orv::Size{orv::DibWidthOf(lock.data()), orv::DibHeightOf(lock.data())};
    }
    return m_hDib ? 1 : 0;
}

void CDibImage::Free() {
    m_hDib.reset();
    m_size = orv::Size{};
}

int CDibImage::GetWidth() const { return m_hDib ? m_size.cx : 0; }

int CDibImage::GetHeight() const { return m_hDib ? m_size.cy : 0; }
