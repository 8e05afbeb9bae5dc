// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Allocation failure during a parse: for valid stubs of every type, bare and
// enveloped, full and shortened, the k-th allocation of the parse is made to
// fail for every k up to the number the parse makes.  Each such parse must
// fail with -1, leave the record byte-identical and release every block it
// had taken; the searches over several types may still succeed through a
// later type, but then with exactly the record of an undisturbed parse.
#include <cstdint>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch/allocation_seam.h"
#include "record_helpers.h"
#include "stubmeta.h"

namespace {

using namespace stubmeta::testing;
using stubmeta_test::PatternRecord;
using stubmeta_test::SameBytes;
using stubmeta_test::SetText;

struct Stub {
    std::string name;
    StubType type;            // parsed as this type
    std::vector<char> bytes;  // NUL-terminated, or a whole envelope
};

ReparseData SampleRecord(bool withEmptyTexts) {
    ReparseData r;
    std::memset(&r, 0, sizeof r);
    r.common = {1, 22, 333, 4444, 55555};
    r.number1 = 7;
    r.number2 = 9;
    r.number3 = 8192;
    r.number4 = 11;
    r.number5 = 12;
    r.signedNumber = -8;
    r.flag = 1;
    SetText(r.longText, "/archive/volume/long name.dat");
    SetText(r.shortText, "short");
    if (!withEmptyTexts) {
        SetText(r.auxText, "aux");
        SetText(r.extraText, "extra");
        SetText(r.tailText, "tail");
        SetText(r.headText, "head");
    }
    return r;
}

std::vector<char> Written(const ReparseData& record, StubType type) {
    std::vector<char> buffer(4096);
    const std::int32_t n =
        GenerateReparseData(&record, type, buffer.data(), static_cast<std::int32_t>(buffer.size()));
    EXPECT_GT(n, 0) << "writing type " << type;
    buffer.resize(n > 0 ? static_cast<std::size_t>(n) + 1 : 1);
    return buffer;
}

std::vector<char> Text(const std::string& text, std::size_t headerBytes = 0) {
    std::vector<char> bytes(headerBytes, '\x01');
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back('\0');
    return bytes;
}

std::vector<char> Unwrapped(const std::vector<char>& envelope) {
    std::vector<char> text(1024, '\0');
    StubType order = 0;
    EXPECT_EQ(tkhsm_stub2meta(envelope.data(), nullptr, nullptr, text.data(), 1024, &order), 0);
    return Text(text.data());
}

std::vector<Stub> StubsOfEveryType() {
    std::vector<Stub> stubs;
    for (const bool emptyTexts : {false, true}) {
        const ReparseData record = SampleRecord(emptyTexts);
        const std::string variant = emptyTexts ? " with empty texts" : "";
        std::vector<char> ntfs(24, '\x01');
        const std::vector<char> windows = Written(record, STUB_TYPE_WINDOWS_LOCAL);
        ntfs.insert(ntfs.end(), windows.begin(), windows.end());
        stubs.push_back({"NTFS" + variant, STUB_TYPE_WINDOWS_LOCAL, ntfs});
        stubs.push_back({"CSVFS" + variant, STUB_TYPE_WINDOWS_LOCAL_CSVFS,
                         Written(record, STUB_TYPE_WINDOWS_LOCAL_CSVFS)});
        stubs.push_back({"Celerra" + variant, STUB_TYPE_WINDOWS_CELERRA,
                         Written(record, STUB_TYPE_WINDOWS_CELERRA)});
        stubs.push_back(
            {"DMNas" + variant, STUB_TYPE_WINDOWS_DMNAS, Written(record, STUB_TYPE_WINDOWS_DMNAS)});
        stubs.push_back({"DMNas as type 5" + variant, STUB_TYPE_WINDOWS_DMNAS_ALT,
                         Written(record, STUB_TYPE_WINDOWS_DMNAS_ALT)});
        const std::vector<char> envelope = Written(record, STUB_TYPE_UNIX_BIGENDIAN);
        stubs.push_back({"Unix envelope" + variant, STUB_TYPE_UNIX_BIGENDIAN, envelope});
        stubs.push_back(
            {"Unix envelope as type 7" + variant, STUB_TYPE_UNIX_LITTLEENDIAN, envelope});
        stubs.push_back(
            {"bare Unix text" + variant, STUB_TYPE_UNIX_BIGENDIAN, Unwrapped(envelope)});
    }
    // Shortened stubs, whose left-out fields become filler tokens with blocks.
    stubs.push_back({"shortened NTFS", STUB_TYPE_WINDOWS_LOCAL,
                     Text("1:2:3:4:5:extra:short:7:-8?/long|9", 24)});
    stubs.push_back({"shortened Celerra", STUB_TYPE_WINDOWS_CELERRA,
                     Text("1:2:3:4:5:extra:short:7:-8?/long|9")});
    stubs.push_back({"shortened DMNas", STUB_TYPE_WINDOWS_DMNAS,
                     Text("QZSTUB:head\r\n1:2:3:4:5?/long|6|7|8|9?tail\r\n")});
    stubs.push_back({"Unix text layout 1", STUB_TYPE_UNIX_BIGENDIAN, Text("1:2:3:4:5:1:5:/a/b|9")});
    // The searches try type 1, which skips 24 bytes unseen: zeros after
    // every stub keep that inside the input.
    for (Stub& stub : stubs)
        stub.bytes.resize(stub.bytes.size() + 24, '\0');
    return stubs;
}

// The allocations an undisturbed call makes, with its result and record.
template <typename Parse>
std::uint64_t CountAllocations(Parse parse, ReparseData* record) {
    ResetAllocationCounters();
    *record = PatternRecord();
    EXPECT_EQ(parse(record), 0);
    EXPECT_EQ(BlocksOutstanding(), 0);
    return AllocationsAttempted();
}

class AllocationFailure : public ::testing::Test {
protected:
    void TearDown() override {
        FailAllocationNumber(0);
        ResetAllocationCounters();
    }
};

TEST_F(AllocationFailure, EveryFailedAllocationFailsASingleTypeParseCleanly) {
    for (const Stub& stub : StubsOfEveryType()) {
        SCOPED_TRACE(stub.name);
        const auto parse = [&](ReparseData* r) {
            return ParseReparseDataForStubType(stub.bytes.data(), stub.type, r);
        };
        ReparseData parsed;
        const std::uint64_t allocations = CountAllocations(parse, &parsed);
        ASSERT_GT(allocations, 0u) << "a parse takes a block per non-empty token";

        for (std::uint64_t k = 1; k <= allocations; ++k) {
            ResetAllocationCounters();
            FailAllocationNumber(k);
            ReparseData record = PatternRecord();
            EXPECT_EQ(parse(&record), -1) << "allocation " << k << " of " << allocations;
            EXPECT_TRUE(SameBytes(record, PatternRecord())) << "allocation " << k;
            EXPECT_EQ(BlocksOutstanding(), 0) << "allocation " << k;
        }
        // One past the last allocation is never reached: the parse succeeds.
        ResetAllocationCounters();
        FailAllocationNumber(allocations + 1);
        ReparseData record = PatternRecord();
        EXPECT_EQ(parse(&record), 0);
        EXPECT_TRUE(SameBytes(record, parsed));
    }
}

// What a search may give when an allocation fails: -1 with the record
// untouched, or what one of its types gives undisturbed (a failure in the
// type that would have won moves the search on to the next).
TEST_F(AllocationFailure, SearchesFailCleanlyOrFallBackToAnotherType) {
    const std::vector<std::pair<std::string, std::vector<StubType>>> searches = {
        {"ParseReparseData", {6, 7, 1, 2, 3, 4}},
        {"Windows family", {1, 2}},
        {"NAS family", {3, 4}},
        {"Unix family", {6, 7}}};
    for (const Stub& stub : StubsOfEveryType()) {
        const char* input = stub.bytes.data();
        for (const auto& search : searches) {
            // Named references, not a structured binding: lambdas capture them.
            const std::string& name = search.first;
            const std::vector<StubType>& types = search.second;
            SCOPED_TRACE(stub.name + " through " + name);
            std::vector<ReparseData> candidates;
            for (const StubType type : types) {
                ReparseData record = PatternRecord();
                if (ParseReparseDataForStubType(input, type, &record) == 0)
                    candidates.push_back(record);
            }
            const auto parse = [&](ReparseData* r) {
                return ParseReparseDataForStubTypes(input, r, types.data(),
                                                    static_cast<std::int32_t>(types.size()));
            };
            ResetAllocationCounters();
            ReparseData undisturbed = PatternRecord();
            const std::int32_t expected = parse(&undisturbed);
            const std::uint64_t allocations = AllocationsAttempted();
            ASSERT_EQ(expected == 0, !candidates.empty());

            for (std::uint64_t k = 1; k <= allocations; ++k) {
                ResetAllocationCounters();
                FailAllocationNumber(k);
                ReparseData record = PatternRecord();
                const std::int32_t status = parse(&record);
                EXPECT_EQ(BlocksOutstanding(), 0) << "allocation " << k;
                if (status != 0) {
                    EXPECT_TRUE(SameBytes(record, PatternRecord())) << "allocation " << k;
                    continue;
                }
                bool known = false;
                for (const ReparseData& candidate : candidates)
                    known = known || SameBytes(record, candidate);
                EXPECT_TRUE(known) << "allocation " << k << " gave a record no type gives";
            }
        }
    }
}

}  // namespace
