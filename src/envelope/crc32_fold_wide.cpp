// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "envelope/crc32_fold.h"

#include "envelope/crc32_slice16.h"

#if defined(__x86_64__)
#include <cpuid.h>

#include "envelope/crc32_fold_x86.h"
#endif

namespace stubmeta {

#if defined(__x86_64__)
namespace {

// The 512-bit registers' state must be saved by the operating system
// (XCR0: SSE, AVX, opmask, and both halves of the upper registers).
bool OperatingSystemSavesWideRegisters() {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    constexpr std::uint32_t kWanted = 0xE6u;
    return (low & kWanted) == kWanted;
}

__attribute__((target("pclmul,sse4.1,avx512f,avx512bw,avx512vl,vpclmulqdq"))) inline __m512i
Broadcast(fold::Multipliers m) {
    const auto high = static_cast<long long>(m.forHighHalf);
    const auto low = static_cast<long long>(m.forLowHalf);
    return _mm512_set_epi64(low, high, low, high, low, high, low, high);
}

__attribute__((target("pclmul,sse4.1,avx512f,avx512bw,avx512vl,vpclmulqdq"))) inline __m512i
Load512(const unsigned char* p) {
    return _mm512_loadu_si512(p);
}

// Four blocks each moved forward by the multipliers' distance, plus `next`.
__attribute__((target("pclmul,sse4.1,avx512f,avx512bw,avx512vl,vpclmulqdq"))) inline __m512i
FoldInto(__m512i blocks, __m512i multipliers, __m512i next) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(blocks, multipliers, 0x00),
                                     _mm512_clmulepi64_epi128(blocks, multipliers, 0x11), next,
                                     0x96);
}

// The four blocks of a register joined into one: each moved forward to the
// place of the last.
__attribute__((target("pclmul,sse4.1,avx512f,avx512bw,avx512vl,vpclmulqdq"))) inline __m128i
JoinBlocks(__m512i blocks) {
    using namespace fold;
    const __m512i multipliers = _mm512_set_epi64(
        0, 0, static_cast<long long>(kBy128.forLowHalf), static_cast<long long>(kBy128.forHighHalf),
        static_cast<long long>(kBy256.forLowHalf), static_cast<long long>(kBy256.forHighHalf),
        static_cast<long long>(kBy384.forLowHalf), static_cast<long long>(kBy384.forHighHalf));
    const __m512i moved = _mm512_mask_blend_epi64(
        0xC0, FoldInto(blocks, multipliers, _mm512_setzero_si512()), blocks);
    const __m256i halves = _mm256_xor_si256(_mm512_maskz_extracti64x4_epi64(0xF, moved, 0),
                                            _mm512_maskz_extracti64x4_epi64(0xF, moved, 1));
    return _mm_xor_si128(_mm256_castsi256_si128(halves), _mm256_extracti128_si256(halves, 1));
}

}  // namespace

bool Crc32FoldWideSupported() {
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    if (!Crc32FoldSupported() || __get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0 ||
        (ecx & bit_OSXSAVE) == 0)
        return false;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0)
        return false;
    const bool wanted = (ebx & bit_AVX512F) != 0 && (ebx & bit_AVX512BW) != 0 &&
                        (ebx & bit_AVX512VL) != 0 && (ecx & bit_VPCLMULQDQ) != 0;
    return wanted && OperatingSystemSavesWideRegisters();
}

__attribute__((target("pclmul,sse4.1,avx512f,avx512bw,avx512vl,vpclmulqdq"))) std::uint32_t
Crc32FoldWide(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    using namespace fold;
    const unsigned char* const end = data + length;
    if (length < 64) {
        // Short inputs take the 128-bit steps, but here, in this function's
        // (VEX) encoding: calling the 128-bit path's legacy-SSE code after
        // 512-bit work cost a state transition that tripled the time of
        // independent calls below 64 bytes.
        if (length < 16)
            return Crc32Bytewise(crc, data, length);
        const __m128i first = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
        return FinishFrom(first, data + 16, end);
    }
    // The running value joins the first four bytes, as in the 128-bit path.
    __m512i z0 = _mm512_xor_si512(Load512(data),
                                  _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(crc))));
    data += 64;
    if (end - data >= 192) {
        __m512i z1 = Load512(data);
        __m512i z2 = Load512(data + 64);
        __m512i z3 = Load512(data + 128);
        data += 192;
        const __m512i by2048 = Broadcast(kBy2048);
        while (end - data >= 256) {
            z0 = FoldInto(z0, by2048, Load512(data));
            z1 = FoldInto(z1, by2048, Load512(data + 64));
            z2 = FoldInto(z2, by2048, Load512(data + 128));
            z3 = FoldInto(z3, by2048, Load512(data + 192));
            data += 256;
        }
        z2 = FoldInto(z2, Broadcast(kBy512), z3);
        z1 = FoldInto(z1, Broadcast(kBy1024), z2);
        z0 = FoldInto(z0, Broadcast(kBy1536), z1);
    }
    const __m512i by512 = Broadcast(kBy512);
    while (end - data >= 64) {
        z0 = FoldInto(z0, by512, Load512(data));
        data += 64;
    }
    return FinishFrom(JoinBlocks(z0), data, end);
}

#else

bool Crc32FoldWideSupported() { return false; }

std::uint32_t Crc32FoldWide(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    return Crc32SliceBy16(crc, data, length);
}

#endif

}  // namespace stubmeta
