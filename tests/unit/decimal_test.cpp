// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Decimal text to the record's numbers: the C library's reading rules
// (leading white space, one sign, stop at a non-digit, no digits gives 0),
// with the full unsigned range and defined saturation on overflow; and the
// writers' rendering of numbers.
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formats/decimal.h"
#include "formats/fields.h"
#include "formats/text_render.h"
#include "stubmeta.h"

namespace stubmeta {
namespace {

constexpr std::uint64_t kU64Max = std::numeric_limits<std::uint64_t>::max();
constexpr std::int64_t kI64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kI64Min = std::numeric_limits<std::int64_t>::min();

// Texts around every limit, with the spacing, signs and stops a stub field
// can hold.
const std::vector<std::string> kTexts = {
    "",
    " ",
    "abc",
    "-",
    "+",
    "+-5",
    "-+5",
    "- 5",
    "0",
    "-0",
    "+0",
    "007",
    "42",
    "+7",
    "-5",
    " \t\n\v\f\r12",
    "12 34",
    "4096|12",
    "1:2",
    "12abc",
    "1e5",
    "0x1F",
    "\x01"
    "5",
    "2147483647",
    "2147483648",
    "-2147483648",
    "-2147483649",
    "4294967295",
    "4294967296",
    "-4294967295",
    "-4294967296",
    "9223372036854775807",
    "9223372036854775808",
    "-9223372036854775807",
    "-9223372036854775808",
    "-9223372036854775809",
    "18446744073709551615",
    "18446744073709551616",
    "-18446744073709551615",
    "-18446744073709551616",
    "99999999999999999999999999",
    "-99999999999999999999999999",
    "000000000000000000000000018446744073709551615",
};

TEST(Decimal, UnsignedReadsLikeStrtoull) {
    for (const std::string& text : kTexts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadUnsigned64(text.c_str()), std::strtoull(text.c_str(), nullptr, 10));
    }
    // The values a writer prints with the widest unsigned conversion read
    // back exactly; a '-' negates modulo 2^64; beyond the range saturates.
    EXPECT_EQ(ReadUnsigned64("18446744073709551615"), kU64Max);
    EXPECT_EQ(ReadUnsigned64("9223372036854775808"), 9223372036854775808ull);
    EXPECT_EQ(ReadUnsigned64("-1"), kU64Max);
    EXPECT_EQ(ReadUnsigned64("-18446744073709551615"), 1u);
    EXPECT_EQ(ReadUnsigned64("18446744073709551616"), kU64Max);
    EXPECT_EQ(ReadUnsigned64("  +4096|12"), 4096u);
    EXPECT_EQ(ReadUnsigned64("short"), 0u);
}

TEST(Decimal, SignedReadsLikeStrtoll) {
    for (const std::string& text : kTexts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadSigned64(text.c_str()), std::strtoll(text.c_str(), nullptr, 10));
    }
    EXPECT_EQ(ReadSigned64("-9223372036854775808"), kI64Min);
    EXPECT_EQ(ReadSigned64("-9223372036854775809"), kI64Min);
    EXPECT_EQ(ReadSigned64("9223372036854775808"), kI64Max);
    EXPECT_EQ(ReadSigned64("-99999999999999999999999999"), kI64Min);
    EXPECT_EQ(ReadSigned64("-8?/dir"), -8);
}

// The 32-bit fields take the low 32 bits of the saturating signed reading,
// which is what the C library's atoi gives on this platform.
TEST(Decimal, ThirtyTwoBitFieldsTakeTheLowBits) {
    for (const std::string& text : kTexts) {
        SCOPED_TRACE(text);
        const auto low = static_cast<std::uint64_t>(std::strtoll(text.c_str(), nullptr, 10));
        EXPECT_EQ(ReadLow32(text.c_str()), static_cast<std::uint32_t>(low & 0xFFFFFFFFu));
        EXPECT_EQ(ReadSigned32(text.c_str()), static_cast<std::int32_t>(low & 0xFFFFFFFFu));
    }
    EXPECT_EQ(ReadLow32("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadLow32("4294967296"), 0u);
    EXPECT_EQ(ReadLow32("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadLow32("99999999999999999999"), 0xFFFFFFFFu);  // saturated at 2^63 - 1
    EXPECT_EQ(ReadSigned32("4294967295"), -1);
    EXPECT_EQ(ReadSigned32("2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ReadSigned32(" 1"), 1);
}

TEST(Decimal, ExportedAtollIsTheCLibrarysAtoll) {
    for (const std::string& text : kTexts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(tkhsm_atoll(text.c_str()), std::atoll(text.c_str()));
        EXPECT_EQ(tkhsm_atoll(text.c_str()), std::strtoll(text.c_str(), nullptr, 10));
    }
    EXPECT_EQ(tkhsm_atoll("4096|12"), 4096);
    EXPECT_EQ(tkhsm_atoll("-5"), -5);
    EXPECT_EQ(tkhsm_atoll("none"), 0);
}

// Numbers read from tokens take a word-at-a-time path for plain digits; it
// must agree with the text readings everywhere, above all around the
// lengths where it changes words and at the top of the unsigned range.
TEST(Decimal, TokenReadingsMatchTextReadings) {
    std::vector<std::string> texts = kTexts;
    for (const char* more : {"1",
                             "9",
                             "12",
                             "99",
                             "12345678",
                             "123456789",
                             "1234567890123456",
                             "12345678901234567",
                             "1234567890123456789",
                             "00000000000000000001",
                             "18446744073709551605",
                             "18446744073709551614",
                             "18446744073709551625",
                             "18446744073709561615",
                             "18446744073709551700",
                             "28446744073709551615",
                             "99999999999999999999",
                             "12345678a",
                             "1234567890123456:",
                             "1234567890123456789x",
                             "7?",
                             "0123"})
        texts.emplace_back(more);
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        // A token's block: whole words, zero after the characters.
        std::vector<char> block(TokenBlockSize(text.size()), '\0');
        std::memcpy(block.data(), text.data(), text.size());
        const Token token{block.data(), text.size()};
        EXPECT_EQ(TokenUnsigned64(token), ReadUnsigned64(text.c_str()));
        EXPECT_EQ(TokenSigned64(token), ReadSigned64(text.c_str()));
        EXPECT_EQ(TokenLow32(token), ReadLow32(text.c_str()));
    }
    const Token empty{nullptr, 0};
    EXPECT_EQ(TokenUnsigned64(empty), 0u);
    EXPECT_EQ(TokenSigned64(empty), 0);
}

// Only the given characters count, whatever digits lie after them.
TEST(Decimal, PlainDigitsStopAtTheGivenLength) {
    const char text[24] = "12345678901234567890123";
    for (std::size_t length = 1; length <= 20; ++length) {
        SCOPED_TRACE(length);
        std::uint64_t value = 0;
        ASSERT_TRUE(ReadPlainDigits(text, length, &value));
        EXPECT_EQ(value, std::strtoull(std::string(text, length).c_str(), nullptr, 10));
    }
    std::uint64_t value = 0;
    EXPECT_FALSE(ReadPlainDigits(text, 0, &value));
    EXPECT_FALSE(ReadPlainDigits(text, 21, &value));
}

template <typename Integer>
std::string Rendered(Integer value) {
    std::array<char, 32> digits{};
    const char* end = WriteDecimal(digits.data(), value);
    return {digits.data(), static_cast<std::size_t>(end - digits.data())};
}

template <typename Integer>
std::string ToChars(Integer value) {
    std::array<char, 32> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    return {digits.data(), static_cast<std::size_t>(result.ptr - digits.data())};
}

// The writers' digits are those of std::to_chars, at every length.
TEST(Decimal, RenderingMatchesToChars) {
    std::vector<std::uint64_t> values = {0, kU64Max, 12345678901234567890ull,
                                         1000000000000000001ull};
    for (std::uint64_t power = 1;; power *= 10) {
        values.insert(values.end(), {power - 1, power, power + 1, power * 2 - 1});
        if (power > kU64Max / 10)
            break;
    }
    for (const std::uint64_t value : values) {
        SCOPED_TRACE(value);
        EXPECT_EQ(Rendered(value), ToChars(value));
        if (value <= static_cast<std::uint64_t>(kI64Max)) {
            const auto negative = -static_cast<std::int64_t>(value);
            EXPECT_EQ(Rendered(negative), ToChars(negative));
        }
    }
    EXPECT_EQ(Rendered(kI64Min), "-9223372036854775808");
}

}  // namespace
}  // namespace stubmeta
