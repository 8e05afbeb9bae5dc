# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Linux on 64-bit ARM (AArch64) with Debian's cross GCC
# (g++-aarch64-linux-gnu).  Programs run under qemu-user (qemu-aarch64),
# whose default processor has the CRC32 instructions.
#   cmake -S . -B build-arm64 --toolchain cmake/toolchains/arm64.cmake
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(STUBMETA_CROSS_TRIPLE aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
