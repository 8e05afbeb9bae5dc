# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# What the Linux cross toolchains share: Debian's cross GCC named by
# STUBMETA_CROSS_TRIPLE, its libraries and headers as the only ones found,
# and qemu-user for CMAKE_SYSTEM_PROCESSOR to run the programs built, with
# the cross libraries' folder as the root for the loader.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${STUBMETA_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${STUBMETA_CROSS_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${STUBMETA_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(STUBMETA_QEMU qemu-${CMAKE_SYSTEM_PROCESSOR})
if(STUBMETA_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${STUBMETA_QEMU} -L /usr/${STUBMETA_CROSS_TRIPLE})
endif()
