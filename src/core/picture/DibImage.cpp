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

int CDibImage::Load(const char* fileName, int paletteDisplay) {
    if (!fileName) return 0;
    if (orv::IsJpegFileName(fileName)) {
        Free();
        m_hDib.reset(orv::LoadJpegBlock(fileName, paletteDisplay));
    } else {
        // Opened before anything is released: a picture that cannot be opened keeps the old one.
        std::unique_ptr<orv::IFileReader> file = orv::OpenFileForReading(fileName);
        if (!file) return 0;
        Free();
        m_hDib.reset(orv::LoadBmpBlock(*file));
    }
    return m_hDib ? 1 : 0;
}

void CDibImage::Free() { m_hDib.reset(); }

int CDibImage::GetWidth() const {
    orv::GlobalLockGuard lock(m_hDib.get());
    return lock ? orv::DibWidthOf(lock.data()) : 0;
}

int CDibImage::GetHeight() const {
    orv::GlobalLockGuard lock(m_hDib.get());
    return lock ? orv::DibHeightOf(lock.data()) : 0;
}
