// Decimal text to the record's numbers.
//
// Every reading skips leading white space, takes one optional sign and the
// digits after it, stops at the first non-digit and gives 0 for text without
// digits, as the C library's conversions do, but with defined results for
// any text: out-of-range values saturate instead of overflowing, and the
// unsigned reading covers the full 64-bit range, so every number a writer
// prints reads back exactly.
#ifndef STUBMETA_FORMATS_DECIMAL_H
#define STUBMETA_FORMATS_DECIMAL_H

#include <cstdint>
#include <limits>

namespace stubmeta {

struct DecimalMagnitude {
    bool negative = false;
    bool overflow = false; // more than 2^64 - 1
    std::uint64_t value = 0;
};

constexpr bool IsDecimalSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The sign and magnitude of the number at the start of text (null gives 0).
constexpr DecimalMagnitude ReadMagnitude(const char *text) {
    DecimalMagnitude m;
    if (text == nullptr)
        return m;
    while (IsDecimalSpace(*text))
        ++text;
    if (*text == '+' || *text == '-')
        m.negative = *text++ == '-';
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    for (; *text >= '0' && *text <= '9'; ++text) {
        const auto digit = static_cast<std::uint64_t>(*text - '0');
        if (m.overflow || m.value > (kMax - digit) / 10) {
            m.overflow = true;
            continue;
        }
        m.value = m.value * 10 + digit;
    }
    return m;
}

// Like strtoull: the full unsigned range, a '-' negates modulo 2^64, and a
// magnitude beyond 2^64 - 1 saturates there.
constexpr std::uint64_t ReadUnsigned64(const char *text) {
    const DecimalMagnitude m = ReadMagnitude(text);
    if (m.overflow)
        return std::numeric_limits<std::uint64_t>::max();
    return m.negative ? 0 - m.value : m.value;
}

// Like strtoll and the C library's atoll: saturates at the signed limits.
constexpr std::int64_t ReadSigned64(const char *text) {
    const DecimalMagnitude m = ReadMagnitude(text);
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (m.negative) {
        if (m.overflow || m.value > kMax + 1)
            return std::numeric_limits<std::int64_t>::min();
        return m.value == kMax + 1 ? std::numeric_limits<std::int64_t>::min()
                                   : -static_cast<std::int64_t>(m.value);
    }
    if (m.overflow || m.value > kMax)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(m.value);
}

// The 32-bit fields: the low 32 bits of the saturating signed reading, as
// the C library's atoi gives them, so 4294967295 reads back into an
// unsigned 32-bit field.
constexpr std::uint32_t ReadLow32(const char *text) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ReadSigned64(text)) & 0xFFFFFFFFu);
}

constexpr std::int32_t ReadSigned32(const char *text) {
    return static_cast<std::int32_t>(ReadLow32(text));
}

} // namespace stubmeta

#endif
