/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The CRC-32 path for 64-bit ARM with the ARMv8 CRC32 instructions.  They
// compute the same reflected CRC (polynomial 0xEDB88320) with nothing
// preset or inverted, so they continue the caller's running value directly:
// eight bytes a step, and a byte at a time before the first aligned word and
// after the last.  On other builds the path is never supported.
#ifndef STUBMETA_ENVELOPE_CRC32_ARM_H
#define STUBMETA_ENVELOPE_CRC32_ARM_H

#include <cstddef>
#include <cstdint>

namespace stubmeta {

// True when this build targets little-endian 64-bit ARM Linux and the
// processor has the CRC32 instructions (the kernel's hardware capability
// bits say so).  Asks each time; callers keep the answer.
bool Crc32ArmSupported();

// The CRC step over `length` bytes at `data`; equal to Crc32Bytewise for
// every input.  Only when Crc32ArmSupported().
std::uint32_t Crc32Arm(std::uint32_t crc, const unsigned char* data, std::size_t length);

}  // namespace stubmeta

#endif
