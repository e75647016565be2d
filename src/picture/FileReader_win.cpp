// Win32 file layer: CreateFileW on the long form of the path, sharing reads only. A picture that
// another process is writing is not read half-written (the open fails while any handle to it may
// write), while one that a viewer or an indexer merely reads still shows.
#include "framework/Unique.h"
#include "framework/WidePath.h"
#ifdef ORVANTA_SLOW_IO
#include "framework/SlowIo.h"
#endif

#include <cstdint>
#include <utility>

#include "core/picture/FileReader.h"

namespace orv {
namespace {

class Win32FileReader final : public IFileReader {
public:
    explicit Win32FileReader(UniqueFile file) : m_file(std::move(file)) {}

    bool GetLength(uint64_t& length) override {
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(m_file.get(), &size) || size.QuadPart < 0) return false;
        length = static_cast<uint64_t>(size.QuadPart);
        return true;
    }

    bool Read(void* buffer, size_t count, size_t& read) override {
        return ReadUntilEnd(buffer, count, read, [this](unsigned char* out, size_t want, size_t& got) {
            // ReadFile counts in DWORDs; a block beyond 4 GiB (x64 only) is read in slices.
            const DWORD slice = want > 0x40000000u ? 0x40000000u : static_cast<DWORD>(want);
            DWORD n = 0;
            if (!::ReadFile(m_file.get(), out, slice, &n, nullptr)) return false;
            got = n;
            return true;
        });
    }

    bool Seek(uint64_t offset) override {
        if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
        LARGE_INTEGER to{};
        to.QuadPart = static_cast<LONGLONG>(offset);
        return ::SetFilePointerEx(m_file.get(), to, nullptr, FILE_BEGIN) != FALSE;
    }

private:
    UniqueFile m_file;
};

}  // namespace

std::unique_ptr<IFileReader> OpenFileForReading(const char* path) {
    if (!path) return nullptr;
#ifdef ORVANTA_SLOW_IO
    static const DWORD slowOpenMs = SlowIoMilliseconds("ORVANTA_SLOW_OPEN_MS");
    if (slowOpenMs != 0) ::Sleep(slowOpenMs);
#endif
    UniqueFile file(::CreateFileW(LongWidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    // A device ("CON.jpg" names the console wherever the system still maps such names, a pipe, a
    // port) is no picture, and its reads can wait for ever.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return nullptr;
    return std::make_unique<Win32FileReader>(std::move(file));
}

}  // namespace orv
