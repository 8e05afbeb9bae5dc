// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta_identify: one table of openings and what each is, and on every
// prefix of every case the answer agrees with stubmeta_parse while nothing
// past the prefix is read (each sits in a heap block of its exact size).
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "record_helpers.h"
#include "stubmeta.h"

namespace {

using stubmeta_test::ExactCopy;

const std::string kNtfsText = "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99";
const std::string kUnixText = "1:2:3:4:5:2:4:name:7:aux:4096|9";
const std::string kDmnas = "QZSTUB:head\r\n1:2:3:4:5?/long|8|9|10|11|1|short|aux|15?tail\r\n";

std::string Envelope(const std::string& text) {
    std::string out(text.size() + STUBMETA_ENVELOPE_OVERHEAD, '\0');
    tkhsm_meta2stub(text.c_str(), 4096, out.data(), static_cast<int32_t>(out.size()));
    return out;
}

// A reparse buffer: tag, the data's length (or count), a zero word, GUID.
std::string Reparse(const std::string& data, std::size_t count) {
    std::string header(STUBMETA_NTFS_HEADER_SIZE, '\0');
    header[0] = '\x34';
    header[1] = '\x12';
    header[4] = static_cast<char>(count & 0xFF);
    header[5] = static_cast<char>(count >> 8);
    return header + data;
}
std::string Reparse(const std::string& data) { return Reparse(data, data.size()); }

std::string Flip(std::string bytes, std::size_t at, char mask = 0x40) {
    bytes[at] = static_cast<char>(bytes[at] ^ mask);
    return bytes;
}

struct Case {
    const char* name;
    std::string bytes;
    uint32_t kind;
    std::vector<StubType> types;  // for STUBMETA_INPUT_TEXT; empty: the first-match order
    uint32_t state;
    StubType type;
    uint32_t foundBy;
    int32_t status;
};

std::vector<Case> Cases() {
    const std::string envelope = Envelope(kUnixText);
    const uint32_t content = STUBMETA_INPUT_CONTENT, reparse = STUBMETA_INPUT_REPARSE,
                   text = STUBMETA_INPUT_TEXT;
    const uint32_t ok = STUBMETA_STATE_OK, damaged = STUBMETA_STATE_DAMAGED,
                   none = STUBMETA_STATE_NO_STUB;
    return {
        {"envelope", envelope, content, {}, ok, 0, STUBMETA_FOUND_ENVELOPE, STUBMETA_OK},
        {"envelope with trailing bytes",
         envelope + "xyz",
         content,
         {},
         ok,
         0,
         STUBMETA_FOUND_ENVELOPE,
         STUBMETA_OK},
        {"envelope, checksum broken",
         Flip(envelope, 30),
         content,
         {},
         damaged,
         0,
         STUBMETA_FOUND_ENVELOPE,
         STUBMETA_E_CHECKSUM},
        {"envelope holding no Unix text",
         Envelope("1:2:3:4:5"),
         content,
         {},
         damaged,
         0,
         STUBMETA_FOUND_ENVELOPE,
         STUBMETA_E_NOT_UNIX_TEXT},
        {"envelope cut short",
         envelope.substr(0, 30),
         content,
         {},
         damaged,
         0,
         STUBMETA_FOUND_ENVELOPE,
         STUBMETA_E_TRUNCATED},
        {"DMNas", kDmnas, content, {}, ok, 4, STUBMETA_FOUND_QZSTUB_LINE, STUBMETA_OK},
        {"CSVFS text",
         "QZSTUB:" + kNtfsText,
         content,
         {},
         ok,
         2,
         STUBMETA_FOUND_QZSTUB_LINE,
         STUBMETA_OK},
        {"QZSTUB: line that parses as nothing",
         "QZSTUB:1:2",
         content,
         {},
         damaged,
         4,
         STUBMETA_FOUND_QZSTUB_LINE,
         STUBMETA_E_BAD_FIELDS},
        {"file holding a reparse buffer",
         Reparse(kNtfsText),
         content,
         {},
         ok,
         1,
         STUBMETA_FOUND_REPARSE_HEADER,
         STUBMETA_OK},
        {"reparse buffer, blank before the text",
         Reparse(" 1:0:0:0:0::::0:0::0?/a|1"),
         reparse,
         {},
         ok,
         1,
         STUBMETA_FOUND_REPARSE_HEADER,
         STUBMETA_OK},
        {"reparse buffer, CSVFS text",
         Reparse("QZSTUB:" + kNtfsText),
         reparse,
         {},
         ok,
         2,
         STUBMETA_FOUND_REPARSE_HEADER,
         STUBMETA_OK},
        {"reparse buffer, first byte corrupted",
         Reparse(Flip(kNtfsText, 0, '1')),
         reparse,
         {},
         damaged,
         1,
         STUBMETA_FOUND_REPARSE_HEADER,
         STUBMETA_E_BAD_FIELDS},
        {"reparse buffer, broken CSVFS text",
         Reparse("QZSTUB:1:2"),
         reparse,
         {},
         damaged,
         2,
         STUBMETA_FOUND_REPARSE_HEADER,
         STUBMETA_E_BAD_FIELDS},
        {"reparse buffer, length off",
         Reparse(kNtfsText, kNtfsText.size() + 1),
         reparse,
         {},
         damaged,
         1,
         STUBMETA_FOUND_REPARSE_HEADER,
         STUBMETA_E_REPARSE_LENGTH},
        {"another product's reparse buffer",
         Reparse("something else"),
         reparse,
         {},
         none,
         0,
         STUBMETA_FOUND_NOTHING,
         STUBMETA_E_NOT_A_STUB},
        {"bare Celerra text by its opening",
         kNtfsText,
         content,
         {},
         none,
         0,
         STUBMETA_FOUND_NOTHING,
         STUBMETA_E_NOT_A_STUB},
        {"bare Celerra text as type 3",
         kNtfsText,
         text,
         {3},
         ok,
         3,
         STUBMETA_FOUND_NAMED_TYPES,
         STUBMETA_OK},
        {"bare Celerra text, first match",
         kNtfsText,
         text,
         {},
         ok,
         6,
         STUBMETA_FOUND_NAMED_TYPES,
         STUBMETA_OK},
        {"bare text as a type it is not",
         "plain words",
         text,
         {3, 4},
         none,
         0,
         STUBMETA_FOUND_NOTHING,
         STUBMETA_E_NO_MATCH},
        {"envelope named as Unix",
         Flip(envelope, 30),
         text,
         {6},
         damaged,
         0,
         STUBMETA_FOUND_ENVELOPE,
         STUBMETA_E_CHECKSUM},
        {"empty", "", content, {}, none, 0, STUBMETA_FOUND_NOTHING, STUBMETA_E_NOT_A_STUB},
    };
}

StubmetaIdentity Identify(const std::vector<char>& bytes, std::size_t length, const Case& c,
                          ReparseData* record) {
    StubmetaQuery query{};
    query.kind = c.kind;
    if (!c.types.empty()) {
        query.types = c.types.data();
        query.count = static_cast<int32_t>(c.types.size());
    }
    const auto exact =
        ExactCopy(std::vector<char>(bytes.begin(), bytes.begin() + static_cast<long>(length)));
    StubmetaIdentity identity{};
    identity.structSize = sizeof identity;
    EXPECT_EQ(stubmeta_identify(exact.get() != nullptr ? exact.get() : "", length, &query,
                                &identity, record),
              STUBMETA_OK);
    return identity;
}

TEST(Identify, EachOpeningGetsItsAnswer) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const std::vector<char> bytes(c.bytes.begin(), c.bytes.end());
        ReparseData record{};
        const StubmetaIdentity identity = Identify(bytes, bytes.size(), c, &record);
        EXPECT_EQ(identity.state, c.state);
        EXPECT_EQ(identity.foundBy, c.foundBy);
        EXPECT_EQ(identity.status, c.status) << stubmeta_strerror(identity.status);
        // A Unix stub's type is the byte order this machine wrote it in.
        if (c.type != 0) {
            EXPECT_EQ(identity.type, c.type);
        }
        if (c.state == STUBMETA_STATE_OK) {
            EXPECT_EQ(record.stubType, identity.type);
        }
    }
}

// On every prefix: an ok answer is what stubmeta_parse gives as its type,
// and a parse as the answer's type succeeds only where the answer is ok.
TEST(Identify, EveryPrefixAgreesWithParse) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const std::vector<char> bytes(c.bytes.begin(), c.bytes.end());
        for (std::size_t length = 0; length <= bytes.size(); ++length) {
            ReparseData identified{};
            const StubmetaIdentity identity = Identify(bytes, length, c, &identified);
            if (identity.type == 0 || identity.status == STUBMETA_E_REPARSE_LENGTH)
                continue;
            // A CSVFS text in a reparse buffer is parsed behind its header.
            const std::size_t skip = identity.foundBy == STUBMETA_FOUND_REPARSE_HEADER &&
                                             identity.type == STUB_TYPE_WINDOWS_LOCAL_CSVFS
                                         ? STUBMETA_NTFS_HEADER_SIZE
                                         : 0;
            ReparseData parsed{};
            const StubType type = identity.type;
            const int32_t status =
                stubmeta_parse(bytes.data() + skip, length - skip, &type, 1, &parsed);
            EXPECT_EQ(status == STUBMETA_OK, identity.state == STUBMETA_STATE_OK)
                << "length " << length;
            if (status == STUBMETA_OK) {
                EXPECT_EQ(std::memcmp(&parsed, &identified, sizeof parsed), 0);
            }
        }
    }
}

TEST(Identify, RefusesWhatItCannotAnswer) {
    StubmetaIdentity identity{};
    identity.structSize = sizeof identity;
    const StubType one = 1;
    StubmetaQuery typesWithContent{};
    typesWithContent.types = &one;
    typesWithContent.count = 1;
    StubmetaQuery badFamily{};
    badFamily.kind = STUBMETA_INPUT_TEXT;
    badFamily.family = 4;
    EXPECT_EQ(stubmeta_identify(nullptr, 0, nullptr, &identity, nullptr), STUBMETA_E_ARGUMENT);
    EXPECT_EQ(stubmeta_identify("", 0, &typesWithContent, &identity, nullptr), STUBMETA_E_ARGUMENT);
    EXPECT_EQ(stubmeta_identify("", 0, &badFamily, &identity, nullptr), STUBMETA_E_ARGUMENT);
    identity.structSize = 4;
    EXPECT_EQ(stubmeta_identify("", 0, nullptr, &identity, nullptr), STUBMETA_E_ARGUMENT);
}

}  // namespace
