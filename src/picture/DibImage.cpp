#include "picture/DibImage.h"

#include <cstring>

#include "picture/BmpReader.h"
#include "picture/DibRules.h"
#include "picture/FileReader.h"
#include "picture/JpegLoader.h"

namespace orv {
namespace {

bool EqualsAsciiNoCase(const char* text, const char* lower) {
    for (; *text && *lower; ++text, ++lower) {
        char c = *text;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != *lower) return false;
    }
    return *text == *lower;
}

}  // namespace

bool IsJpegFileName(const char* path) {
    if (!path) return false;
    const char* dot = std::strrchr(path, '.');
    return dot && (EqualsAsciiNoCase(dot, ".jpg") || EqualsAsciiNoCase(dot, ".jpeg"));
}

}  // namespace orv

CDibImage::~CDibImage() { Free(); }

int CDibImage::Load(const char* fileName, int paletteDisplay) {
    if (!fileName) return 0;
    if (orv::IsJpegFileName(fileName)) {
        Free();
        m_hDib = orv::LoadJpegBlock(fileName, paletteDisplay);
    } else {
        // Opened before anything is released: a picture that cannot be opened keeps the old one.
        std::unique_ptr<orv::IFileReader> file = orv::OpenFileForReading(fileName);
        if (!file) return 0;
        Free();
        m_hDib = orv::LoadBmpBlock(*file);
    }
    return m_hDib != nullptr;
}

void CDibImage::Free() {
    orv::FreeGlobalBlock(m_hDib);
    m_hDib = nullptr;
}

int CDibImage::GetWidth() const {
    orv::GlobalLockGuard lock(m_hDib);
    return lock ? orv::DibWidthOf(lock.data()) : 0;
}

int CDibImage::GetHeight() const {
    orv::GlobalLockGuard lock(m_hDib);
    return lock ? orv::DibHeightOf(lock.data()) : 0;
}
