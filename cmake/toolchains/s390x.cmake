# Linux on s390x, a big-endian 64-bit machine, with Debian's cross GCC
# (g++-s390x-linux-gnu).  Programs run under qemu-user (qemu-s390x) with
# the cross libraries' folder as its root for the loader and libraries.
#   cmake -S . -B build-s390x --toolchain cmake/toolchains/s390x.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(STUBMETA_CROSS_TRIPLE s390x-linux-gnu)

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
