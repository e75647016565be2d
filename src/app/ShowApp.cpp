// Temporary entry point: decides the mode and ends. The application object replaces it.
#include "framework/Win32.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
    orv::DecideMode(args);
    return 0;
}
