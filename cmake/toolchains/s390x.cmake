# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Linux on s390x, a big-endian 64-bit machine, with Debian's cross GCC
# (g++-s390x-linux-gnu).  Programs run under qemu-user (qemu-s390x) with
# the cross libraries' folder as its root for the loader and libraries.
#   cmake -S . -B build-s390x --toolchain cmake/toolchains/s390x.cmake
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(STUBMETA_CROSS_TRIPLE s390x-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
