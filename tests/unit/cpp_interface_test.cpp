// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The C++ interface: inputs of known length, writes that are never
// truncated, refusals that throw, and envelopes taken apart whole.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "stubmeta.hpp"

namespace {

using namespace std::string_literals;

constexpr std::string_view kCelerra = "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99";

bool little_endian_host() {
    const std::uint16_t one = 1;
    unsigned char first = 0;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

template <std::size_t N>
void fill(char (&field)[N], char c, std::size_t count = N - 1) {
    std::memset(field, c, count);
    field[count] = '\0';
}

TEST(CppParse, ReadsOnlyTheGivenBytes) {
    // The digits after the view must not become part of the last number.
    const std::string backing = std::string(kCelerra) + "77";
    const std::string_view view(backing.data(), kCelerra.size());
    const auto record = stubmeta::parse(view, STUB_TYPE_WINDOWS_CELERRA);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->number2, 99u);
    EXPECT_STREQ(record->longText, "/long/path");
    EXPECT_EQ(record->stubType, 3u);
}

TEST(CppParse, FamilyAndTypeOverloadsNarrowTheSearch) {
    ASSERT_TRUE(stubmeta::parse(kCelerra, stubmeta::Family::nas_stubs));
    EXPECT_EQ(stubmeta::parse(kCelerra, stubmeta::Family::nas_stubs)->stubType, 3u);
    // Unnarrowed, the Unix types come first and take this text.
    EXPECT_EQ(stubmeta::parse(kCelerra)->stubType, 6u);
    // Type 1 skips a 24-byte header that may hold any bytes, NULs included.
    EXPECT_FALSE(stubmeta::parse(kCelerra, STUB_TYPE_WINDOWS_LOCAL_CSVFS));
    const std::string ntfs = std::string(24, '\0') + std::string(kCelerra);
    const auto record = stubmeta::parse(ntfs, stubmeta::Family::windows_stubs);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->stubType, 1u);
    EXPECT_EQ(record->signedNumber, -8);
    EXPECT_FALSE(stubmeta::parse(kCelerra, StubType{0}));
    EXPECT_FALSE(stubmeta::parse(kCelerra, StubType{8}));
}

TEST(CppParse, ShortInputsAreReadFromThePaddedCopy) {
    // An empty input still meets the NTFS parser's 24-byte skip, and an
    // envelope header claiming the largest extent is checksummed over the
    // zero padding: under the sanitizers a read past the copy would fail.
    EXPECT_FALSE(stubmeta::parse(std::string_view{}));
    const std::string claims_everything = "QSTUB\n\x0e\xaf\x01\xff\xff"s;
    EXPECT_FALSE(stubmeta::parse(claims_everything));
    EXPECT_FALSE(stubmeta::unwrap(claims_everything));
}

TEST(CppParse, SpanOverloadMatchesStringView) {
    const std::string ntfs = std::string(24, 'h') + std::string(kCelerra);
    const auto bytes = std::as_bytes(std::span(ntfs.data(), ntfs.size()));
    const auto from_span = stubmeta::parse(bytes, STUB_TYPE_WINDOWS_LOCAL);
    const auto from_view = stubmeta::parse(ntfs, STUB_TYPE_WINDOWS_LOCAL);
    ASSERT_TRUE(from_span && from_view);
    EXPECT_EQ(std::memcmp(&*from_span, &*from_view, sizeof(ReparseData)), 0);
}

TEST(CppParse, TypeListsAreTriedInTheirOrder) {
    // kCelerra fits both the Unix template and the Celerra layout.
    struct Case {
        std::vector<StubType> types;
        std::int32_t status;
        StubType found;
    };
    const std::vector<Case> cases{
        {{3, 6}, STUBMETA_OK, 3},
        {{6, 3}, STUBMETA_OK, 6},
        {{1, 2, 4}, STUBMETA_E_NO_MATCH, 0},
        // Not the library's default order, which would find type 6.
        {{}, STUBMETA_E_ARGUMENT, 0},
    };
    for (const Case& c : cases) {
        const auto record = stubmeta::parse(kCelerra, c.types);
        EXPECT_EQ(record.has_value(), c.status == STUBMETA_OK) << testing::PrintToString(c.types);
        if (record) {
            EXPECT_EQ(record->stubType, c.found);
        }
        try {
            EXPECT_EQ(stubmeta::parse_or_throw(kCelerra, c.types).stubType, c.found);
            EXPECT_EQ(c.status, STUBMETA_OK);
        } catch (const stubmeta::error& e) {
            EXPECT_EQ(e.status(), c.status) << testing::PrintToString(c.types);
        }
    }
}

TEST(CppGenerate, RoundTripsEveryTypeWithExactSizes) {
    const ReparseData source = *stubmeta::parse(kCelerra, STUB_TYPE_WINDOWS_CELERRA);
    for (StubType type : {2u, 3u, 4u, 5u}) {
        const std::string text = stubmeta::generate(source, type);
        EXPECT_EQ(text.find('\0'), std::string::npos) << "type " << type;
        const auto back = stubmeta::parse(text, type);
        ASSERT_TRUE(back) << "type " << type << ": " << text;
        EXPECT_STREQ(back->longText, "/long/path");
        EXPECT_EQ(back->number2, 99u);
    }
    EXPECT_EQ(stubmeta::generate(source, 1), std::string(kCelerra));

    const std::string envelope = stubmeta::generate(source, STUB_TYPE_UNIX_BIGENDIAN);
    const auto opened = stubmeta::unwrap(envelope);
    ASSERT_TRUE(opened);
    EXPECT_EQ(envelope.size(), opened->text.size() + 26);
    EXPECT_EQ(opened->size, envelope.size());
    const auto unix_record = stubmeta::parse(envelope, stubmeta::Family::unix_stubs);
    ASSERT_TRUE(unix_record);
    EXPECT_EQ(unix_record->stubType, little_endian_host() ? 7u : 6u);
}

TEST(CppGenerate, LongestRecordsAreNotTruncated) {
    ReparseData r{};
    r.common.common1 = UINT32_MAX;
    r.common.common2 = r.common.common3 = r.common.common4 = r.common.common5 = UINT64_MAX;
    r.number1 = r.number2 = r.number3 = r.number5 = UINT64_MAX;
    r.number4 = UINT32_MAX;
    r.signedNumber = INT64_MIN;
    r.flag = 1;
    fill(r.shortText, 's');
    fill(r.auxText, 'a');
    fill(r.extraText, 'e');
    fill(r.longText, 'l');
    fill(r.tailText, 't');
    fill(r.headText, 'h');
    for (StubType type : {1u, 2u, 3u, 4u}) {
        const std::string text = stubmeta::generate(r, type);
        EXPECT_NE(text.find(std::string(1023, 'l')), std::string::npos) << "type " << type;
        EXPECT_EQ(text.find('\0'), std::string::npos) << "type " << type;
    }
    // The Unix layout carries shortText when it is set, else longText; its
    // text area holds 1023 characters, which the longest longText overruns.
    EXPECT_NE(stubmeta::generate(r, STUB_TYPE_UNIX_LITTLEENDIAN).find(std::string(71, 's')),
              std::string::npos);
    r.shortText[0] = '\0';
    EXPECT_THROW(stubmeta::generate(r, STUB_TYPE_UNIX_LITTLEENDIAN), stubmeta::error);
    fill(r.longText, 'l', 700);
    const std::string envelope = stubmeta::generate(r, STUB_TYPE_UNIX_LITTLEENDIAN);
    const auto opened = stubmeta::unwrap(envelope);
    ASSERT_TRUE(opened);
    EXPECT_NE(opened->text.find(std::string(700, 'l')), std::string::npos);
    EXPECT_EQ(opened->value, UINT64_MAX);
}

TEST(CppGenerate, UnknownTypesThrow) {
    const ReparseData r{};
    EXPECT_THROW(stubmeta::generate(r, 0), stubmeta::error);
    EXPECT_THROW(stubmeta::generate(r, 8), stubmeta::error);
}

TEST(CppEnvelope, WorkedExampleInBothByteOrders) {
    const std::string envelope = stubmeta::wrap("1:2:3:4:5", 4096);
    ASSERT_EQ(envelope.size(), 35u);
    const std::string header =
        "QSTUB\n\x0e\xaf\x01\x00\x23"s + std::string(6, '\0') + "\x10\x00\x00\x09"s;
    EXPECT_EQ(envelope.substr(0, 21), header);
    EXPECT_EQ(stubmeta::crc32(std::string_view(envelope).substr(0, 31)), 0x54570EE4u);

    const std::string big = envelope.substr(0, 31) + "\xab\xa8\xf1\x1b"s;
    const std::string little = envelope.substr(0, 31) + "\x1b\xf1\xa8\xab"s;
    EXPECT_EQ(envelope, little_endian_host() ? little : big);
    for (const auto& [bytes, order] : {std::pair{big, 6u}, std::pair{little, 7u}}) {
        const auto opened = stubmeta::unwrap(bytes);
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->text, "1:2:3:4:5");
        EXPECT_EQ(opened->value, 4096u);
        EXPECT_EQ(opened->size, 35u);
        EXPECT_EQ(opened->byteOrder, order);
    }
}

TEST(CppEnvelope, DamagedOrShortenedEnvelopesDoNotOpen) {
    const std::string envelope = stubmeta::wrap("1:2:3:4:5", 7);
    for (std::size_t i = 0; i < envelope.size(); ++i) {
        std::string damaged = envelope;
        damaged[i] = static_cast<char>(damaged[i] ^ 0x20);
        EXPECT_FALSE(stubmeta::unwrap(damaged)) << "byte " << i;
    }
    EXPECT_FALSE(stubmeta::unwrap(std::string_view(envelope).substr(0, 34)));
    EXPECT_FALSE(stubmeta::unwrap(std::string_view{}));
    // Trailing bytes after the envelope are not part of it.
    EXPECT_EQ(stubmeta::unwrap(envelope + "tail")->size, 35u);
}

// A failed check still hands back what it learnt before the failure.
TEST(CppEnvelope, CheckReportsTheFactsOfEachFailure) {
    const std::string envelope = stubmeta::wrap("1:2:3:4:5", 7);
    const StubType host = little_endian_host() ? 7u : 6u;
    // An envelope's checksum is the complement of the standard CRC-32.
    const auto checksum = [](std::string_view bytes) {
        return ~stubmeta::crc32(bytes.substr(0, 31));
    };
    // Stores the checksum of the bytes before it in this machine's order.
    const auto resealed = [&checksum](std::string bytes) {
        const std::uint32_t sum = checksum(bytes);
        std::memcpy(bytes.data() + 31, &sum, 4);
        return bytes;
    };
    std::string flipped = envelope;
    flipped[31] = static_cast<char>(flipped[31] ^ 1);
    std::string longer_text = envelope;
    longer_text[20] = 10;

    struct Case {
        const char* name;
        std::string bytes;
        std::int32_t status;
        std::uint64_t total, value, textLength, trailing;
        StubType byteOrder;
    };
    const std::vector<Case> cases{
        {"whole, with a tail", envelope + "tail", STUBMETA_OK, 35, 7, 9, 4, host},
        {"not an envelope", "1:2:3:4:5", STUBMETA_E_BAD_MAGIC, 0, 0, 0, 0, 0},
        {"cut short", envelope.substr(0, 34), STUBMETA_E_TRUNCATED, 35, 0, 0, 0, 0},
        {"checksum damaged", flipped, STUBMETA_E_CHECKSUM, 35, 0, 0, 0, 0},
        {"lengths disagree", resealed(longer_text), STUBMETA_E_LENGTH_MISMATCH, 35, 7, 10, 0, host},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const stubmeta::EnvelopeCheck check = stubmeta::check_envelope(c.bytes);
        EXPECT_EQ(check.status, c.status);
        EXPECT_EQ(check.total, c.total);
        EXPECT_EQ(check.value, c.value);
        EXPECT_EQ(check.textLength, c.textLength);
        EXPECT_EQ(check.trailing, c.trailing);
        EXPECT_EQ(check.byteOrder, c.byteOrder);
        if (c.status == STUBMETA_OK) {
            EXPECT_EQ(check.text, "1:2:3:4:5");
            EXPECT_EQ(check.text.data(), c.bytes.data() + 21);
        } else {
            EXPECT_TRUE(check.text.empty());
        }
    }

    // Both readings of the stored checksum, and the one computed, to word
    // the mismatch.
    const stubmeta::EnvelopeCheck damaged = stubmeta::check_envelope(flipped);
    const auto at = [&flipped](std::size_t i) -> std::uint32_t {
        return static_cast<unsigned char>(flipped[31 + i]);
    };
    EXPECT_EQ(damaged.storedBigEndian, at(0) << 24 | at(1) << 16 | at(2) << 8 | at(3));
    EXPECT_EQ(damaged.storedLittleEndian, at(3) << 24 | at(2) << 16 | at(1) << 8 | at(0));
    EXPECT_EQ(damaged.computed, checksum(envelope));
}

TEST(CppEnvelope, WrapRefusesWhatItCannotCarry) {
    EXPECT_THROW(stubmeta::wrap("a\0b"s, 1), stubmeta::error);
    EXPECT_THROW(stubmeta::wrap(std::string(65510, 'x'), 1), stubmeta::error);
    const std::string largest = stubmeta::wrap(std::string(65509, 'x'), 1);
    EXPECT_EQ(largest.size(), 65535u);
    const auto opened = stubmeta::unwrap(largest);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->text.size(), 65509u);
}

TEST(CppHelpers, Crc32ChainsLikeTheStandardChecksum) {
    EXPECT_EQ(stubmeta::crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(stubmeta::crc32(""), 0u);
    EXPECT_EQ(stubmeta::crc32("6789", stubmeta::crc32("12345")), 0xCBF43926u);
    const std::array<std::byte, 3> bytes{std::byte{'a'}, std::byte{'b'}, std::byte{'c'}};
    EXPECT_EQ(stubmeta::crc32(std::span<const std::byte>(bytes)), 0x352441C2u);
}

// The throwing forms carry the library's status and its message.
TEST(CppErrors, ThrowingFormsCarryTheStatus) {
    const std::string envelope = stubmeta::wrap("1:2:3:4:5", 7);
    const auto status_of = [](auto call) -> std::int32_t {
        try {
            call();
        } catch (const stubmeta::error& e) {
            EXPECT_STREQ(e.what(),
                         ("stubmeta: " + std::string(stubmeta_strerror(e.status()))).c_str());
            return e.status();
        }
        return STUBMETA_OK;
    };
    EXPECT_EQ(status_of([&] { stubmeta::unwrap_or_throw(envelope.substr(0, 34)); }),
              STUBMETA_E_TRUNCATED);
    EXPECT_EQ(status_of([&] { stubmeta::unwrap_or_throw(envelope); }), STUBMETA_OK);
    EXPECT_EQ(status_of([] { stubmeta::parse_or_throw("no stub", StubType{3}); }),
              STUBMETA_E_NO_MATCH);
    EXPECT_EQ(status_of([] { stubmeta::parse_or_throw("1:2:3:4:5", stubmeta::Family{9}); }),
              STUBMETA_E_ARGUMENT);
    EXPECT_EQ(stubmeta::parse_or_throw(kCelerra, StubType{3}).stubType, 3u);
}

TEST(CppIdentify, OpeningDecidesUnlessTypesAreNamed) {
    const std::string envelope = stubmeta::wrap("1:2:3:4:5:2:4:name:7:aux:4096|9", 4096);
    const std::string withTail = envelope + "tail";  // the answer points into it
    const stubmeta::Identity found = stubmeta::identify(withTail);
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found.foundBy, static_cast<std::uint32_t>(STUBMETA_FOUND_ENVELOPE));
    EXPECT_EQ(found.text, std::string_view(envelope).substr(STUBMETA_ENVELOPE_HEADER_SIZE, 31));
    EXPECT_EQ(found.facts.trailing, 4u);
    EXPECT_FALSE(stubmeta::identify(kCelerra).is_stub());
    const stubmeta::Identity named = stubmeta::identify_as(kCelerra, StubType{3});
    ASSERT_TRUE(named.ok());
    EXPECT_EQ(named.record->number2, 99u);
    EXPECT_EQ(stubmeta::identify_as(kCelerra, stubmeta::Family::unix_stubs).type, 6u);
    const stubmeta::Identity cut = stubmeta::identify(std::string_view(envelope).substr(0, 30));
    EXPECT_TRUE(cut.damaged());
    EXPECT_STREQ(cut.message(), stubmeta_strerror(STUBMETA_E_TRUNCATED));
}

// The functions whose results point into their input refuse a temporary
// string at compile time and take everything else that holds bytes.
template <class S>
concept Identifiable = requires(S&& s) {
    stubmeta::identify(std::forward<S>(s));
};
template <class S>
concept IdentifiableAs = requires(S&& s) {
    stubmeta::identify_as(std::forward<S>(s), STUB_TYPE_WINDOWS_LOCAL);
};
template <class S>
concept Checkable = requires(S&& s) {
    stubmeta::check_envelope(std::forward<S>(s));
};
static_assert(!Identifiable<std::string> && !IdentifiableAs<std::string> &&
              !Checkable<std::string>);
static_assert(Identifiable<std::string&> && Identifiable<const char*> &&
              Identifiable<std::string_view> && IdentifiableAs<const std::string&> &&
              Checkable<std::string&>);

TEST(CppHelpers, TypeNames) {
    EXPECT_EQ(stubmeta::type_name(1), "WINDOWS_LOCAL");
    EXPECT_EQ(stubmeta::type_name(5), "WINDOWS_DMNAS");
    EXPECT_EQ(stubmeta::type_name(7), "UNIX_LITTLEENDIAN");
    EXPECT_EQ(stubmeta::type_name(0), "Invalid");
    EXPECT_EQ(stubmeta::type_name(UINT32_MAX), "Invalid");
}

}  // namespace
