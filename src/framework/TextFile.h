#pragma once
// Reading a small text file whole, bounded. Win32 only.
#include <cstddef>
#include <string>

// Appends at most maxBytes bytes of the file at path (in the process code page, any length) to out. FALSE
// when the file cannot be opened or is not a disk file (a device name such as CON); a read error part-way
// keeps what was read before it and returns TRUE.
bool ReadFileBounded(const char* path, std::size_t maxBytes, std::string& out);
