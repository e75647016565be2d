#include "app/ShowApp.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"

CShowApp theApp;

CShowApp::CShowApp() = default;
CShowApp::~CShowApp() = default;

BOOL CShowApp::InitInstance() {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
    orv::DecideMode(args);
    return FALSE;
}
