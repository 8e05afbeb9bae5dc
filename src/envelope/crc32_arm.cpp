// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "envelope/crc32_arm.h"

#include "envelope/crc32_slice16.h"

#if defined(__aarch64__) && defined(__linux__) && defined(__AARCH64EL__)
#define STUBMETA_CRC32_ARM 1
#include <arm_acle.h>
#include <sys/auxv.h>

#include <cstring>

#ifndef HWCAP_CRC32
#define HWCAP_CRC32 (1UL << 7)
#endif

// The instructions are enabled for these functions alone, so the rest of
// the library still runs on a processor without them.  clang's arm_acle.h
// declares __crc32b and __crc32d only when the whole build has them, so
// clang calls its builtins, which the target attribute enables.
#if defined(__clang__)
#define STUBMETA_TARGET_CRC __attribute__((target("crc")))
#define STUBMETA_CRC32B __builtin_arm_crc32b
#define STUBMETA_CRC32D __builtin_arm_crc32d
#else
#define STUBMETA_TARGET_CRC __attribute__((target("+crc")))
#define STUBMETA_CRC32B __crc32b
#define STUBMETA_CRC32D __crc32d
#endif
#endif

namespace stubmeta {

#if defined(STUBMETA_CRC32_ARM)

bool Crc32ArmSupported() { return (getauxval(AT_HWCAP) & HWCAP_CRC32) != 0; }

STUBMETA_TARGET_CRC std::uint32_t Crc32Arm(std::uint32_t crc, const unsigned char* data,
                                           std::size_t length) {
    while (length != 0 && reinterpret_cast<std::uintptr_t>(data) % 8 != 0) {
        crc = STUBMETA_CRC32B(crc, *data++);
        --length;
    }
    // CRC32X takes its eight bytes as a little-endian word: the first byte
    // in the lowest bits, as the bytewise step consumes them.
    for (; length >= 8; data += 8, length -= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, data, sizeof word);
        crc = STUBMETA_CRC32D(crc, word);
    }
    while (length-- != 0)
        crc = STUBMETA_CRC32B(crc, *data++);
    return crc;
}

#else

bool Crc32ArmSupported() { return false; }

std::uint32_t Crc32Arm(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    return Crc32SliceBy16(crc, data, length);
}

#endif

}  // namespace stubmeta
