// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// DMNas stubs (types 4 and 5): a "QZSTUB:" first line, a second line of
// fields, and a banner for the person who opens the file.
#include <cstddef>
#include <string>

#include <gtest/gtest.h>

#include "record_helpers.h"
#include "stubmeta.h"

namespace {

using namespace stubmeta_test;

const std::string kBanner =
    "******* \r\nThis file has been archived by Velmora Data Archiver. Please contact system "
    "administrator, or check if Tarkwell services are running.\r\n******* \r\n";
const std::string kStub = "QZSTUB:head\r\n1:2:3:4:5?/long|8|9|10|11|1|short|aux|15?tail\r\n";

std::int32_t ParseAs(const std::string& input, StubType type, ReparseData& record) {
    return ParseReparseDataForStubType(input.c_str(), type, &record);
}

ReparseData ExampleRecord() {
    ReparseData r = ZeroRecord();
    SetText(r.headText, "head");
    r.common = {1, 2, 3, 4, 5};
    SetText(r.longText, "/long");
    r.number2 = 8;
    r.number4 = 9;
    r.number3 = 10;
    r.number1 = 11;
    r.flag = 1;
    SetText(r.shortText, "short");
    SetText(r.auxText, "aux");
    r.number5 = 15;
    SetText(r.tailText, "tail");
    return r;
}

TEST(DMNasStub, WritesTheTextAndBannerByteForByte) {
    ReparseData r = ExampleRecord();
    r.flag = -3;  // any non-zero flag is written as 1
    const Written w = Write(r, STUB_TYPE_WINDOWS_DMNAS);
    EXPECT_EQ(w.text(), kStub + kBanner);
    EXPECT_EQ(static_cast<std::size_t>(w.status), kStub.size() + kBanner.size());

    const Written five = Write(r, STUB_TYPE_WINDOWS_DMNAS_ALT);
    EXPECT_EQ(five.status, w.status);
    EXPECT_EQ(five.bytes, w.bytes);

    r.number4 = UINT32_MAX;
    r.number3 = UINT64_MAX;
    EXPECT_NE(
        Write(r, STUB_TYPE_WINDOWS_DMNAS).text().find("|8|4294967295|18446744073709551615|11|"),
        std::string::npos);
}

TEST(DMNasStub, ParsesEveryFieldAndRecordsTypeFour) {
    for (StubType asked : {STUB_TYPE_WINDOWS_DMNAS, STUB_TYPE_WINDOWS_DMNAS_ALT}) {
        SCOPED_TRACE(asked);
        const ReparseData before = PatternRecord();
        ReparseData r = before;
        ASSERT_EQ(ParseAs(kStub + kBanner, asked, r), 0);
        ReparseData expected = ExampleRecord();
        expected.stubType = STUB_TYPE_WINDOWS_DMNAS;
        // Fields outside the DMNas layout keep what the caller put there.
        expected.unixTextKind = before.unixTextKind;
        expected.signedNumber = before.signedNumber;
        std::memcpy(expected.extraText, before.extraText, sizeof expected.extraText);
        ExpectSameFields(expected, r);
    }
}

TEST(DMNasStub, BannerIsNeverCompared) {
    ReparseData r = PatternRecord();
    EXPECT_EQ(ParseAs(kStub, STUB_TYPE_WINDOWS_DMNAS, r), 0);
    EXPECT_EQ(ParseAs(kStub + "an edited banner", STUB_TYPE_WINDOWS_DMNAS, r), 0);
    EXPECT_EQ(ParseAs("QZSTUB:head\r\n1:2:3:4:5?/long|8|9|10|11|1|short|aux|15?tail\r",
                      STUB_TYPE_WINDOWS_DMNAS, r),
              0);
    EXPECT_EQ(Text(r.tailText), "tail");
}

TEST(DMNasStub, MalformedLinesFailAndLeaveTheRecord) {
    const ReparseData before = PatternRecord();
    ReparseData r = before;
    // No carriage return after the last field.
    EXPECT_EQ(ParseAs("QZSTUB:head\r\n1:2:3:4:5?/long|8|9|10|11|1|short|aux|15?tail",
                      STUB_TYPE_WINDOWS_DMNAS, r),
              -1);
    // First line without the prefix, or with it in the wrong case.
    EXPECT_EQ(ParseAs("head\r\n1:2:3:4:5?/long|8|9|10|11|1|short|aux|15?tail\r\n",
                      STUB_TYPE_WINDOWS_DMNAS, r),
              -1);
    EXPECT_EQ(ParseAs("qzstub:head\r\n1:2:3:4:5?/long|8|9|10|11|1|short|aux|15?tail\r\n",
                      STUB_TYPE_WINDOWS_DMNAS, r),
              -1);
    // A second line not preceded by a line feed.
    EXPECT_EQ(ParseAs("QZSTUB:head\r1:2:3:4:5?/long|8|9|10|11|1|short|aux|15?tail\r\n",
                      STUB_TYPE_WINDOWS_DMNAS_ALT, r),
              -1);
    // Fields up to 10 must be present.
    EXPECT_EQ(ParseAs("QZSTUB:head\r\n1:2:3:4:5?/p|8|9?tail\r\n", STUB_TYPE_WINDOWS_DMNAS, r), -1);
    EXPECT_TRUE(SameBytes(r, before));
}

TEST(DMNasStub, ShortenedSecondLineLeavesOutFieldsElevenToFifteen) {
    ReparseData r = PatternRecord();
    ASSERT_EQ(ParseAs("QZSTUB:head\r\n1:2:3:4:5?/p|8|9|10?tail\r\n", STUB_TYPE_WINDOWS_DMNAS, r),
              0);
    EXPECT_EQ(Text(r.longText), "/p");
    EXPECT_EQ(r.number2, 8u);
    EXPECT_EQ(r.number4, 9u);
    EXPECT_EQ(r.number3, 10u);
    EXPECT_EQ(r.number1, 0u);
    EXPECT_EQ(r.flag, 0);
    EXPECT_EQ(Text(r.shortText), "");
    EXPECT_EQ(Text(r.auxText), "");
    EXPECT_EQ(r.number5, 0u);
    EXPECT_EQ(Text(r.tailText), "tail");
}

TEST(DMNasStub, ParsedTextsAreTerminated) {
    ReparseData r = PatternRecord();
    SetText(r.headText, "longname");
    SetText(r.tailText, "longname");
    SetText(r.shortText, "longname");
    ASSERT_EQ(
        ParseAs("QZSTUB:ab\r\n1:2:3:4:5?/p|8|9|10|11|1||aux|15?ab\r\n", STUB_TYPE_WINDOWS_DMNAS, r),
        0);
    EXPECT_EQ(Text(r.headText), "ab");
    EXPECT_EQ(Text(r.tailText), "ab");
    EXPECT_EQ(Text(r.shortText), "");
}

TEST(DMNasStub, TextTokenOneLongerThanItsFieldIsRefused) {
    struct Case {
        const char* field;
        std::size_t fits;
        std::string (*text)(const std::string&);
    };
    const Case cases[] = {
        {"headText", 71,
         [](const std::string& t) {
             return "QZSTUB:" + t + "\r\n1:2:3:4:5?/l|8|9|10|11|1|s|a|15?t\r\n";
         }},
        {"longText", 1023,
         [](const std::string& t) {
             return "QZSTUB:h\r\n1:2:3:4:5?" + t + "|8|9|10|11|1|s|a|15?t\r\n";
         }},
        {"shortText", 71,
         [](const std::string& t) {
             return "QZSTUB:h\r\n1:2:3:4:5?/l|8|9|10|11|1|" + t + "|a|15?t\r\n";
         }},
        {"auxText", 71,
         [](const std::string& t) {
             return "QZSTUB:h\r\n1:2:3:4:5?/l|8|9|10|11|1|s|" + t + "|15?t\r\n";
         }},
        {"tailText", 64,
         [](const std::string& t) {
             return "QZSTUB:h\r\n1:2:3:4:5?/l|8|9|10|11|1|s|a|15?" + t + "\r\n";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        ReparseData fits = PatternRecord();
        EXPECT_EQ(ParseAs(c.text(std::string(c.fits, 'x')), STUB_TYPE_WINDOWS_DMNAS, fits), 0);

        const ReparseData before = PatternRecord();
        ReparseData r = before;
        EXPECT_EQ(ParseAs(c.text(std::string(c.fits + 1, 'x')), STUB_TYPE_WINDOWS_DMNAS, r), -1);
        EXPECT_TRUE(SameBytes(r, before));
    }
}

TEST(DMNasStub, WriterRespectsCapacity) {
    const ReparseData r = ExampleRecord();
    const Written full = Write(r, STUB_TYPE_WINDOWS_DMNAS);
    const std::int32_t needed = full.status + 1;
    std::vector<char> buffer(static_cast<std::size_t>(needed), '#');
    EXPECT_EQ(GenerateReparseData(&r, STUB_TYPE_WINDOWS_DMNAS, buffer.data(), needed), full.status);
    EXPECT_EQ(std::string(buffer.data()), full.text());

    std::fill(buffer.begin(), buffer.end(), '#');
    for (std::int32_t capacity : {needed - 1, 0, -7}) {
        EXPECT_EQ(GenerateReparseData(&r, STUB_TYPE_WINDOWS_DMNAS_ALT, buffer.data(), capacity),
                  -1);
        EXPECT_EQ(buffer, std::vector<char>(buffer.size(), '#'));
    }
}

TEST(DMNasStub, WriterReadsUnterminatedFieldsUpToTheirWidth) {
    ReparseData r = ExampleRecord();
    std::memset(r.tailText, 'T', sizeof r.tailText);
    // headText ends the record: fill its trailing padding too, so a read
    // past the field would print more than 72 characters.
    const std::size_t head = offsetof(ReparseData, headText);
    std::memset(reinterpret_cast<char*>(&r) + head, 'H', sizeof r - head);
    const std::string text = Write(r, STUB_TYPE_WINDOWS_DMNAS).text();
    EXPECT_EQ(text.substr(0, 7 + 72 + 2), "QZSTUB:" + std::string(72, 'H') + "\r\n");
    EXPECT_NE(text.find("|15?" + std::string(65, 'T') + "\r\n******* \r\n"), std::string::npos);
}

}  // namespace
