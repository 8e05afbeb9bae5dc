// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The bounded functions on arbitrary bytes, each input in a heap block of
// exactly its size so that AddressSanitizer reports any read past it.
//
// The first byte picks the type list (none for first-match, else one or
// two types); the rest is the input.  stubmeta_parse must answer 0 or a
// known status, leave the record alone when it fails, release every block,
// and agree with the fixed entry points on the same bytes followed by
// zeros: the same answer and record, except that an envelope reaching past
// the input is refused however its zero-padded reading would end.
// stubmeta_envelope_open must agree with tkhsm_stub2meta on an envelope it
// opens.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "dispatch/allocation_seam.h"
#include "fuzz_support.h"
#include "stubmeta.h"

namespace {

using namespace stubmeta::fuzz;

// A copy of the bytes in a block of exactly their size.
std::unique_ptr<char[]> ExactCopy(const std::uint8_t* data, std::size_t size) {
    auto copy = std::make_unique<char[]>(size);
    if (size != 0)
        std::memcpy(copy.get(), data, size);
    return copy;
}

// True when the input opens an envelope whose total length reaches past it.
bool TruncatedEnvelope(const char* input, std::size_t size) {
    StubmetaEnvelope info;
    return stubmeta_envelope_open(input, size, &info) == STUBMETA_E_TRUNCATED;
}

void CheckParse(const StubType* types, std::int32_t count, const std::uint8_t* data,
                std::size_t size) {
    const auto exact = ExactCopy(data, size);
    ReparseData bounded = PatternRecord();
    const std::int32_t status = stubmeta_parse(exact.get(), size, types, count, &bounded);
    Require(status <= 0 && status >= STUBMETA_E_TEXT_TOO_LONG, "a parse answers a known status");
    Require(stubmeta::testing::BlocksOutstanding() == 0, "a parse releases every block it took");
    if (status != 0)
        Require(SameBytes(bounded, PatternRecord()), "a failed parse leaves the record alone");

    const std::vector<char> padded = PaddedCopy(data, size);
    ReparseData fixed = PatternRecord();
    const std::int32_t expected =
        types == nullptr ? ParseReparseData(padded.data(), &fixed)
                         : ParseReparseDataForStubTypes(padded.data(), &fixed, types, count);
    if (status == 0 || !TruncatedEnvelope(exact.get(), size)) {
        Require((status == 0) == (expected == 0), "bounded and fixed parses agree");
        Require(SameBytes(bounded, fixed), "bounded and fixed parses fill the same record");
    }
}

void CheckEnvelope(const std::uint8_t* data, std::size_t size) {
    const auto exact = ExactCopy(data, size);
    StubmetaEnvelope info;
    const std::int32_t status = stubmeta_envelope_open(exact.get(), size, &info);
    Require(status <= 0 && status >= STUBMETA_E_TEXT_TOO_LONG, "an open answers a known status");
    if (status != 0)
        return;
    Require(info.total + info.trailing == size, "the envelope and what follows are the input");
    const std::vector<char> padded = PaddedCopy(data, size);
    int32_t total = 0;
    uint64_t value = 0;
    StubType order = 0;
    Require(tkhsm_stub2meta(padded.data(), &total, &value, nullptr, 0, &order) == 0,
            "the fixed reader opens what the bounded one opens");
    Require(static_cast<std::uint64_t>(total) == info.total && value == info.value &&
                order == info.byteOrder,
            "both readers see the same envelope");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // 0: first-match; otherwise the low bits name one type and the next bits
    // a second (0 to 7 each, so invalid types are tried as well).
    const std::uint8_t pick = data[0];
    const StubType types[2] = {static_cast<StubType>(pick & 7u),
                               static_cast<StubType>((pick >> 3) & 7u)};
    const std::int32_t count = (pick & 0x40u) != 0 ? 2 : 1;
    stubmeta::testing::ResetAllocationCounters();
    CheckParse(pick == 0 ? nullptr : types, count, data + 1, size - 1);
    CheckEnvelope(data + 1, size - 1);
    return 0;
}
