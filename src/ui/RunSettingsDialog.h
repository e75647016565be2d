#pragma once
// Settings mode. Win32 only.
#include "framework/Win32.h"

// Runs the settings dialog owned by owner (null for none) and saves the settings when it ends
// with OK.
void RunSettingsDialog(HWND owner);
