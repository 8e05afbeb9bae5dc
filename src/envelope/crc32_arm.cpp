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
// the library still runs on a processor without them.
#if defined(__clang__)
#define STUBMETA_TARGET_CRC __attribute__((target("crc")))
#else
#define STUBMETA_TARGET_CRC __attribute__((target("+crc")))
#endif
#endif

namespace stubmeta {

#if defined(STUBMETA_CRC32_ARM)

bool Crc32ArmSupported() { return (getauxval(AT_HWCAP) & HWCAP_CRC32) != 0; }

STUBMETA_TARGET_CRC std::uint32_t Crc32Arm(std::uint32_t crc, const unsigned char* data,
                                           std::size_t length) {
    while (length != 0 && reinterpret_cast<std::uintptr_t>(data) % 8 != 0) {
        crc = __crc32b(crc, *data++);
        --length;
    }
    // CRC32X takes its eight bytes as a little-endian word: the first byte
    // in the lowest bits, as the bytewise step consumes them.
    for (; length >= 8; data += 8, length -= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, data, sizeof word);
        crc = __crc32d(crc, word);
    }
    while (length-- != 0)
        crc = __crc32b(crc, *data++);
    return crc;
}

#else

bool Crc32ArmSupported() { return false; }

std::uint32_t Crc32Arm(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    return Crc32SliceBy16(crc, data, length);
}

#endif

}  // namespace stubmeta
