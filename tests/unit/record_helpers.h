/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Shared helpers for the stub format tests: building records, writing and
// reading stubs through the public interface, comparing records field by
// field or byte for byte, and random records whose texts hold no separator.
#ifndef STUBMETA_TESTS_UNIT_RECORD_HELPERS_H
#define STUBMETA_TESTS_UNIT_RECORD_HELPERS_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "stubmeta.h"

namespace stubmeta_test {

// The byte order this machine writes an envelope's checksum in.
inline constexpr StubType kNativeUnixType = std::endian::native == std::endian::little
                                                ? STUB_TYPE_UNIX_LITTLEENDIAN
                                                : STUB_TYPE_UNIX_BIGENDIAN;

// A record whose every byte, padding included, is `pattern`: its texts are
// unterminated, so a parse that forgets a terminator or writes a field it
// should not shows up.
inline ReparseData PatternRecord(unsigned char pattern = 0x5A) {
    ReparseData record;
    std::memset(&record, pattern, sizeof record);
    return record;
}

inline ReparseData ZeroRecord() {
    ReparseData record;
    std::memset(&record, 0, sizeof record);
    return record;
}

template <std::size_t N>
void SetText(char (&field)[N], std::string_view text) {
    ASSERT_LT(text.size(), N) << "test text does not fit its field";
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
}

// A field's characters up to its NUL, never beyond its width.
template <std::size_t N>
std::string Text(const char (&field)[N]) {
    const void* nul = std::memchr(field, '\0', N);
    const std::size_t length =
        nul == nullptr ? N : static_cast<std::size_t>(static_cast<const char*>(nul) - field);
    return std::string(field, length);
}

inline bool SameBytes(const ReparseData& a, const ReparseData& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every field of two records, texts compared up to their NUL or width.
inline void ExpectSameFields(const ReparseData& expected, const ReparseData& actual,
                             const std::string& context = {}) {
    SCOPED_TRACE(context);
    EXPECT_EQ(actual.stubType, expected.stubType);
    EXPECT_EQ(actual.common.common1, expected.common.common1);
    EXPECT_EQ(actual.common.common2, expected.common.common2);
    EXPECT_EQ(actual.common.common3, expected.common.common3);
    EXPECT_EQ(actual.common.common4, expected.common.common4);
    EXPECT_EQ(actual.common.common5, expected.common.common5);
    EXPECT_EQ(Text(actual.shortText), Text(expected.shortText));
    EXPECT_EQ(actual.number1, expected.number1);
    EXPECT_EQ(Text(actual.auxText), Text(expected.auxText));
    EXPECT_EQ(actual.number2, expected.number2);
    EXPECT_EQ(actual.unixTextKind, expected.unixTextKind);
    EXPECT_EQ(actual.number3, expected.number3);
    EXPECT_EQ(Text(actual.extraText), Text(expected.extraText));
    EXPECT_EQ(actual.signedNumber, expected.signedNumber);
    EXPECT_EQ(actual.flag, expected.flag);
    EXPECT_EQ(Text(actual.longText), Text(expected.longText));
    EXPECT_EQ(actual.number4, expected.number4);
    EXPECT_EQ(actual.number5, expected.number5);
    EXPECT_EQ(Text(actual.tailText), Text(expected.tailText));
    EXPECT_EQ(Text(actual.headText), Text(expected.headText));
}

// The bytes a writer produced (for text types without the NUL), or an
// empty vector with `status` holding the writer's -1.
struct Written {
    std::int32_t status = -1;
    std::vector<char> bytes;
    std::string text() const { return std::string(bytes.begin(), bytes.end()); }
};

inline Written Write(const ReparseData& record, StubType type, std::int32_t capacity = 8192) {
    std::vector<char> buffer(static_cast<std::size_t>(capacity > 0 ? capacity : 1), '\x7F');
    Written out;
    out.status = GenerateReparseData(&record, type, buffer.data(), capacity);
    if (out.status > 0)
        out.bytes.assign(buffer.begin(), buffer.begin() + out.status);
    return out;
}

// 24 bytes standing for the reparse header in front of an NTFS text: zero
// bytes and colons, neither of which the NTFS parser may look at.
inline std::string NtfsHeader() {
    std::string header(24, '\0');
    header[4] = ':';
    header[10] = '\x9C';
    header[23] = ':';
    return header;
}

// A copy of `bytes` in a heap block of exactly their size, so that the
// address sanitizer reports any read beyond them.
inline std::unique_ptr<char[]> ExactCopy(const std::vector<char>& bytes) {
    auto block = std::make_unique<char[]>(bytes.size());
    if (!bytes.empty())  // an empty vector's data() may be null
        std::memcpy(block.get(), bytes.data(), bytes.size());
    return block;
}

// Texts the stub layouts can carry unchanged: bytes 1 to 255 other than the
// separators ":", "?", "|" and the line ends.
inline bool IsSeparator(unsigned char c) {
    return c == ':' || c == '?' || c == '|' || c == '\r' || c == '\n';
}

class RandomRecords {
public:
    explicit RandomRecords(std::uint32_t seed) : engine_(seed) {}

    std::uint64_t number() {
        switch (pick(8)) {
        case 0:
            return 0;
        case 1:
            return UINT64_MAX;
        case 2:
            return pick(1000);
        default:
            return engine_();
        }
    }
    std::uint32_t number32() { return static_cast<std::uint32_t>(number()); }
    std::int64_t signedNumber() { return static_cast<std::int64_t>(number()); }
    bool coin() { return pick(2) == 0; }
    std::uint64_t pick(std::uint64_t bound) {
        return std::uniform_int_distribution<std::uint64_t>(0, bound - 1)(engine_);
    }

    // A separator-free text of 0 to maxLength characters, often at either end.
    std::string text(std::size_t maxLength) {
        std::size_t length = 0;
        switch (pick(5)) {
        case 0:
            length = 0;
            break;
        case 1:
            length = maxLength;
            break;
        default:
            length = static_cast<std::size_t>(pick(maxLength + 1));
        }
        return characters(length);
    }
    std::string nonEmptyText(std::size_t maxLength) {
        return characters(static_cast<std::size_t>(1 + pick(maxLength)));
    }

private:
    std::string characters(std::size_t length) {
        std::string s;
        while (s.size() < length) {
            const auto c = static_cast<unsigned char>(1 + pick(255));
            if (!IsSeparator(c))
                s.push_back(static_cast<char>(c));
        }
        return s;
    }

    std::mt19937_64 engine_;
};

}  // namespace stubmeta_test

#endif
