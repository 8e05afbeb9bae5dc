// Decimal text to the record's numbers: the C library's reading rules
// (leading white space, one sign, stop at a non-digit, no digits gives 0),
// with the full unsigned range and defined saturation on overflow.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formats/decimal.h"
#include "stubmeta.h"

namespace stubmeta {
namespace {

constexpr std::uint64_t kU64Max = std::numeric_limits<std::uint64_t>::max();
constexpr std::int64_t kI64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kI64Min = std::numeric_limits<std::int64_t>::min();

// Texts around every limit, with the spacing, signs and stops a stub field
// can hold.
const std::vector<std::string> kTexts = {
    "", " ", "abc", "-", "+", "+-5", "-+5", "- 5", "0", "-0", "+0", "007", "42", "+7", "-5",
    " \t\n\v\f\r12", "12 34", "4096|12", "1:2", "12abc", "1e5", "0x1F", "\x01" "5",
    "2147483647", "2147483648", "-2147483648", "-2147483649",
    "4294967295", "4294967296", "-4294967295", "-4294967296",
    "9223372036854775807", "9223372036854775808", "-9223372036854775807", "-9223372036854775808",
    "-9223372036854775809", "18446744073709551615", "18446744073709551616",
    "-18446744073709551615", "-18446744073709551616", "99999999999999999999999999",
    "-99999999999999999999999999", "000000000000000000000000018446744073709551615",
};

TEST(Decimal, UnsignedReadsLikeStrtoull) {
    for (const std::string &text : kTexts) {
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
    for (const std::string &text : kTexts) {
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
    for (const std::string &text : kTexts) {
        SCOPED_TRACE(text);
        const auto low = static_cast<std::uint64_t>(std::strtoll(text.c_str(), nullptr, 10));
        EXPECT_EQ(ReadLow32(text.c_str()), static_cast<std::uint32_t>(low & 0xFFFFFFFFu));
        EXPECT_EQ(ReadSigned32(text.c_str()), static_cast<std::int32_t>(low & 0xFFFFFFFFu));
    }
    EXPECT_EQ(ReadLow32("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadLow32("4294967296"), 0u);
    EXPECT_EQ(ReadLow32("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadLow32("99999999999999999999"), 0xFFFFFFFFu); // saturated at 2^63 - 1
    EXPECT_EQ(ReadSigned32("4294967295"), -1);
    EXPECT_EQ(ReadSigned32("2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ReadSigned32(" 1"), 1);
}

TEST(Decimal, ExportedAtollIsTheCLibrarysAtoll) {
    for (const std::string &text : kTexts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(tkhsm_atoll(text.c_str()), std::atoll(text.c_str()));
        EXPECT_EQ(tkhsm_atoll(text.c_str()), std::strtoll(text.c_str(), nullptr, 10));
    }
    EXPECT_EQ(tkhsm_atoll("4096|12"), 4096);
    EXPECT_EQ(tkhsm_atoll("-5"), -5);
    EXPECT_EQ(tkhsm_atoll("none"), 0);
}

} // namespace
} // namespace stubmeta
