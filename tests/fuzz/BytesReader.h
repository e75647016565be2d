#pragma once
// The file layer over a fuzz input in memory, so the loaders read what the fuzzer gives them
// without a file: a read can be made to fail once a given offset is reached.
#include <cstdint>
#include <cstring>

#include "core/picture/FileReader.h"

class BytesReader final : public orv::IFileReader {
public:
    BytesReader(const uint8_t* data, size_t size, size_t failAt = SIZE_MAX)
        : m_data(data), m_size(size), m_failAt(failAt) {}
    bool GetLength(uint64_t& length) override {
        length = m_size;
        return true;
    }
    bool Read(void* buffer, size_t count, size_t& read) override {
        read = 0;
        if (m_position + count > m_failAt) return false;
        const size_t n = count < m_size - m_position ? count : m_size - m_position;
        if (n) std::memcpy(buffer, m_data + m_position, n);
        m_position += n;
        read = n;
        return true;
    }
    bool Seek(uint64_t offset) override {
        m_position = offset < m_size ? static_cast<size_t>(offset) : m_size;
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_failAt;
    size_t m_position = 0;
};
