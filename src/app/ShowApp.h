#pragma once
// The application object: decides the saver's mode from the command line and starts it.
#include "framework/WinApp.h"

class CShowApp : public CWinApp {
public:
    CShowApp();
    ~CShowApp() override;
    BOOL InitInstance() override;
};
