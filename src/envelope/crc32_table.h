/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The standard table of the reflected CRC-32 (IEEE 802.3, polynomial
// 0xEDB88320), generated at compile time: entry n is what eight reflected
// shift steps make of n.
#ifndef STUBMETA_ENVELOPE_CRC32_TABLE_H
#define STUBMETA_ENVELOPE_CRC32_TABLE_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace stubmeta {

inline constexpr std::uint32_t kCrc32Polynomial = 0xEDB88320u;

constexpr std::array<std::uint32_t, 256> MakeCrc32Table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int step = 0; step < 8; ++step)
            c = (c & 1u) != 0 ? (c >> 1) ^ kCrc32Polynomial : c >> 1;
        table[n] = c;
    }
    return table;
}

inline constexpr std::array<std::uint32_t, 256> crc32_table = MakeCrc32Table();

static_assert(crc32_table[0] == 0u);
static_assert(crc32_table[1] == 0x77073096u);
static_assert(crc32_table[255] == 0x2D02EF8Du);

// The byte-at-a-time step: the reference every faster path must equal.
constexpr std::uint32_t Crc32Bytewise(std::uint32_t crc, const unsigned char* data,
                                      std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        crc = (crc >> 8) ^ crc32_table[(crc ^ data[i]) & 0xFFu];
    return crc;
}

}  // namespace stubmeta

#endif
