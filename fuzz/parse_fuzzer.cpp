// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Every parse entry point on arbitrary bytes.
//
// Each input is parsed by every single type 0..8, every family 0..4, the
// family shortcuts, the first-match search and a type list taken from the
// input's first bytes.  Besides what the sanitizers catch, each call must
// answer 0 or -1, leave the record byte-identical when it fails, terminate
// every text field it fills, record a type its request allows, release
// every block it took, and the searches must agree with the single-type
// parses they are made of.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "dispatch/allocation_seam.h"
#include "fuzz_support.h"
#include "stubmeta.h"

namespace {

using namespace stubmeta::fuzz;

constexpr std::size_t kTypeCount = 9;  // 0..8: 0 and 8 are never valid

template <std::size_t N>
bool Terminated(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

// The text fields that a successful parse of `record->stubType` fills.
bool FilledTextsTerminated(const ReparseData& r) {
    switch (r.stubType) {
    case STUB_TYPE_WINDOWS_LOCAL:
    case STUB_TYPE_WINDOWS_LOCAL_CSVFS:
    case STUB_TYPE_WINDOWS_CELERRA:
        return Terminated(r.extraText) && Terminated(r.shortText) && Terminated(r.auxText) &&
               Terminated(r.longText);
    case STUB_TYPE_WINDOWS_DMNAS:
        return Terminated(r.headText) && Terminated(r.longText) && Terminated(r.shortText) &&
               Terminated(r.auxText) && Terminated(r.tailText);
    case STUB_TYPE_UNIX_BIGENDIAN:
    case STUB_TYPE_UNIX_LITTLEENDIAN:
        return Terminated(r.auxText) &&
               (r.unixTextKind == 1 ? Terminated(r.longText) : Terminated(r.shortText));
    default:
        return false;
    }
}

// The type a successful single-type parse of `type` may record.
bool RecordedTypeFits(StubType requested, StubType recorded) {
    switch (requested) {
    case STUB_TYPE_WINDOWS_DMNAS:
    case STUB_TYPE_WINDOWS_DMNAS_ALT:
        return recorded == STUB_TYPE_WINDOWS_DMNAS;
    case STUB_TYPE_UNIX_BIGENDIAN:
    case STUB_TYPE_UNIX_LITTLEENDIAN:
        return recorded == STUB_TYPE_UNIX_BIGENDIAN || recorded == STUB_TYPE_UNIX_LITTLEENDIAN;
    default:
        return recorded == requested;
    }
}

struct Outcome {
    std::int32_t status = -1;
    ReparseData record{};
};

// Checks what holds for every parse call, whatever it was asked.
void CheckCall(std::int32_t status, const ReparseData& after) {
    const ReparseData before = PatternRecord();
    Require(status == 0 || status == -1, "a parse answers 0 or -1");
    Require(stubmeta::testing::BlocksOutstanding() == 0, "a parse releases every block it took");
    if (status != 0)
        Require(SameBytes(before, after), "a failed parse leaves the record byte-identical");
    else
        Require(FilledTextsTerminated(after), "a parse terminates every text field it fills");
}

template <typename Call>
Outcome Run(Call call) {
    Outcome outcome;
    outcome.record = PatternRecord();
    outcome.status = call(&outcome.record);
    CheckCall(outcome.status, outcome.record);
    return outcome;
}

// What a search over `types` must give: the first single-type success.
void CheckSearch(const Outcome& search, const std::array<Outcome, kTypeCount>& single,
                 const StubType* types, std::size_t count, const char* property) {
    for (std::size_t i = 0; i < count; ++i) {
        if (types[i] >= kTypeCount || single[types[i]].status != 0)
            continue;
        Require(search.status == 0 && SameBytes(search.record, single[types[i]].record), property);
        return;
    }
    Require(search.status == -1, property);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    stubmeta::testing::ResetAllocationCounters();
    const std::vector<char> padded = PaddedCopy(data, size);
    const char* input = padded.data();

    std::array<Outcome, kTypeCount> single;
    for (StubType type = 0; type < kTypeCount; ++type) {
        single[type] =
            Run([&](ReparseData* r) { return ParseReparseDataForStubType(input, type, r); });
        if (single[type].status == 0)
            Require(RecordedTypeFits(type, single[type].record.stubType),
                    "a single-type parse records the type it was asked for");
    }
    Require(single[0].status == -1 && single[8].status == -1, "types 0 and 8 never parse");

    // Types 2 to 5 read nothing past the text's NUL: parse an exact copy, so
    // that AddressSanitizer sees any read beyond it, and expect the same.
    const std::vector<char> exact = ExactText(data, size);
    for (StubType type = 2; type <= 5; ++type) {
        const Outcome bounded =
            Run([&](ReparseData* r) { return ParseReparseDataForStubType(exact.data(), type, r); });
        Require(bounded.status == single[type].status &&
                    SameBytes(bounded.record, single[type].record),
                "a text parse depends only on the bytes before the NUL");
    }

    constexpr std::array<StubType, 6> kAll = {6, 7, 1, 2, 3, 4};
    CheckSearch(Run([&](ReparseData* r) { return ParseReparseData(input, r); }), single,
                kAll.data(), kAll.size(), "ParseReparseData takes the first type that parses");

    constexpr std::array<std::array<StubType, 2>, 3> kFamilies = {{{1, 2}, {3, 4}, {6, 7}}};
    for (StubFamily family = 0; family <= 4; ++family) {
        const Outcome byFamily =
            Run([&](ReparseData* r) { return ParseReparseDataFor(input, r, family); });
        if (family == 0 || family > 3)
            Require(byFamily.status == -1, "an unknown family never parses");
        else
            CheckSearch(byFamily, single, kFamilies[family - 1].data(), 2,
                        "a family parse takes the first of its types that parses");
    }
    CheckSearch(Run([&](ReparseData* r) { return ParseReparseDataForWindowsStubs(input, r); }),
                single, kFamilies[0].data(), 2, "the Windows shortcut is the Windows family");
    CheckSearch(Run([&](ReparseData* r) { return ParseReparseDataForNasStubs(input, r); }), single,
                kFamilies[1].data(), 2, "the NAS shortcut is the NAS family");
    CheckSearch(Run([&](ReparseData* r) { return ParseReparseDataForUnixStubs(input, r); }), single,
                kFamilies[2].data(), 2, "the Unix shortcut is the Unix family");

    // A type list from the input's first bytes, counts from -1 to 4.
    std::array<StubType, 4> listed{};
    for (std::size_t i = 0; i < listed.size(); ++i)
        listed[i] = i < size ? data[i] % 10u : 0u;
    const std::int32_t count = size != 0 ? static_cast<std::int32_t>(data[size - 1] % 6u) - 1 : 0;
    const Outcome byList = Run([&](ReparseData* r) {
        return ParseReparseDataForStubTypes(input, r, listed.data(), count);
    });
    CheckSearch(byList, single, listed.data(), count > 0 ? static_cast<std::size_t>(count) : 0,
                "a type-list parse takes the first listed type that parses");
    return 0;
}
