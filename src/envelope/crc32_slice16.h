/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The portable CRC-32 path: sixteen tables, sixteen bytes per step.  Table k
// holds what the reflected CRC makes of a byte followed by k zero bytes, so
// the sixteen lookups of one step are independent of each other and only the
// XOR that joins them waits on the previous step.
#ifndef STUBMETA_ENVELOPE_CRC32_SLICE16_H
#define STUBMETA_ENVELOPE_CRC32_SLICE16_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "envelope/crc32_table.h"

namespace stubmeta {

using Crc32SliceTables = std::array<std::array<std::uint32_t, 256>, 16>;

constexpr Crc32SliceTables MakeCrc32SliceTables() {
    Crc32SliceTables tables{};
    tables[0] = crc32_table;
    for (std::size_t k = 1; k < tables.size(); ++k)
        for (std::size_t n = 0; n < 256; ++n) {
            const std::uint32_t previous = tables[k - 1][n];
            tables[k][n] = (previous >> 8) ^ crc32_table[previous & 0xFFu];
        }
    return tables;
}

inline constexpr Crc32SliceTables crc32_slice_tables = MakeCrc32SliceTables();

// One sixteen-byte step.  `low` holds bytes 0..7 and `high` bytes 8..15 of
// the block, each little-endian (byte 0 in the lowest bits); the running
// value is folded into the first four bytes, which is what the bytewise
// step would do to them one at a time.
constexpr std::uint32_t Crc32SixteenByteStep(std::uint32_t crc, std::uint64_t low,
                                             std::uint64_t high) {
    low ^= crc;
    const auto byte = [](std::uint64_t word, int index) {
        return static_cast<std::size_t>((word >> (8 * index)) & 0xFFu);
    };
    const auto& t = crc32_slice_tables;
    return t[15][byte(low, 0)] ^ t[14][byte(low, 1)] ^ t[13][byte(low, 2)] ^ t[12][byte(low, 3)] ^
           t[11][byte(low, 4)] ^ t[10][byte(low, 5)] ^ t[9][byte(low, 6)] ^ t[8][byte(low, 7)] ^
           t[7][byte(high, 0)] ^ t[6][byte(high, 1)] ^ t[5][byte(high, 2)] ^ t[4][byte(high, 3)] ^
           t[3][byte(high, 4)] ^ t[2][byte(high, 5)] ^ t[1][byte(high, 6)] ^ t[0][byte(high, 7)];
}

// The CRC step over `length` bytes at `data`, sixteen at a time and the
// rest a byte at a time; equal to Crc32Bytewise for every input.
std::uint32_t Crc32SliceBy16(std::uint32_t crc, const unsigned char* data, std::size_t length);

}  // namespace stubmeta

#endif
