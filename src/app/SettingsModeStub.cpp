// Placeholder for settings mode until src/ui/RunSettingsDialog.cpp provides the real runner; the
// build drops this file as soon as that one exists.
#include "app/ShowApp.h"

void RunSettingsDialog(HWND) {}
