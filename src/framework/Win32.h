#pragma once
// The one way the Win32 glue includes <windows.h>.
#include <windows.h>

// <windows.h> maps the old profile functions to their ...A forms with macros. The settings store
// interface has operations of these names, and a macro applied in some files but not in others
// would rename them there: take the macros away once, here.
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString
