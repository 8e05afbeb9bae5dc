/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The carry-less-multiplication CRC-32 paths for x86-64.  They fold the
// input into 128-bit blocks (four accumulators of one block each, or of four
// blocks each with 512-bit registers), join the accumulators into one block,
// and let the sixteen-byte table step turn that block into the running
// value.  On other builds neither is supported.
#ifndef STUBMETA_ENVELOPE_CRC32_FOLD_H
#define STUBMETA_ENVELOPE_CRC32_FOLD_H

#include <cstddef>
#include <cstdint>

namespace stubmeta {

// True when this build and this processor can run Crc32Fold: PCLMULQDQ and
// SSE4.1.  Asks the processor each time; callers keep the answer.
bool Crc32FoldSupported();

// The CRC step over `length` bytes at `data` with 128-bit registers; equal to
// Crc32Bytewise for every input.  Only when Crc32FoldSupported().
std::uint32_t Crc32Fold(std::uint32_t crc, const unsigned char* data, std::size_t length);

// True when this build and this processor can run Crc32FoldWide: the
// above, VPCLMULQDQ and AVX-512 (F, BW, VL), with the operating system
// saving the 512-bit registers.
bool Crc32FoldWideSupported();

// As Crc32Fold, with 512-bit registers from 64 bytes on.  Only when
// Crc32FoldWideSupported().
std::uint32_t Crc32FoldWide(std::uint32_t crc, const unsigned char* data, std::size_t length);

}  // namespace stubmeta

#endif
