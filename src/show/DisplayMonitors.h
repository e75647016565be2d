#pragma once
#include <vector>

#include "core/framework/Geometry.h"
#include "core/show/Monitors.h"

// The display monitors that the desktop spans now, in the order EnumDisplayMonitors gives them,
// each with its rectangle on the virtual screen and the primary flag. Empty if the system lists
// none.
std::vector<orv::MonitorRect> DisplayMonitors();

// The virtual screen (the bounding rectangle of every monitor); the primary screen if the system
// reports no virtual screen.
orv::Rect VirtualScreen();
