/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Short byte runs: copying, searching and measuring them without a call into
// the C library.  Stub texts are made of fields a few bytes long, where the
// call itself would cost more than the work; every helper reads and writes
// only inside the ranges it is given.
#ifndef STUBMETA_SUPPORT_BYTES_H
#define STUBMETA_SUPPORT_BYTES_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace stubmeta {

// Eight bytes as a little-endian number, the first byte in the lowest bits,
// whatever the host's byte order: the word-at-a-time scans below and in the
// decimal and CRC code rely on that order.  Compilers turn this into one
// load on a little-endian host and one byte-reversing load on a big-endian
// one.
inline std::uint64_t LoadLittleEndian64(const void* p) {
    const auto* b = static_cast<const unsigned char*>(p);
    const auto at = [b](int i, int shift) { return std::uint64_t{b[i]} << shift; };
    return at(0, 0) | at(1, 8) | at(2, 16) | at(3, 24) | at(4, 32) | at(5, 40) | at(6, 48) |
           at(7, 56);
}

// Copies `length` bytes and writes nothing outside [to, to + length).  Up to
// 32 bytes take two fixed-size copies that may overlap; longer runs are
// copied 32 bytes at a time, the last piece overlapping the one before.
inline void CopyBytes(char* to, const char* from, std::size_t length) {
    if (length > 32) {
        for (std::size_t done = 0; done + 32 < length; done += 32)
            std::memcpy(to + done, from + done, 32);
        std::memcpy(to + length - 32, from + length - 32, 32);
    } else if (length >= 16) {
        std::memcpy(to, from, 16);
        std::memcpy(to + length - 16, from + length - 16, 16);
    } else if (length >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + length - 8, from + length - 8, 8);
    } else if (length >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + length - 4, from + length - 4, 4);
    } else if (length >= 2) {
        std::memcpy(to, from, 2);
        std::memcpy(to + length - 2, from + length - 2, 2);
    } else if (length == 1) {
        *to = *from;
    }
}

// First occurrence of c in [from, end), or null.  Sixteen bytes are compared
// at once where the processor has the instructions, then eight: a byte equal
// to c becomes a zero byte after the XOR, and with the word read
// little-endian the lowest byte flagged by the zero-byte test is always a
// real one (a false flag can only sit above a real zero).
inline const char* FindByte(const char* from, const char* end, char c) {
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    for (; end - from >= 16; from += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
        if (hits != 0)
            return from + std::countr_zero(hits);
    }
#endif
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
    for (; end - from >= 8; from += 8) {
        const std::uint64_t x = LoadLittleEndian64(from) ^ pattern;
        const std::uint64_t zeros = (x - kOnes) & ~x & kHighBits;
        if (zeros != 0)
            return from + std::countr_zero(zeros) / 8;
    }
    for (; from < end; ++from)
        if (*from == c)
            return from;
    return nullptr;
}

// The characters of a field of `width` bytes up to its NUL, never more than
// the width.
inline std::size_t BoundedLength(const char* field, std::size_t width) {
    const char* nul = FindByte(field, field + width, '\0');
    return nul == nullptr ? width : static_cast<std::size_t>(nul - field);
}

}  // namespace stubmeta

#endif
