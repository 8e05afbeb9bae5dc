/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The multipliers of the folding CRC-32 paths, computed at compile time.
//
// The message, read as a polynomial over GF(2) with the first byte's lowest
// bit as the highest coefficient, has the running value as its remainder
// after multiplication by x^32 modulo P (x^32 plus 0x04C11DB7).  Any
// polynomial congruent to the message modulo P therefore leaves the same
// value, and a 128-bit block can be moved forward by d bits by multiplying
// its two 64-bit halves with x^(d+64) mod P and x^d mod P and adding the
// products: the result has degree below 96 and fits a block again.
//
// A 128-bit register loaded from memory holds its polynomial reflected: bit
// j is the coefficient of x^(127-j), so the low quadword is the high half.
// A carry-less product of two reflected 64-bit numbers comes out one degree
// short as a reflected 128-bit number, which each multiplier absorbs by
// being x^(d-1) mod P instead of x^d mod P.
#ifndef STUBMETA_ENVELOPE_CRC32_FOLD_MATH_H
#define STUBMETA_ENVELOPE_CRC32_FOLD_MATH_H

#include <cstdint>

#include "envelope/crc32_table.h"

namespace stubmeta::fold {

inline constexpr std::uint64_t kFullPolynomial = 0x104C11DB7u;

// x^n mod P, with bit m the coefficient of x^m.
constexpr std::uint64_t PowerOfXModP(unsigned n) {
    std::uint64_t r = 1;
    for (unsigned i = 0; i < n; ++i) {
        r <<= 1;
        if ((r >> 32) != 0)
            r ^= kFullPolynomial;
    }
    return r;
}

constexpr std::uint64_t Reverse64(std::uint64_t v) {
    std::uint64_t r = 0;
    for (int i = 0; i < 64; ++i, v >>= 1)
        r = (r << 1) | (v & 1u);
    return r;
}

static_assert(Reverse64(PowerOfXModP(32)) >> 32 == kCrc32Polynomial,
              "x^32 mod P, reflected, is the table's reflected polynomial");

// The two multipliers that move a 128-bit block forward: one for each half.
struct Multipliers {
    std::uint64_t forHighHalf;  // the register's low quadword
    std::uint64_t forLowHalf;   // the register's high quadword
};

constexpr Multipliers ForwardBy(unsigned bits) {
    return {Reverse64(PowerOfXModP(bits + 64 - 1)), Reverse64(PowerOfXModP(bits - 1))};
}

inline constexpr Multipliers kBy128 = ForwardBy(128);
inline constexpr Multipliers kBy256 = ForwardBy(256);
inline constexpr Multipliers kBy384 = ForwardBy(384);
inline constexpr Multipliers kBy512 = ForwardBy(512);
inline constexpr Multipliers kBy1024 = ForwardBy(1024);
inline constexpr Multipliers kBy1536 = ForwardBy(1536);
inline constexpr Multipliers kBy2048 = ForwardBy(2048);

// The low n bits of v in reverse order.
constexpr std::uint64_t ReverseLow(std::uint64_t v, unsigned n) { return Reverse64(v) >> (64 - n); }

// The multipliers that turn a last 128-bit block into the running value
// (its remainder after multiplication by x^32, modulo P) with two
// carry-less products and a four-byte table step instead of sixteen table
// lookups: the block's high half moved forward by 96 bits, then the 32 bits
// still above 64 moved forward by 64; the table step reduces the 64 left.
// Both are reflected like the registers and carry a product's one-degree
// shortfall.
struct Reduction {
    std::uint64_t byX96;  // 64-bit reflected x^95 mod P
    std::uint64_t byX64;  // 32-bit reflected x^63 mod P
};

inline constexpr Reduction kReduction = {Reverse64(PowerOfXModP(95)),
                                         ReverseLow(PowerOfXModP(63), 32)};

}  // namespace stubmeta::fold

#endif
