# Shared part of the mingw-w64 toolchain files. The caller sets ORVANTA_MINGW_TRIPLE.
# The "-posix" compilers would pull in winpthread's DLL-flavoured threading; the project has one
# thread, so the plain win32 flavour is used where Debian offers the choice.
foreach(tool gcc g++)
  find_program(ORVANTA_MINGW_${tool} NAMES ${ORVANTA_MINGW_TRIPLE}-${tool}-win32 ${ORVANTA_MINGW_TRIPLE}-${tool} REQUIRED)
endforeach()
set(CMAKE_C_COMPILER ${ORVANTA_MINGW_gcc})
set(CMAKE_CXX_COMPILER ${ORVANTA_MINGW_g++})
set(CMAKE_RC_COMPILER ${ORVANTA_MINGW_TRIPLE}-windres)

# The Windows builds of libjpeg-turbo and SQLite are made by scripts/setup into .deps/<arch> and
# .deps/sqlite/<arch> (git ignores .deps).
if(ORVANTA_MINGW_TRIPLE MATCHES "^x86_64")
  set(ORVANTA_DEPS_ARCH win64)
else()
  set(ORVANTA_DEPS_ARCH win32)
endif()
get_filename_component(ORVANTA_DEPS_DIR ${CMAKE_CURRENT_LIST_DIR}/../.deps/${ORVANTA_DEPS_ARCH} ABSOLUTE)
get_filename_component(ORVANTA_SQLITE_DIR ${CMAKE_CURRENT_LIST_DIR}/../.deps/sqlite/${ORVANTA_DEPS_ARCH} ABSOLUTE)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVANTA_MINGW_TRIPLE} ${ORVANTA_DEPS_DIR} ${ORVANTA_SQLITE_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
