# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Windows x86-64 with Debian's MinGW-w64 GCC (g++-mingw-w64-x86-64), in its
# POSIX-threads variant so that the C++ thread library is complete.  Programs
# run under Wine (wine64).
#   cmake -S . -B build-windows --toolchain cmake/toolchains/windows.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(STUBMETA_CROSS_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${STUBMETA_CROSS_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${STUBMETA_CROSS_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${STUBMETA_CROSS_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${STUBMETA_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime (libgcc, libstdc++, winpthreads) is linked in, so
# stubmeta.dll and the test programs need no MinGW DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

find_program(STUBMETA_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT STUBMETA_WINE)
  find_program(STUBMETA_WINE NAMES wine64 wine)
endif()
if(STUBMETA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${STUBMETA_WINE})
endif()
