#pragma once
// The file layer every picture loader reads through: the BMP reader, the JPEG loader's source
// manager and the imaging component's stream. Windows opens with CreateFileW on the path's long
// form (read only, sharing reads only, existing disk files only); other hosts use POSIX. Tests put
// their own readers in its place to make a read fail part-way. Failures are results, never exceptions.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace orv {

class IFileReader {
public:
    virtual ~IFileReader() = default;
    // The file's length in bytes; false when the file layer cannot tell.
    virtual bool GetLength(uint64_t& length) = 0;
    // Reads up to count bytes from the current position; read gets how many arrived (fewer only at
    // the end of the file). False on a read error.
    virtual bool Read(void* buffer, size_t count, size_t& read) = 0;
    // Moves the read position to offset bytes from the start (beyond the end is allowed: reads
    // there deliver nothing). False when the layer cannot.
    virtual bool Seek(uint64_t offset) = 0;
};

// For the file layers: calls readSome(out, want, got) until count bytes have arrived or it reports
// the end of the file (got 0; a layer may stop short of a large request anywhere else); read gets
// how many arrived. False when readSome fails.
template <typename ReadSome>
bool ReadUntilEnd(void* buffer, size_t count, size_t& read, ReadSome readSome) {
    read = 0;
    auto* out = static_cast<unsigned char*>(buffer);
    while (read < count) {
        size_t got = 0;
        if (!readSome(out + read, count - read, got)) return false;
        if (got == 0) break;
        read += got;
    }
    return true;
}

// Opens an existing file (path in the process code page, any length) for reading only; null when
// it cannot be opened (missing, no access, or on Windows held open by another process or a device).
std::unique_ptr<IFileReader> OpenFileForReading(const char* path);

}  // namespace orv
