# Linux on 64-bit ARM (AArch64) with Debian's cross GCC
# (g++-aarch64-linux-gnu).  Programs run under qemu-user (qemu-aarch64),
# whose default processor has the CRC32 instructions.
#   cmake -S . -B build-arm64 --toolchain cmake/toolchains/arm64.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(STUBMETA_CROSS_TRIPLE aarch64-linux-gnu)

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
