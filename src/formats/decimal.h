/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Decimal text to the record's numbers.
//
// Every reading skips leading white space, takes one optional sign and the
// digits after it, stops at the first non-digit and gives 0 for text without
// digits, as the C library's conversions do, but with defined results for
// any text: out-of-range values saturate instead of overflowing, and the
// unsigned reading covers the full 64-bit range, so every number a writer
// prints reads back exactly.
//
// A field that is a plain run of digits, the common case, can also be read
// a word at a time (ReadPlainDigits) when whole words of it may be read.
#ifndef STUBMETA_FORMATS_DECIMAL_H
#define STUBMETA_FORMATS_DECIMAL_H

#include <cstddef>
#include <cstdint>
#include <limits>

#include "support/bytes.h"

namespace stubmeta {

struct DecimalMagnitude {
    bool negative = false;
    bool overflow = false;  // more than 2^64 - 1
    std::uint64_t value = 0;
};

constexpr bool IsDecimalSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool IsDecimalDigit(char c) { return static_cast<unsigned>(c - '0') < 10u; }

// Runs of up to eight digits converted at once, from an eight-byte word
// whose first character sits in its lowest byte (read with
// LoadLittleEndian64 on any host).

// A word with a nonzero byte wherever the word holds a non-digit.  A byte is
// a digit when its high nibble is 3 and stays 3 after adding 6; a carry out
// of a byte can only come from a non-digit and only reaches the bytes above
// it, so the lowest byte flagged is always a real non-digit.
constexpr std::uint64_t NonDigitBytes(std::uint64_t word) {
    constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0u;
    constexpr std::uint64_t kThrees = 0x3030303030303030u;
    return ((word & kHighNibbles) ^ kThrees) |
           (((word + 0x0606060606060606u) & kHighNibbles) ^ kThrees);
}

// The value of the first `digits` (1 to 8) characters of the word, all
// digits.  Shifting them to the top leaves zero digits below them; each
// step then halves the number of lanes: digits to pairs, pairs to groups of
// four, groups to the whole.
constexpr std::uint64_t DigitsValue(std::uint64_t word, int digits) {
    word = (word - 0x3030303030303030u) << (8 * (8 - digits));
    word = word * 10 + (word >> 8);
    constexpr std::uint64_t kLanes = 0x000000FF000000FFu;
    constexpr std::uint64_t kHundredsAndMillions = 100 + (1000000ull << 32);
    constexpr std::uint64_t kOnesAndTenThousands = 1 + (10000ull << 32);
    return ((word & kLanes) * kHundredsAndMillions +
            ((word >> 16) & kLanes) * kOnesAndTenThousands) >>
           32;
}

// True when the first `digits` (1 to 8) characters of the word are digits.
constexpr bool OpensWithDigits(std::uint64_t word, int digits) {
    return (NonDigitBytes(word) << (8 * (8 - digits))) == 0;
}

inline constexpr std::uint64_t kPowersOfTen[9] = {1,      10,      100,      1000,     10000,
                                                  100000, 1000000, 10000000, 100000000};

// The sign and magnitude of the number at the start of text (null gives 0).
inline DecimalMagnitude ReadMagnitude(const char* text) {
    DecimalMagnitude m;
    if (text == nullptr)
        return m;
    const char* p = text;
    while (IsDecimalSpace(*p))
        ++p;
    if (*p == '+' || *p == '-')
        m.negative = *p++ == '-';
    // Leading zeros add nothing and do not count towards the twenty digits
    // that 2^64 - 1 has.
    while (*p == '0')
        ++p;
    const char* const first = p;
    std::uint64_t value = 0;
    // Nineteen digits always fit.
    for (; p - first < 19 && IsDecimalDigit(*p); ++p)
        value = value * 10 + static_cast<std::uint64_t>(*p - '0');
    if (IsDecimalDigit(*p)) {
        constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
        const auto digit = static_cast<std::uint64_t>(*p - '0');
        if (value > kMax / 10 || (value == kMax / 10 && digit > kMax % 10) || IsDecimalDigit(p[1]))
            m.overflow = true;
        else
            value = value * 10 + digit;
    }
    m.value = value;
    return m;
}

// The common case of a field, read a word at a time: exactly `length`
// characters (1 to 20), all digits, with a value below 2^64.  Gives false
// for anything else, which the readings above then take.  The text must be
// readable in whole 8-byte words up to its NUL (a token's block); the words
// sit at fixed offsets, so their loads do not wait on one another.
inline bool ReadPlainDigits(const char* text, std::size_t length, std::uint64_t* value) {
    if (length == 0 || length > 20)
        return false;
    if (length == 1) {  // flags, kinds and small counts: one character is cheaper alone
        if (!IsDecimalDigit(text[0]))
            return false;
        *value = static_cast<std::uint64_t>(text[0] - '0');
        return true;
    }
    const std::uint64_t first = LoadLittleEndian64(text);
    if (length <= 8) {
        const auto digits = static_cast<int>(length);
        if (!OpensWithDigits(first, digits))
            return false;
        *value = DigitsValue(first, digits);
        return true;
    }
    const std::uint64_t second = LoadLittleEndian64(text + 8);
    if (!OpensWithDigits(first, 8))
        return false;
    const std::uint64_t high = DigitsValue(first, 8);
    if (length <= 16) {
        const auto digits = static_cast<int>(length - 8);
        if (!OpensWithDigits(second, digits))
            return false;
        *value = high * kPowersOfTen[digits] + DigitsValue(second, digits);
        return true;
    }
    const std::uint64_t third = LoadLittleEndian64(text + 16);
    if (!OpensWithDigits(second, 8))
        return false;
    const std::uint64_t upper = high * kPowersOfTen[8] + DigitsValue(second, 8);
    const auto digits = static_cast<int>(length - 16);
    if (!OpensWithDigits(third, digits))
        return false;
    const std::uint64_t lower = DigitsValue(third, digits);
    // Only twenty digits can pass 2^64 - 1, which is 1844674407370955 * 10^4
    // + 1615; the saturating readings take those.
    constexpr std::uint64_t kMaxUpper = 1844674407370955u;
    constexpr std::uint64_t kMaxLower = 1615u;
    if (digits == 4 && (upper > kMaxUpper || (upper == kMaxUpper && lower > kMaxLower)))
        return false;
    *value = upper * kPowersOfTen[digits] + lower;
    return true;
}

// Like strtoull: the full unsigned range, a '-' negates modulo 2^64, and a
// magnitude beyond 2^64 - 1 saturates there.
inline std::uint64_t ReadUnsigned64(const char* text) {
    const DecimalMagnitude m = ReadMagnitude(text);
    if (m.overflow)
        return std::numeric_limits<std::uint64_t>::max();
    return m.negative ? 0 - m.value : m.value;
}

// Like strtoll and the C library's atoll: saturates at the signed limits.
inline std::int64_t ReadSigned64(const char* text) {
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
inline std::uint32_t ReadLow32(const char* text) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ReadSigned64(text)) & 0xFFFFFFFFu);
}

inline std::int32_t ReadSigned32(const char* text) {
    return static_cast<std::int32_t>(ReadLow32(text));
}

}  // namespace stubmeta

#endif
