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

bool Crc32FoldSupported() {
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0)
        return false;
    return (ecx & bit_PCLMUL) != 0 && (ecx & bit_SSE4_1) != 0;
}

__attribute__((target("pclmul,sse4.1"))) std::uint32_t
Crc32Fold(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    using namespace fold;
    if (length < 16)
        return Crc32Bytewise(crc, data, length);
    const unsigned char* const end = data + length;
    // The running value joins the first four bytes, as the bytewise step
    // would fold it in; from here on the value to fold in is 0.
    __m128i x0 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    data += 16;
    if (end - data >= 48) {
        __m128i x1 = Load(data);
        __m128i x2 = Load(data + 16);
        __m128i x3 = Load(data + 32);
        data += 48;
        const __m128i by512 = Pair(kBy512);
        while (end - data >= 64) {
            x0 = _mm_xor_si128(Fold(x0, by512), Load(data));
            x1 = _mm_xor_si128(Fold(x1, by512), Load(data + 16));
            x2 = _mm_xor_si128(Fold(x2, by512), Load(data + 32));
            x3 = _mm_xor_si128(Fold(x3, by512), Load(data + 48));
            data += 64;
        }
        x0 = _mm_xor_si128(_mm_xor_si128(Fold(x0, Pair(kBy384)), Fold(x1, Pair(kBy256))),
                           _mm_xor_si128(Fold(x2, Pair(kBy128)), x3));
    }
    return FinishFrom(x0, data, end);
}

#else

bool Crc32FoldSupported() { return false; }

std::uint32_t Crc32Fold(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    return Crc32SliceBy16(crc, data, length);
}

#endif

}  // namespace stubmeta
