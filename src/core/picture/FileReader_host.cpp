// POSIX file layer for the host build.
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/picture/FileReader.h"

namespace orv {
namespace {

class PosixFileReader final : public IFileReader {
public:
    explicit PosixFileReader(int fd) : m_fd(fd) {}
    ~PosixFileReader() override { ::close(m_fd); }
    PosixFileReader(const PosixFileReader&) = delete;
    PosixFileReader& operator=(const PosixFileReader&) = delete;

    bool GetLength(uint64_t& length) override {
        struct stat info {};
        if (::fstat(m_fd, &info) != 0 || info.st_size < 0) return false;
        length = static_cast<uint64_t>(info.st_size);
        return true;
    }

    bool Read(void* buffer, size_t count, size_t& read) override {
        return ReadUntilEnd(buffer, count, read, [this](unsigned char* out, size_t want, size_t& got) {
            for (;;) {
                const ssize_t n = ::read(m_fd, out, want);
                if (n >= 0) {
                    got = static_cast<size_t>(n);
                    return true;
                }
                if (errno != EINTR) return false;  // a signal during the read is no error
            }
        });
    }

    bool Seek(uint64_t offset) override {
        if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
        return ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(-1);
    }

private:
    int m_fd;
};

}  // namespace

std::unique_ptr<IFileReader> OpenFileForReading(const char* path) {
    if (!path) return nullptr;
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixFileReader>(fd);
}

}  // namespace orv
