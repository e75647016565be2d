#pragma once
// The one way the Win32 glue includes <windows.h>.
#include <windows.h>

#include "core/framework/Geometry.h"

// <windows.h> maps the old profile functions to their ...A forms with macros. The profile store
// interface has operations of these names, and a macro applied in some files but not in others
// would rename them there: take the macros away once, here.
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString

// The core's rectangle from a Win32 one, at the boundary between them.
inline orv::Rect ToRect(const RECT& rc) { return orv::Rect{rc.left, rc.top, rc.right, rc.bottom}; }
