// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The exported parse and generate entry points: argument checks, the routing
// of types, families and lists to the per-type handlers, the first-match
// order, and a failed search leaving the caller's record as it was.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "stubmeta.h"

namespace {

const std::string kCelerra = "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99";
const std::string kCsvfs = "QZSTUB:" + kCelerra;
// The NTFS text sits behind a 24-byte reparse header, here all zero bytes.
const std::string kNtfs = std::string(24, '\0') + kCelerra;
const std::string kDMNas = "QZSTUB:head\r\n1:2:3:4:5?/long|8|9|10|11|1|short|aux|15?tail\r\n";
const std::string kUnix = "1:2:3:4:5:2:4:name:7:aux:4096|9";
const std::string kNoStub = "nothing in this text fits any stub layout";

// A record filled with a byte pattern, so that any write into it shows.
ReparseData Patterned() {
    ReparseData record;
    std::memset(&record, 0xA5, sizeof record);
    return record;
}

bool SameBytes(const ReparseData& a, const ReparseData& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every parse entry point, as one call shape, for the checks they share.
struct EntryPoint {
    const char* name;
    std::int32_t (*parse)(const char* input, ReparseData* record);
};

const std::vector<EntryPoint>& EveryParseEntryPoint() {
    static const std::vector<EntryPoint> all = {
        {"ParseReparseData", ParseReparseData},
        {"ParseReparseDataForWindowsStubs", ParseReparseDataForWindowsStubs},
        {"ParseReparseDataForNasStubs", ParseReparseDataForNasStubs},
        {"ParseReparseDataForUnixStubs", ParseReparseDataForUnixStubs},
        {"ParseReparseDataFor 1",
         [](const char* i, ReparseData* r) { return ParseReparseDataFor(i, r, 1); }},
        {"ParseReparseDataFor 2",
         [](const char* i, ReparseData* r) { return ParseReparseDataFor(i, r, 2); }},
        {"ParseReparseDataFor 3",
         [](const char* i, ReparseData* r) { return ParseReparseDataFor(i, r, 3); }},
        {"ParseReparseDataForStubTypes 1..7",
         [](const char* i, ReparseData* r) {
             const std::array<StubType, 7> types = {1, 2, 3, 4, 5, 6, 7};
             return ParseReparseDataForStubTypes(i, r, types.data(), 7);
         }},
    };
    return all;
}

TEST(Dispatch, NullPointersAreRefused) {
    const ReparseData before = Patterned();
    ReparseData record = before;
    const std::array<StubType, 1> types = {3};
    for (const EntryPoint& entry : EveryParseEntryPoint()) {
        EXPECT_EQ(entry.parse(nullptr, &record), -1) << entry.name;
        EXPECT_EQ(entry.parse(kCelerra.c_str(), nullptr), -1) << entry.name;
    }
    for (StubType type = 1; type <= 7; ++type) {
        EXPECT_EQ(ParseReparseDataForStubType(nullptr, type, &record), -1);
        EXPECT_EQ(ParseReparseDataForStubType(kCelerra.c_str(), type, nullptr), -1);
    }
    EXPECT_EQ(ParseReparseDataForStubTypes(kCelerra.c_str(), &record, nullptr, 1), -1);
    EXPECT_EQ(ParseReparseDataForStubTypes(nullptr, &record, types.data(), 1), -1);
    EXPECT_TRUE(SameBytes(record, before));
}

TEST(Dispatch, UnknownTypesFamiliesAndEmptyListsFail) {
    const ReparseData before = Patterned();
    ReparseData record = before;
    for (const StubType type : {0u, 8u, 0xFFFFFFFFu})
        EXPECT_EQ(ParseReparseDataForStubType(kCelerra.c_str(), type, &record), -1) << type;
    for (const StubFamily family : {0u, 4u, 0xFFFFFFFFu})
        EXPECT_EQ(ParseReparseDataFor(kCelerra.c_str(), &record, family), -1) << family;
    const std::array<StubType, 2> types = {3, 6};
    for (const std::int32_t count : {0, -1, INT32_MIN})
        EXPECT_EQ(ParseReparseDataForStubTypes(kCelerra.c_str(), &record, types.data(), count), -1);
    EXPECT_TRUE(SameBytes(record, before));
}

TEST(Dispatch, FailedSearchLeavesTheRecordByteIdentical) {
    const ReparseData before = Patterned();
    for (const std::string& input : {kNoStub, std::string(40, '\0') + "still nothing"}) {
        for (const EntryPoint& entry : EveryParseEntryPoint()) {
            ReparseData record = before;
            EXPECT_EQ(entry.parse(input.c_str(), &record), -1) << entry.name;
            EXPECT_TRUE(SameBytes(record, before)) << entry.name;
        }
        for (StubType type = 1; type <= 7; ++type) {
            ReparseData record = before;
            EXPECT_EQ(ParseReparseDataForStubType(input.c_str(), type, &record), -1) << type;
            EXPECT_TRUE(SameBytes(record, before)) << type;
        }
    }
}

// ParseReparseData tries 6, 7, 1, 2, 3, 4: the Unix layout takes a bare
// Celerra text, and only a caller naming the family gets type 3.
TEST(Dispatch, SearchOrderIsUnixFirst) {
    ReparseData record{};
    ASSERT_EQ(ParseReparseData(kCelerra.c_str(), &record), 0);
    EXPECT_EQ(record.stubType, 6u);
    EXPECT_STREQ(record.shortText, "7");
    EXPECT_STREQ(record.auxText, "1");
    EXPECT_EQ(record.number2, 99u);

    record = ReparseData{};
    ASSERT_EQ(ParseReparseDataFor(kCelerra.c_str(), &record, 2), 0);
    EXPECT_EQ(record.stubType, 3u);
    EXPECT_STREQ(record.shortText, "short");

    // Texts the Unix layout refuses fall through to the later types.
    record = ReparseData{};
    ASSERT_EQ(ParseReparseData(kNtfs.c_str(), &record), 0);
    EXPECT_EQ(record.stubType, 1u);
    record = ReparseData{};
    ASSERT_EQ(ParseReparseData(kDMNas.c_str(), &record), 0);
    EXPECT_EQ(record.stubType, 4u);
}

// A search measures its input once: an NTFS text behind a header with no
// zero byte is then read as the tail of the whole input, and must read
// exactly as when type 1 alone is asked for.  The 80-digit number1 sits
// where the Unix layout has its text, too long for it, so the search gets
// past the Unix type (which measured the input) to type 1.
TEST(Dispatch, SearchReadsAnNtfsTextBehindAHeaderWithoutZeros) {
    const std::string input = std::string(24, 'h') + "1:2:3:4:5:ex:short:" + std::string(80, '9') +
                              ":-8:1:aux:12?/long/path|99";
    ReparseData searched = Patterned();
    ASSERT_EQ(ParseReparseData(input.c_str(), &searched), 0);
    EXPECT_EQ(searched.stubType, 1u);
    ReparseData asked = Patterned();
    ASSERT_EQ(ParseReparseDataForStubType(input.c_str(), 1, &asked), 0);
    EXPECT_EQ(std::memcmp(&searched, &asked, sizeof searched), 0);
    EXPECT_STREQ(searched.longText, "/long/path");
    EXPECT_EQ(searched.number2, 99u);
}

// A list is tried in its own order, skipping entries that name no type, and
// the first parser that succeeds is the only one whose writes show.
TEST(Dispatch, ListsAreTriedInOrderAndFirstMatchWins) {
    struct Case {
        std::vector<StubType> types;
        StubType recorded;
    };
    const std::vector<Case> cases = {
        {{3, 6}, 3}, {{6, 3}, 6}, {{0, 8, 3}, 3}, {{2, 1, 3}, 3}, {{4, 5, 7}, 6},
    };
    for (const Case& c : cases) {
        ReparseData record{};
        ASSERT_EQ(ParseReparseDataForStubTypes(kCelerra.c_str(), &record, c.types.data(),
                                               static_cast<std::int32_t>(c.types.size())),
                  0);
        EXPECT_EQ(record.stubType, c.recorded) << c.types.front();
        EXPECT_STREQ(record.shortText, c.recorded == 3 ? "short" : "7");
    }
}

TEST(Dispatch, FamiliesRouteToTheirTypes) {
    struct Case {
        const std::string& input;
        StubFamily family;
        std::int32_t status;
        StubType recorded;
    };
    const std::vector<Case> cases = {
        {kNtfs, 1, 0, 1},     {kNtfs, 2, -1, 0},   {kNtfs, 3, -1, 0},   {kCsvfs, 1, 0, 2},
        {kCelerra, 1, -1, 0}, {kCelerra, 2, 0, 3}, {kCelerra, 3, 0, 6}, {kDMNas, 1, -1, 0},
        {kDMNas, 2, 0, 4},    {kDMNas, 3, -1, 0},  {kUnix, 1, -1, 0},   {kUnix, 2, -1, 0},
        {kUnix, 3, 0, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("family " + std::to_string(c.family) + " over " + c.input);
        ReparseData record{};
        EXPECT_EQ(ParseReparseDataFor(c.input.c_str(), &record, c.family), c.status);
        EXPECT_EQ(record.stubType, c.recorded);
    }
}

TEST(Dispatch, TypeFiveParsesDMNasAndRecordsFour) {
    for (const StubType type : {4u, 5u}) {
        ReparseData record{};
        record.stubType = 5;
        ASSERT_EQ(ParseReparseDataForStubType(kDMNas.c_str(), type, &record), 0) << type;
        EXPECT_EQ(record.stubType, 4u);
        EXPECT_STREQ(record.headText, "head");
    }
    ReparseData record{};
    const std::array<StubType, 1> types = {5};
    ASSERT_EQ(ParseReparseDataForStubTypes(kDMNas.c_str(), &record, types.data(), 1), 0);
    EXPECT_EQ(record.stubType, 4u);
}

// A record that every writer can render.
ReparseData SampleRecord(StubType stubType) {
    ReparseData record{};
    record.stubType = stubType;
    record.common = {1, 2, 3, 4, 5};
    std::strcpy(record.shortText, "short");
    std::strcpy(record.longText, "/long/path");
    std::strcpy(record.headText, "head");
    record.number2 = 99;
    return record;
}

std::string Generate(const ReparseData& record, StubType type) {
    std::vector<char> buffer(8192, '#');
    const std::int32_t written =
        GenerateReparseData(&record, type, buffer.data(), static_cast<std::int32_t>(buffer.size()));
    if (written < 0)
        return "<failed>";
    return std::string(buffer.data(), static_cast<std::size_t>(written));
}

TEST(Dispatch, GenerateRefusesBadArgumentsAndLeavesTheBuffer) {
    const ReparseData record = SampleRecord(1);
    std::array<char, 512> buffer{};
    buffer.fill('#');
    const auto before = buffer;
    const auto capacity = static_cast<std::int32_t>(buffer.size());
    for (const StubType type : {0u, 8u, 0xFFFFFFFFu})
        EXPECT_EQ(GenerateReparseData(&record, type, buffer.data(), capacity), -1) << type;
    for (StubType type = 1; type <= 7; ++type) {
        EXPECT_EQ(GenerateReparseData(nullptr, type, buffer.data(), capacity), -1) << type;
        EXPECT_EQ(GenerateReparseData(&record, type, nullptr, capacity), -1) << type;
        for (const std::int32_t tooSmall : {0, -1, INT32_MIN})
            EXPECT_EQ(GenerateReparseData(&record, type, buffer.data(), tooSmall), -1) << type;
    }
    EXPECT_EQ(buffer, before);
}

// The type asked for picks the writer, whatever the record's own stubType.
TEST(Dispatch, GenerateFollowsTheTypeAskedFor) {
    const std::string csvfs = Generate(SampleRecord(2), 2);
    EXPECT_EQ(csvfs.rfind("QZSTUB:1:2:3:4:5:", 0), 0u) << csvfs;
    EXPECT_EQ(Generate(SampleRecord(1), 2), csvfs);
    const std::string ntfs = Generate(SampleRecord(2), 1);
    EXPECT_EQ(ntfs.rfind("1:2:3:4:5:", 0), 0u) << ntfs;
    EXPECT_EQ(ntfs, Generate(SampleRecord(1), 1));
    EXPECT_EQ(Generate(SampleRecord(3), 5), Generate(SampleRecord(3), 4));
    EXPECT_EQ(Generate(SampleRecord(7), 6), Generate(SampleRecord(7), 7));
    EXPECT_NE(Generate(SampleRecord(0), 6), "<failed>");
}

}  // namespace
