#pragma once
// Scratch files for the picture tests: a private folder removed with everything in it, and
// helpers to write bytes and count the process's open descriptors (a leaked FILE shows up there).
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

class PictureFolder {
public:
    PictureFolder() {
        char pattern[] = "/tmp/orvanta-pict-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made) m_path = made;
    }
    ~PictureFolder() {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    PictureFolder(const PictureFolder&) = delete;
    PictureFolder& operator=(const PictureFolder&) = delete;

    // Writes bytes to name (folders on the way are made) and returns the full path.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::filesystem::path path = std::filesystem::path(m_path) / name;
        std::filesystem::create_directories(path.parent_path());
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr) << path;
        if (f) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path.string();
    }
    std::string Path(const std::string& name) const {
        return (std::filesystem::path(m_path) / name).string();
    }

private:
    std::string m_path;
};

inline int OpenDescriptorCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}
