// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The bounded functions: stubmeta_parse agrees with the fixed entry points
// on every prefix of every example while reading nothing past it (each
// prefix sits in a heap block of exactly its size, for the address
// sanitizer), stubmeta_envelope_open names each failed check, and every
// status has a message.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "record_helpers.h"
#include "stubmeta.h"

namespace {

using stubmeta_test::ExactCopy;
using stubmeta_test::NtfsHeader;
using stubmeta_test::PatternRecord;
using stubmeta_test::SameBytes;

const std::string kCelerra = "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99";
const std::string kUnix = "1:2:3:4:5:2:4:name:7:aux:4096|9";

std::vector<char> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<char> Envelope(const std::string& text) {
    std::vector<char> out(text.size() + STUBMETA_ENVELOPE_OVERHEAD);
    const int32_t size =
        tkhsm_meta2stub(text.c_str(), 4096, out.data(), static_cast<int32_t>(out.size()));
    EXPECT_EQ(size, static_cast<int32_t>(out.size()));
    return out;
}

std::vector<std::vector<char>> Examples() {
    return {Bytes(kCelerra),
            Bytes("QZSTUB:" + kCelerra),
            Bytes(NtfsHeader() + kCelerra),
            Bytes("QZSTUB:head\r\n1:2:3:4:5?/long|8|9|10|11|1|short|aux|15?tail\r\n"),
            Bytes(kUnix),
            Bytes(kUnix + std::string(1, '\0') + "after the NUL"),
            Envelope(kUnix),
            Envelope("1:2:3:4:5:1:0:" + std::string(1000, 'p') + "|9")};
}

TEST(BoundedParse, EveryPrefixAgreesWithTheFixedEntryPoints) {
    const std::vector<std::vector<StubType>> lists = {{}, {1}, {2}, {3}, {4}, {6, 7}};
    for (const std::vector<char>& example : Examples()) {
        for (std::size_t length = 0; length <= example.size(); ++length) {
            std::vector<char> prefix(example.begin(),
                                     example.begin() + static_cast<std::ptrdiff_t>(length));
            const auto exact = ExactCopy(prefix);
            prefix.resize(length + STUBMETA_PADDING, '\0');
            for (const std::vector<StubType>& types : lists) {
                SCOPED_TRACE(
                    std::string(example.data(), std::min<std::size_t>(example.size(), 40)) +
                    " at " + std::to_string(length) + " with " + std::to_string(types.size()) +
                    " types");
                ReparseData bounded = PatternRecord();
                ReparseData fixed = PatternRecord();
                const auto count = static_cast<int32_t>(types.size());
                const int32_t status = stubmeta_parse(
                    exact.get(), length, types.empty() ? nullptr : types.data(), count, &bounded);
                const int32_t expected =
                    types.empty()
                        ? ParseReparseData(prefix.data(), &fixed)
                        : ParseReparseDataForStubTypes(prefix.data(), &fixed, types.data(), count);
                EXPECT_EQ(status == 0, expected == 0);
                EXPECT_LE(status, 0);
                EXPECT_TRUE(SameBytes(bounded, fixed));
            }
        }
    }
}

TEST(BoundedParse, StatusSaysWhy) {
    const std::vector<char> envelope = Envelope(kUnix);
    std::vector<char> damaged = envelope;
    damaged[15] ^= 1;
    const std::vector<char> tooLongText =
        Envelope("1:2:3:4:5:1:0:" + std::string(1100, 'p') + "|9");
    const std::vector<char> wideField =
        Bytes("1:2:3:4:5:ex:" + std::string(72, 's') + ":7:-8:1:aux:12?/long/path|99");
    const StubType celerra = STUB_TYPE_WINDOWS_CELERRA;
    struct Case {
        const char* name;
        const std::vector<char>* input;
        const StubType* types;
        int32_t count;
        int32_t status;
    };
    const std::vector<char> noStub = Bytes("nothing here fits any layout");
    const Case cases[] = {
        {"no match", &noStub, nullptr, 0, STUBMETA_E_NO_MATCH},
        {"checksum", &damaged, nullptr, 0, STUBMETA_E_CHECKSUM},
        {"truncated", &envelope, nullptr, -5, STUBMETA_E_TRUNCATED},
        {"text too long", &tooLongText, nullptr, 0, STUBMETA_E_TEXT_TOO_LONG},
        {"field too long", &wideField, &celerra, 1, STUBMETA_E_FIELD_TOO_LONG},
        {"empty list", &noStub, &celerra, 0, STUBMETA_E_ARGUMENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A negative count with no list cuts the input short by that much.
        const std::size_t length =
            c.input->size() -
            (c.types == nullptr && c.count < 0 ? static_cast<std::size_t>(-c.count) : 0);
        ReparseData record = PatternRecord();
        EXPECT_EQ(stubmeta_parse(c.input->data(), length, c.types, c.count, &record), c.status);
        EXPECT_TRUE(SameBytes(record, PatternRecord()));
    }
    ReparseData record = PatternRecord();
    EXPECT_EQ(stubmeta_parse(nullptr, 0, nullptr, 0, &record), STUBMETA_E_ARGUMENT);
    EXPECT_EQ(stubmeta_parse(kUnix.data(), kUnix.size(), nullptr, 0, nullptr), STUBMETA_E_ARGUMENT);
}

void SetWord(std::vector<char>& e, std::size_t at, std::size_t value) {
    e[at] = static_cast<char>(value >> 8);
    e[at + 1] = static_cast<char>(value & 0xFF);
}

// Rewrites the checksum, so that the damage lies behind a valid one.
void Reseal(std::vector<char>& e) {
    const std::size_t covered = e.size() - 4;
    uint32_t crc = 0xFFFFFFFFu;
    tw_crc32(e.data(), covered, &crc);
    for (std::size_t i = 0; i < 4; ++i)
        e[covered + i] = static_cast<char>(crc >> (24 - 8 * i));
}

// One envelope damaged for each check, in the order the checks are made.
TEST(EnvelopeOpen, EachCheckHasItsStatus) {
    const std::vector<char> good = Envelope(kUnix);
    const std::size_t total = good.size();
    struct Case {
        const char* name;
        void (*damage)(std::vector<char>&, std::size_t&);
        int32_t status;
    };
    const Case cases[] = {
        {"intact", [](std::vector<char>&, std::size_t&) {}, STUBMETA_OK},
        {"magic", [](std::vector<char>& e, std::size_t&) { e[0] = 'q'; }, STUBMETA_E_BAD_MAGIC},
        {"short header", [](std::vector<char>&, std::size_t& n) { n = 19; }, STUBMETA_E_TRUNCATED},
        {"version", [](std::vector<char>& e, std::size_t&) { e[8] = 2; }, STUBMETA_E_BAD_VERSION},
        {"total", [](std::vector<char>& e, std::size_t&) { SetWord(e, 9, 25); },
         STUBMETA_E_TOTAL_TOO_SMALL},
        {"truncated", [](std::vector<char>&, std::size_t& n) { n -= 2; }, STUBMETA_E_TRUNCATED},
        {"checksum", [](std::vector<char>& e, std::size_t&) { e[25] ^= 1; }, STUBMETA_E_CHECKSUM},
        {"empty text",
         [](std::vector<char>& e, std::size_t&) {
             SetWord(e, 19, 0);
             Reseal(e);
         },
         STUBMETA_E_EMPTY_TEXT},
        {"lengths",
         [](std::vector<char>& e, std::size_t&) {
             SetWord(e, 19, e.size() - 27);
             Reseal(e);
         },
         STUBMETA_E_LENGTH_MISMATCH},
        {"terminator",
         [](std::vector<char>& e, std::size_t&) {
             e[e.size() - 5] = 'x';
             Reseal(e);
         },
         STUBMETA_E_UNTERMINATED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<char> envelope = good;
        std::size_t length = total;
        c.damage(envelope, length);
        envelope.resize(length);
        envelope.push_back('!');  // one byte after the envelope
        const auto exact = ExactCopy(envelope);
        StubmetaEnvelope info;
        std::memset(&info, 0xA5, sizeof info);
        EXPECT_EQ(stubmeta_envelope_open(exact.get(), length + 1, &info), c.status);
        if (c.status == STUBMETA_OK) {
            EXPECT_EQ(info.total, total);
            EXPECT_EQ(info.value, 4096u);
            EXPECT_EQ(info.byteOrder, stubmeta_test::kNativeUnixType);
            EXPECT_EQ(std::string(info.text, info.textLength), kUnix);
            EXPECT_EQ(info.text, exact.get() + 21);
            EXPECT_EQ(info.trailing, 1u);
        }
        if (c.status == STUBMETA_E_CHECKSUM) {
            EXPECT_NE(info.computed, info.storedBigEndian);
            EXPECT_NE(info.computed, info.storedLittleEndian);
            EXPECT_EQ(info.byteOrder, STUB_TYPE_INVALID);
            EXPECT_EQ(info.total, total);
        }
    }
    StubmetaEnvelope info;
    EXPECT_EQ(stubmeta_envelope_open(nullptr, 0, &info), STUBMETA_E_ARGUMENT);
    EXPECT_EQ(stubmeta_envelope_open(good.data(), good.size(), nullptr), STUBMETA_E_ARGUMENT);
}

TEST(BoundedGenerate, SaysWhetherTheBufferOrTheRecordIsAtFault) {
    ReparseData record{};
    ASSERT_EQ(ParseReparseDataForStubType(kCelerra.c_str(), STUB_TYPE_WINDOWS_CELERRA, &record), 0);
    ReparseData longUnix = record;
    std::memset(longUnix.longText, 'x', sizeof longUnix.longText - 1);
    longUnix.shortText[0] = '\0';
    for (const StubType type :
         {STUB_TYPE_WINDOWS_CELERRA, STUB_TYPE_WINDOWS_DMNAS, STUB_TYPE_UNIX_LITTLEENDIAN}) {
        SCOPED_TRACE(type);
        std::vector<char> fixed(STUBMETA_STUB_SIZE_MAX, '\x55');
        const std::int32_t size = GenerateReparseData(&record, type, fixed.data(),
                                                      static_cast<std::int32_t>(fixed.size()));
        ASSERT_GT(size, 0);
        const std::uint64_t needed = static_cast<std::uint64_t>(size) + (type < 6 ? 1u : 0u);

        // A size query, a buffer one byte short (untouched), the exact size.
        std::uint64_t written = 0;
        EXPECT_EQ(stubmeta_generate(&record, type, nullptr, 0, &written),
                  STUBMETA_E_OUTPUT_TOO_SMALL);
        EXPECT_EQ(written, needed);
        std::vector<char> out(needed, '\x55');
        written = 0;
        EXPECT_EQ(stubmeta_generate(&record, type, out.data(), needed - 1, &written),
                  STUBMETA_E_OUTPUT_TOO_SMALL);
        EXPECT_EQ(written, needed);
        EXPECT_EQ(std::count(out.begin(), out.end(), '\x55'), static_cast<std::ptrdiff_t>(needed));
        ASSERT_EQ(stubmeta_generate(&record, type, out.data(), needed, &written), STUBMETA_OK);
        EXPECT_EQ(written, static_cast<std::uint64_t>(size));
        EXPECT_TRUE(std::equal(out.begin(), out.end(), fixed.begin()));
    }
    std::array<char, STUBMETA_STUB_SIZE_MAX> buffer{};
    std::uint64_t written = 7;
    EXPECT_EQ(stubmeta_generate(&longUnix, STUB_TYPE_UNIX_BIGENDIAN, buffer.data(), buffer.size(),
                                &written),
              STUBMETA_E_TEXT_TOO_LONG);
    EXPECT_EQ(written, 7u);
    const struct {
        const ReparseData* record;
        StubType type;
        char* buffer;
        std::uint64_t capacity;
        std::uint64_t* written;
    } bad[] = {{nullptr, STUB_TYPE_WINDOWS_CELERRA, buffer.data(), 10, &written},
               {&record, STUB_TYPE_WINDOWS_CELERRA, buffer.data(), 10, nullptr},
               {&record, STUB_TYPE_INVALID, buffer.data(), 10, &written},
               {&record, static_cast<StubType>(8), buffer.data(), 10, &written},
               {&record, STUB_TYPE_WINDOWS_CELERRA, nullptr, 10, &written}};
    for (const auto& b : bad)
        EXPECT_EQ(stubmeta_generate(b.record, b.type, b.buffer, b.capacity, b.written),
                  STUBMETA_E_ARGUMENT);
}

TEST(Status, EveryCodeHasItsOwnMessage) {
    std::vector<std::string> seen;
    for (int32_t status = 1; status >= STUBMETA_E_NOT_A_STUB - 1; --status) {
        const char* message = stubmeta_strerror(status);
        ASSERT_NE(message, nullptr);
        EXPECT_NE(std::string(message), "");
        seen.emplace_back(message);
    }
    // 1 and the code after the last are both unknown; all others differ.
    EXPECT_EQ(seen.front(), seen.back());
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()) - seen.begin(),
              static_cast<std::ptrdiff_t>(seen.size() - 1));
    EXPECT_STREQ(stubmeta_strerror(INT32_MIN), stubmeta_strerror(INT32_MAX));
    EXPECT_STREQ(stubmeta_version(), STUBMETA_VERSION_STRING);
}

}  // namespace
