// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Windows-local (NTFS, type 1), CSVFS (type 2) and Celerra (type 3) stubs:
// one 14-field text, behind the 24-byte reparse header for NTFS and after
// "QZSTUB:" for CSVFS.
#include <string>

#include <gtest/gtest.h>

#include "record_helpers.h"
#include "stubmeta.h"

namespace {

using namespace stubmeta_test;

constexpr const char* kFullText = "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99";

std::int32_t ParseAs(const std::string& input, StubType type, ReparseData& record) {
    return ParseReparseDataForStubType(input.c_str(), type, &record);
}

void ExpectFullTextFields(const ReparseData& r, StubType type) {
    EXPECT_EQ(r.stubType, type);
    EXPECT_EQ(r.common.common1, 1u);
    EXPECT_EQ(r.common.common2, 2u);
    EXPECT_EQ(r.common.common3, 3u);
    EXPECT_EQ(r.common.common4, 4u);
    EXPECT_EQ(r.common.common5, 5u);
    EXPECT_EQ(Text(r.extraText), "ex");
    EXPECT_EQ(Text(r.shortText), "short");
    EXPECT_EQ(r.number1, 7u);
    EXPECT_EQ(r.signedNumber, -8);
    EXPECT_EQ(r.flag, 1);
    EXPECT_EQ(Text(r.auxText), "aux");
    EXPECT_EQ(r.number5, 12u);
    EXPECT_EQ(Text(r.longText), "/long/path");
    EXPECT_EQ(r.number2, 99u);
}

// Fields outside the Windows layout keep what the caller put there.
void ExpectOtherFieldsKept(const ReparseData& r, const ReparseData& before) {
    EXPECT_EQ(r.unixTextKind, before.unixTextKind);
    EXPECT_EQ(r.number3, before.number3);
    EXPECT_EQ(r.number4, before.number4);
    EXPECT_EQ(Text(r.tailText), Text(before.tailText));
    EXPECT_EQ(Text(r.headText), Text(before.headText));
}

TEST(WindowsStubs, CelerraTextFillsEveryField) {
    const ReparseData before = PatternRecord();
    ReparseData r = before;
    ASSERT_EQ(ParseAs(kFullText, STUB_TYPE_WINDOWS_CELERRA, r), 0);
    ExpectFullTextFields(r, STUB_TYPE_WINDOWS_CELERRA);
    ExpectOtherFieldsKept(r, before);
}

TEST(WindowsStubs, NtfsTextSitsBehindAnyTwentyFourBytes) {
    ReparseData r = PatternRecord();
    ASSERT_EQ(ParseAs(NtfsHeader() + kFullText, STUB_TYPE_WINDOWS_LOCAL, r), 0);
    ExpectFullTextFields(r, STUB_TYPE_WINDOWS_LOCAL);

    ReparseData printable = PatternRecord();
    ASSERT_EQ(ParseAs(std::string(24, 'H') + kFullText, STUB_TYPE_WINDOWS_LOCAL, printable), 0);
    ExpectFullTextFields(printable, STUB_TYPE_WINDOWS_LOCAL);
}

TEST(WindowsStubs, CsvfsNeedsItsPrefixAndEveryField) {
    ReparseData r = PatternRecord();
    ASSERT_EQ(ParseAs(std::string("QZSTUB:") + kFullText, STUB_TYPE_WINDOWS_LOCAL_CSVFS, r), 0);
    ExpectFullTextFields(r, STUB_TYPE_WINDOWS_LOCAL_CSVFS);

    const ReparseData before = PatternRecord();
    ReparseData untouched = before;
    EXPECT_EQ(ParseAs(kFullText, STUB_TYPE_WINDOWS_LOCAL_CSVFS, untouched), -1);
    EXPECT_EQ(ParseAs("qzstub:1:2:3:4:5:ex:short:7:-8:1:aux:12?/l|9", STUB_TYPE_WINDOWS_LOCAL_CSVFS,
                      untouched),
              -1);
    // No shortened form for CSVFS.
    EXPECT_EQ(
        ParseAs("QZSTUB:1:2:3:4:5:ex:short:7:-8?/dir|99", STUB_TYPE_WINDOWS_LOCAL_CSVFS, untouched),
        -1);
    EXPECT_TRUE(SameBytes(untouched, before));
}

TEST(WindowsStubs, ShortenedStubFillsLeftOutFieldsWithZeroAndEmpty) {
    for (StubType type : {STUB_TYPE_WINDOWS_LOCAL, STUB_TYPE_WINDOWS_CELERRA}) {
        SCOPED_TRACE(type);
        const std::string prefix = type == STUB_TYPE_WINDOWS_LOCAL ? NtfsHeader() : "";
        ReparseData r = PatternRecord();
        ASSERT_EQ(ParseAs(prefix + "1:2:3:4:5:ex:short:7:-8?/dir|99", type, r), 0);
        EXPECT_EQ(r.signedNumber, -8);
        EXPECT_EQ(r.flag, 0);
        EXPECT_EQ(Text(r.auxText), "");
        EXPECT_EQ(r.number5, 0u);
        EXPECT_EQ(Text(r.longText), "/dir");
        EXPECT_EQ(r.number2, 99u);
        EXPECT_EQ(r.stubType, type);
    }
}

TEST(WindowsStubs, ShortenedStubWithColonInLongTextIsSplitThere) {
    ReparseData r = PatternRecord();
    ASSERT_EQ(ParseAs("1:2:3:4:5:ex:short:7:-8?C:\\x?y|99", STUB_TYPE_WINDOWS_CELERRA, r), 0);
    EXPECT_EQ(r.signedNumber, -8);  // from the token "-8?C"
    EXPECT_EQ(r.flag, 0);           // from the token "\x"
    EXPECT_EQ(Text(r.longText), "y");

    const ReparseData before = PatternRecord();
    ReparseData untouched = before;
    EXPECT_EQ(ParseAs("1:2:3:4:5:ex:short:7:-8?a:b|99", STUB_TYPE_WINDOWS_CELERRA, untouched), -1);
    EXPECT_EQ(ParseAs("1:2:3:4:5:ex:short:7?/dir|99", STUB_TYPE_WINDOWS_CELERRA, untouched), -1);
    EXPECT_TRUE(SameBytes(untouched, before));
}

TEST(WindowsStubs, ZeroRecordWritesAndReadsBack) {
    const ReparseData zero = ZeroRecord();
    const Written w = Write(zero, STUB_TYPE_WINDOWS_LOCAL);
    EXPECT_EQ(w.text(), "0:0:0:0:0:::0:0:0::0?|0");
    EXPECT_EQ(w.status, 23);

    ReparseData back = ZeroRecord();
    ASSERT_EQ(ParseAs(NtfsHeader() + w.text(), STUB_TYPE_WINDOWS_LOCAL, back), 0);
    ReparseData expected = ZeroRecord();
    expected.stubType = STUB_TYPE_WINDOWS_LOCAL;
    EXPECT_TRUE(SameBytes(back, expected));
}

TEST(WindowsStubs, WritersPrintTheLayoutByRequestedType) {
    ReparseData r = ZeroRecord();
    r.stubType = STUB_TYPE_WINDOWS_LOCAL;  // the requested type picks the writer
    r.common = {1, 2, 3, 4, 5};
    SetText(r.extraText, "ex");
    SetText(r.shortText, "short");
    r.number1 = 7;
    r.signedNumber = -8;
    r.flag = 7;  // any non-zero flag is written as 1
    SetText(r.auxText, "aux");
    r.number5 = 12;
    SetText(r.longText, "/long/path");
    r.number2 = 99;
    EXPECT_EQ(Write(r, STUB_TYPE_WINDOWS_LOCAL).text(), kFullText);
    EXPECT_EQ(Write(r, STUB_TYPE_WINDOWS_CELERRA).text(), kFullText);
    EXPECT_EQ(Write(r, STUB_TYPE_WINDOWS_LOCAL_CSVFS).text(), std::string("QZSTUB:") + kFullText);

    r.common.common1 = UINT32_MAX;
    r.common.common5 = UINT64_MAX;
    r.signedNumber = INT64_MIN;
    EXPECT_EQ(Write(r, STUB_TYPE_WINDOWS_CELERRA).text(),
              "4294967295:2:3:4:18446744073709551615:ex:short:7:-9223372036854775808:1:aux:12?"
              "/long/path|99");
}

TEST(WindowsStubs, FlagIsStoredAsZeroOrOne) {
    ReparseData r = PatternRecord();
    ASSERT_EQ(
        ParseAs("1:2:3:4:5:ex:short:7:-8:7:aux:12?/long/path|99", STUB_TYPE_WINDOWS_CELERRA, r), 0);
    EXPECT_EQ(r.flag, 1);
    ASSERT_EQ(
        ParseAs("1:2:3:4:5:ex:short:7:-8:x:aux:12?/long/path|99", STUB_TYPE_WINDOWS_CELERRA, r), 0);
    EXPECT_EQ(r.flag, 0);
}

// A successful parse terminates every text it writes: no tail of the
// caller's old text survives, and empty or filler tokens give "".
TEST(WindowsStubs, ParsedTextsAreTerminated) {
    ReparseData r = PatternRecord();
    SetText(r.shortText, "longname");
    SetText(r.extraText, "previous");
    SetText(r.auxText, "previous");
    SetText(r.longText, "/a/much/longer/previous/path");
    ASSERT_EQ(ParseAs("1:2:3:4:5::ab:7:-8:1::12?/p|99", STUB_TYPE_WINDOWS_CELERRA, r), 0);
    EXPECT_EQ(Text(r.shortText), "ab");
    EXPECT_EQ(Text(r.extraText), "");
    EXPECT_EQ(Text(r.auxText), "");
    EXPECT_EQ(Text(r.longText), "/p");
    EXPECT_EQ(r.shortText[2], '\0');
}

// Each text token may fill its field with one byte left for the terminator;
// one character more refuses the stub and leaves the record as it was.
TEST(WindowsStubs, TextTokenOneLongerThanItsFieldIsRefused) {
    struct Case {
        const char* field;
        std::size_t fits;
        std::string (*text)(const std::string&);
    };
    const Case cases[] = {
        {"extraText", 71,
         [](const std::string& t) { return "1:2:3:4:5:" + t + ":s:7:-8:1:a:12?/l|9"; }},
        {"shortText", 71,
         [](const std::string& t) { return "1:2:3:4:5:e:" + t + ":7:-8:1:a:12?/l|9"; }},
        {"auxText", 71,
         [](const std::string& t) { return "1:2:3:4:5:e:s:7:-8:1:" + t + ":12?/l|9"; }},
        {"longText", 1023,
         [](const std::string& t) { return "1:2:3:4:5:e:s:7:-8:1:a:12?" + t + "|9"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        ReparseData fits = PatternRecord();
        ASSERT_EQ(ParseAs(c.text(std::string(c.fits, 'x')), STUB_TYPE_WINDOWS_CELERRA, fits), 0);
        ASSERT_EQ(
            ParseAs(NtfsHeader() + c.text(std::string(c.fits, 'x')), STUB_TYPE_WINDOWS_LOCAL, fits),
            0);

        const ReparseData before = PatternRecord();
        ReparseData r = before;
        const std::string tooLong = c.text(std::string(c.fits + 1, 'x'));
        EXPECT_EQ(ParseAs(tooLong, STUB_TYPE_WINDOWS_CELERRA, r), -1);
        EXPECT_EQ(ParseAs(NtfsHeader() + tooLong, STUB_TYPE_WINDOWS_LOCAL, r), -1);
        EXPECT_EQ(ParseAs("QZSTUB:" + tooLong, STUB_TYPE_WINDOWS_LOCAL_CSVFS, r), -1);
        EXPECT_TRUE(SameBytes(r, before));
    }
}

// A type refused for a too-long token does not end the search: the next
// type is tried.  Here the Unix layout would put the 72-digit flag token
// into auxText, so the Unix types refuse it and Celerra takes it.
TEST(WindowsStubs, DispatchGoesOnPastATypeThatRefusesALongToken) {
    const std::string input =
        "1:2:3:4:5:ex:short:7:-8:" + std::string(71, '0') + "1:aux:12?/long/path|99";
    ReparseData r = PatternRecord();
    ASSERT_EQ(ParseReparseData(input.c_str(), &r), 0);
    EXPECT_EQ(r.stubType, STUB_TYPE_WINDOWS_CELERRA);
    EXPECT_EQ(r.flag, 1);
    EXPECT_EQ(Text(r.auxText), "aux");

    // Without the long token the Unix types come first and take the text.
    ReparseData unix = PatternRecord();
    ASSERT_EQ(ParseReparseData(kFullText, &unix), 0);
    EXPECT_EQ(unix.stubType, STUB_TYPE_UNIX_BIGENDIAN);
    ReparseData nas = PatternRecord();
    ASSERT_EQ(ParseReparseDataFor(kFullText, &nas, STUB_FAMILY_NAS), 0);
    EXPECT_EQ(nas.stubType, STUB_TYPE_WINDOWS_CELERRA);
}

TEST(WindowsStubs, WritersRespectCapacity) {
    ReparseData r = ZeroRecord();
    for (StubType type :
         {STUB_TYPE_WINDOWS_LOCAL, STUB_TYPE_WINDOWS_LOCAL_CSVFS, STUB_TYPE_WINDOWS_CELERRA}) {
        SCOPED_TRACE(type);
        const Written full = Write(r, type);
        ASSERT_GT(full.status, 0);
        const std::int32_t needed = full.status + 1;  // the text and its NUL

        std::vector<char> buffer(static_cast<std::size_t>(needed) + 8, '#');
        EXPECT_EQ(GenerateReparseData(&r, type, buffer.data(), needed), full.status);
        EXPECT_EQ(std::string(buffer.data()), full.text());
        EXPECT_EQ(buffer[static_cast<std::size_t>(needed)], '#');

        std::vector<char> small(static_cast<std::size_t>(needed), '#');
        for (std::int32_t capacity : {needed - 1, 1, 0, -1, INT32_MIN}) {
            EXPECT_EQ(GenerateReparseData(&r, type, small.data(), capacity), -1) << capacity;
            EXPECT_EQ(small, std::vector<char>(small.size(), '#'));
        }
    }
}

// A caller's unterminated text field is read up to its width, not beyond.
TEST(WindowsStubs, WritersReadUnterminatedFieldsUpToTheirWidth) {
    ReparseData r = ZeroRecord();
    std::memset(r.shortText, 'S', sizeof r.shortText);
    std::memset(r.auxText, 'A', sizeof r.auxText);
    std::memset(r.extraText, 'E', sizeof r.extraText);
    std::memset(r.longText, 'L', sizeof r.longText);
    r.signedNumber = 1;  // the byte after extraText: must not be printed as text
    const std::string text = Write(r, STUB_TYPE_WINDOWS_CELERRA).text();
    EXPECT_EQ(text, "0:0:0:0:0:" + std::string(72, 'E') + ":" + std::string(72, 'S') +
                        ":0:1:0:" + std::string(72, 'A') + ":0?" + std::string(1024, 'L') + "|0");
}

}  // namespace
