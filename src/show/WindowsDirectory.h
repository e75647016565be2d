#pragma once
#include <string>

// The Windows directory as the system reports it, read into a 512-byte buffer (so at most 511
// characters); empty if the system reports none that fits.
std::string WindowsDirectory();
