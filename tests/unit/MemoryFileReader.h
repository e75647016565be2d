#pragma once
// An IFileReader over bytes in memory that can be told to fail: the length query, or a read once
// a given number of bytes has been delivered (a read error part-way), or to report a length other
// than the bytes it holds (a file that shrank after its length was taken).
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "core/picture/FileReader.h"

class MemoryFileReader : public orv::IFileReader {
public:
    explicit MemoryFileReader(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}

    bool failLength = false;
    std::optional<uint64_t> reportedLength;
    std::optional<size_t> failReadsFrom;  // reads touching this offset or beyond fail

    bool GetLength(uint64_t& length) override {
        if (failLength) return false;
        length = reportedLength ? *reportedLength : m_bytes.size();
        return true;
    }

    bool Read(void* buffer, size_t count, size_t& read) override {
        read = 0;
        if (failReadsFrom && m_position + count > *failReadsFrom) return false;
        const size_t n = std::min(count, m_bytes.size() - m_position);
        if (n) std::memcpy(buffer, m_bytes.data() + m_position, n);
        m_position += n;
        read = n;
        return true;
    }

    bool Seek(uint64_t offset) override {
        if (failSeek) return false;
        m_position = offset < m_bytes.size() ? static_cast<size_t>(offset) : m_bytes.size();
        return true;
    }

    bool failSeek = false;

private:
    std::vector<uint8_t> m_bytes;
    size_t m_position = 0;
};
