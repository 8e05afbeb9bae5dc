// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta_identify on arbitrary bytes, each input in a heap block of
// exactly its size so that AddressSanitizer reports any read past it.
//
// The first byte picks what the bytes are said to be: a file's content, a
// reparse buffer, or a bare text of one named type.  The answer must be
// given (STUBMETA_OK), release every block, fill the record only for an ok
// stub, keep the facts it claims inside the input, and agree with
// stubmeta_parse: an ok stub parses as its type, with the same record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "dispatch/allocation_seam.h"
#include "fuzz_support.h"
#include "stubmeta.h"

namespace {

using namespace stubmeta::fuzz;

constexpr std::size_t kReparseHeaderSize = 24;

// Where the stub's own parse starts: a CSVFS text found behind a reparse
// header is parsed from its text; every other stub from the input's start
// (an NTFS parse skips the header itself).
std::size_t parse_start(const StubmetaIdentity& identity) {
    return identity.type == STUB_TYPE_WINDOWS_LOCAL_CSVFS &&
                   identity.foundBy == STUBMETA_FOUND_REPARSE_HEADER
               ? kReparseHeaderSize
               : 0;
}

void CheckFacts(const StubmetaIdentity& identity, std::size_t size) {
    Require(identity.state <= STUBMETA_STATE_DAMAGED, "a known state");
    Require(identity.type <= 7, "a known type");
    if (identity.state == STUBMETA_STATE_NO_STUB)
        Require(identity.type == 0, "no stub has no type");
    if (identity.state == STUBMETA_STATE_OK)
        Require(identity.status == STUBMETA_OK && identity.type != 0, "an ok stub has a type");
    if ((identity.known & STUBMETA_KNOWN_TEXT) != 0)
        Require(identity.textOffset <= size && identity.textLength <= size - identity.textOffset,
                "the text lies inside the input");
    if ((identity.known & STUBMETA_KNOWN_STUB_LENGTH) != 0)
        Require(identity.stubLength <= size && identity.trailing == size - identity.stubLength,
                "the stub and its trailing bytes make up the input");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t selector = data[0];
    ++data;
    --size;
    auto exact = std::make_unique<char[]>(size == 0 ? 1 : size);
    if (size != 0)
        std::memcpy(exact.get(), data, size);

    StubmetaQuery query{};
    const StubType named = static_cast<StubType>(selector % 7 + 1);
    switch (selector / 7 % 3) {
    case 0:
        query.kind = STUBMETA_INPUT_CONTENT;
        break;
    case 1:
        query.kind = STUBMETA_INPUT_REPARSE;
        break;
    default:
        query.kind = STUBMETA_INPUT_TEXT;
        query.types = &named;
        query.count = 1;
        break;
    }
    StubmetaIdentity identity{};
    identity.structSize = sizeof identity;
    ReparseData record = PatternRecord();
    const std::int32_t status = stubmeta_identify(exact.get(), size, &query, &identity, &record);
    Require(status == STUBMETA_OK, "identify answers every input");
    Require(stubmeta::testing::BlocksOutstanding() == 0, "identify releases every block");
    CheckFacts(identity, size);
    if (identity.state != STUBMETA_STATE_OK) {
        Require(SameBytes(record, PatternRecord()), "only an ok stub fills the record");
        return 0;
    }
    const std::size_t start = parse_start(identity);
    Require(start <= size, "an ok stub's text lies inside the input");
    ReparseData parsed = PatternRecord();
    const StubType type = identity.type;
    Require(stubmeta_parse(exact.get() + start, size - start, &type, 1, &parsed) == 0,
            "an ok stub parses as its type");
    Require(SameBytes(parsed, record), "identify fills the record as the parse does");
    return 0;
}
