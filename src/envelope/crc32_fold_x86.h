/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// 128-bit building blocks shared by the x86-64 folding paths; included only
// by their sources, on x86-64 builds.  Every function carries the target
// attribute so that no compiler flag is needed: the callers run them only
// after asking the processor.
#ifndef STUBMETA_ENVELOPE_CRC32_FOLD_X86_H
#define STUBMETA_ENVELOPE_CRC32_FOLD_X86_H

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "envelope/crc32_fold_math.h"
#include "envelope/crc32_slice16.h"

namespace stubmeta::fold {

__attribute__((target("pclmul,sse4.1"))) inline __m128i Pair(Multipliers m) {
    return _mm_set_epi64x(static_cast<long long>(m.forLowHalf),
                          static_cast<long long>(m.forHighHalf));
}

// `block` moved forward by the distance its multipliers stand for.
__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i block, __m128i multipliers) {
    return _mm_xor_si128(_mm_clmulepi64_si128(block, multipliers, 0x00),
                         _mm_clmulepi64_si128(block, multipliers, 0x11));
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i Load(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Byte selectors for PSHUFB, read from offset t (1..15): a selector with its
// top bit set yields zero.  kKeepFrom moves bytes t..15 to the front,
// kMoveToBack moves bytes 0..t-1 to the back.
alignas(16) inline constexpr unsigned char kKeepFrom[32] = {
    0,    1,    2,    3,    4,    5,    6,    7,    8,    9,    10,   11,   12,   13,   14,   15,
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
alignas(16) inline constexpr unsigned char kMoveToBack[32] = {
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
    0,    1,    2,    3,    4,    5,    6,    7,    8,    9,    10,   11,   12,   13,   14,   15};

// The running value of a message that is just `block` (what the table step
// makes of it from 0), by the reduction of kReduction: two carry-less
// products and four table loads, where the sixteen-byte step takes sixteen
// loads (which independent calls on short inputs felt most).
__attribute__((target("pclmul,sse4.1"))) inline std::uint32_t Reduce(__m128i block) {
    const __m128i forward = _mm_set_epi64x(static_cast<long long>(kReduction.byX64),
                                           static_cast<long long>(kReduction.byX96));
    // 128 bits to 96 (held in bits 32..127): the high half (low quadword)
    // moved forward by 96 bits, plus the low half moved up by 32.  Bits
    // 0..31 are never read again, so the byte shift may leave what it likes
    // there.
    const __m128i wide =
        _mm_xor_si128(_mm_clmulepi64_si128(block, forward, 0x00), _mm_srli_si128(block, 4));
    // 96 bits to 64: the top 32 (bits 32..63) moved forward by 64.
    const __m128i narrow = _mm_xor_si128(
        _mm_srli_si128(wide, 8), _mm_clmulepi64_si128(_mm_srli_epi64(wide, 32), forward, 0x10));
    // 64 bits to 32: the top 32 bits through the four-byte table step, the
    // rest added.
    const auto rest = static_cast<std::uint64_t>(_mm_cvtsi128_si64(narrow));
    const auto& t = crc32_slice_tables;
    return t[3][rest & 0xFFu] ^ t[2][(rest >> 8) & 0xFFu] ^ t[1][(rest >> 16) & 0xFFu] ^
           t[0][(rest >> 24) & 0xFFu] ^ static_cast<std::uint32_t>(rest >> 32);
}

// The running value of a message whose folded prefix is `block` and whose
// rest is the bytes from `data` to `end`.  At least sixteen bytes of input
// must lie before `data`.
__attribute__((target("pclmul,sse4.1"))) inline std::uint32_t
FinishFrom(__m128i block, const unsigned char* data, const unsigned char* end) {
    const __m128i by128 = Pair(kBy128);
    while (end - data >= 16) {
        block = _mm_xor_si128(Fold(block, by128), Load(data));
        data += 16;
    }
    const auto tail = static_cast<std::size_t>(end - data);
    if (tail != 0) {
        // The block and the tail make a message of 16 + tail bytes: its
        // first `tail` bytes become a block of their own one block ahead,
        // and the other sixteen are the block's last bytes followed by the
        // tail, which are the input's last sixteen bytes.
        const __m128i keep = Load(kKeepFrom + tail);
        const __m128i back = Load(kMoveToBack + tail);
        const __m128i ahead = _mm_shuffle_epi8(block, back);
        const __m128i last = _mm_blendv_epi8(Load(end - 16), _mm_shuffle_epi8(block, keep), back);
        block = _mm_xor_si128(Fold(ahead, by128), last);
    }
    return Reduce(block);
}

}  // namespace stubmeta::fold

#endif
