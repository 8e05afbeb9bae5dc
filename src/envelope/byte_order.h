/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Network (big-endian) byte order for the envelope's fields.
#ifndef STUBMETA_ENVELOPE_BYTE_ORDER_H
#define STUBMETA_ENVELOPE_BYTE_ORDER_H

#include <bit>
#include <cstdint>

namespace stubmeta {

constexpr std::uint64_t SwapBytes64(std::uint64_t v) {
    v = ((v & 0x00FF00FF00FF00FFull) << 8) | ((v >> 8) & 0x00FF00FF00FF00FFull);
    v = ((v & 0x0000FFFF0000FFFFull) << 16) | ((v >> 16) & 0x0000FFFF0000FFFFull);
    return (v << 32) | (v >> 32);
}

// Host to network order; its own inverse, and the identity on a big-endian
// host.  The exported tkhsm_ntohll is the same conversion.
constexpr std::uint64_t tkhsm_htonll(std::uint64_t value) {
    if constexpr (std::endian::native == std::endian::little)
        return SwapBytes64(value);
    else
        return value;
}

// Big-endian fields at any offset of a byte run, read and written a byte at
// a time: the envelope is packed, so its fields are not aligned.
constexpr std::uint64_t LoadBigEndian(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

// The envelope's trailer as a little-endian writer stores it.
constexpr std::uint32_t LoadLittleEndian32(const unsigned char* p) {
    return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) |
           p[0];
}

constexpr void StoreBigEndian(unsigned char* p, std::uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        p[i] = static_cast<unsigned char>(v & 0xFFu);
        v >>= 8;
    }
}

}  // namespace stubmeta

#endif
