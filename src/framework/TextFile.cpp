#include "framework/TextFile.h"

#include "framework/Unique.h"
#include "framework/WidePath.h"

bool ReadFileBounded(const char* path, std::size_t maxBytes, std::string& out) {
    // Shared as the runtime's fopen shares: another program may have the file open for writing.
    // The wide call on the long form: a caption beside a picture deep in a library may lie past
    // 260 characters.
    UniqueFile file(::CreateFileW(LongWidePath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    // "CON.txt", "COM1.txt" and the like open devices, whose reads can wait for ever.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return false;

    char chunk[4096];
    while (maxBytes > 0) {
        const DWORD want = static_cast<DWORD>(maxBytes < sizeof chunk ? maxBytes : sizeof chunk);
        DWORD got = 0;
        if (!::ReadFile(file.get(), chunk, want, &got, nullptr) || got == 0) break;
        out.append(chunk, got);
        maxBytes -= got;
    }
    return true;
}
