// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Unix stubs (types 6 and 7): a colon-separated text in one of four layouts,
// written inside the checksummed envelope and read either bare or enveloped.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "record_helpers.h"
#include "stubmeta.h"

namespace {

using namespace stubmeta_test;

std::vector<char> Envelope(const std::string& text, std::uint64_t value) {
    std::vector<char> bytes(text.size() + 26);
    const std::int32_t size =
        tkhsm_meta2stub(text.c_str(), value, bytes.data(), static_cast<std::int32_t>(bytes.size()));
    EXPECT_EQ(static_cast<std::size_t>(size), bytes.size());
    return bytes;
}

// The text and value inside an envelope the library wrote.
struct Unwrapped {
    std::string text;
    std::uint64_t value = 0;
};

Unwrapped Unwrap(const Written& w) {
    std::vector<char> text(1100, '\0');
    Unwrapped out;
    StubType order = 0;
    EXPECT_EQ(tkhsm_stub2meta(w.bytes.data(), nullptr, &out.value, text.data(),
                              static_cast<std::int32_t>(text.size()), &order),
              0);
    EXPECT_EQ(order, kNativeUnixType);
    out.text = text.data();
    return out;
}

ReparseData NamedRecord() {
    ReparseData r = ZeroRecord();
    r.common = {1, 2, 3, 4, 5};
    SetText(r.shortText, "name");
    r.number2 = 9;
    return r;
}

// Writes r as type 6, checks the envelope byte for byte against the one
// that wraps `text` with `value`, and returns what was written.
Written ExpectWrittenAs(const ReparseData& r, const std::string& text, std::uint64_t value) {
    const Written w = Write(r, STUB_TYPE_UNIX_BIGENDIAN);
    const Unwrapped inner = Unwrap(w);
    EXPECT_EQ(inner.text, text);
    EXPECT_EQ(inner.value, value);
    EXPECT_EQ(w.bytes, Envelope(text, value));
    return w;
}

std::int32_t ParseBytes(const std::vector<char>& bytes, StubType type, ReparseData& r) {
    return ParseReparseDataForStubType(bytes.data(), type, &r);
}

TEST(UnixStub, LayoutChosenByContentsWhenNotReadFromUnix) {
    ReparseData r = NamedRecord();  // stubType 0, number1 0
    SetText(r.auxText, "aux");
    ExpectWrittenAs(r, "1:2:3:4:5:2:4:name|9", 4096);

    r.number1 = 7;
    ExpectWrittenAs(r, "1:2:3:4:5:2:4:name:7:aux:4096|9", 4096);
    r.number3 = 12345;
    ExpectWrittenAs(r, "1:2:3:4:5:2:4:name:7:aux:12345|9", 12345);

    SetText(r.auxText, "");
    ExpectWrittenAs(r, "1:2:3:4:5:2:4:name:7|9", 12345);

    // Neither text: only the common numbers, which do not read back.
    ReparseData bare = ZeroRecord();
    bare.common = {1, 2, 3, 4, 5};
    bare.number1 = 7;
    const Written w = ExpectWrittenAs(bare, "1:2:3:4:5", 4096);
    const ReparseData before = PatternRecord();
    ReparseData back = before;
    EXPECT_EQ(ParseBytes(w.bytes, STUB_TYPE_UNIX_BIGENDIAN, back), -1);
    EXPECT_TRUE(SameBytes(back, before));
}

TEST(UnixStub, LayoutChosenByKindWhenReadFromUnix) {
    ReparseData r = NamedRecord();
    r.number1 = 7;
    SetText(r.auxText, "aux");
    for (StubType type : {STUB_TYPE_UNIX_BIGENDIAN, STUB_TYPE_UNIX_LITTLEENDIAN}) {
        SCOPED_TRACE(type);
        r.stubType = type;
        r.unixTextKind = 1;  // layout 1 even though number1 and auxText are set
        ExpectWrittenAs(r, "1:2:3:4:5:2:4:name|9", 4096);
        r.unixTextKind = 2;
        ExpectWrittenAs(r, "1:2:3:4:5:2:4:name:7:aux:4096|9", 4096);
        r.unixTextKind = 0;
        ExpectWrittenAs(r, "1:2:3:4:5", 4096);
        r.unixTextKind = 3;
        ExpectWrittenAs(r, "1:2:3:4:5", 4096);
        r.unixTextKind = -1;
        ExpectWrittenAs(r, "1:2:3:4:5", 4096);
    }
    r.stubType = STUB_TYPE_UNIX_BIGENDIAN;
    r.unixTextKind = 2;
    SetText(r.auxText, "");
    ExpectWrittenAs(r, "1:2:3:4:5:2:4:name:7|9", 4096);
}

// The printed kind follows shortText alone, whatever unixTextKind says.
TEST(UnixStub, PrintedKindComesFromShortText) {
    ReparseData r = ZeroRecord();
    r.stubType = STUB_TYPE_UNIX_BIGENDIAN;
    r.unixTextKind = 2;
    r.common = {1, 2, 3, 4, 5};
    SetText(r.longText, "/x");
    r.number1 = 7;
    const Written w = ExpectWrittenAs(r, "1:2:3:4:5:1:2:/x:7|0", 4096);

    ReparseData back = PatternRecord();
    ASSERT_EQ(ParseBytes(w.bytes, STUB_TYPE_UNIX_BIGENDIAN, back), 0);
    EXPECT_EQ(back.unixTextKind, 1);
    EXPECT_EQ(Text(back.longText), "/x");
    EXPECT_EQ(back.number1, 7u);

    // Both texts empty: the text field is empty, and reads back empty.
    SetText(r.longText, "");
    r.number2 = 9;
    r.unixTextKind = 1;
    const Written empty = ExpectWrittenAs(r, "1:2:3:4:5:1:0:|9", 4096);
    ReparseData emptyBack = PatternRecord();
    SetText(emptyBack.longText, "old text");
    ASSERT_EQ(ParseBytes(empty.bytes, STUB_TYPE_UNIX_LITTLEENDIAN, emptyBack), 0);
    EXPECT_EQ(Text(emptyBack.longText), "");
    EXPECT_EQ(emptyBack.number2, 9u);
}

TEST(UnixStub, FullLayoutReadsBackWithSizeAndKind) {
    ReparseData r = NamedRecord();
    r.number1 = 7;
    SetText(r.auxText, "aux");
    const Written w = Write(r, STUB_TYPE_UNIX_BIGENDIAN);

    const ReparseData before = PatternRecord();
    ReparseData back = before;
    ASSERT_EQ(ParseReparseData(w.bytes.data(), &back), 0);
    EXPECT_EQ(back.stubType, kNativeUnixType);
    EXPECT_EQ(back.common.common1, 1u);
    EXPECT_EQ(back.common.common5, 5u);
    EXPECT_EQ(back.unixTextKind, 2);
    EXPECT_EQ(Text(back.shortText), "name");
    EXPECT_EQ(back.number1, 7u);
    EXPECT_EQ(Text(back.auxText), "aux");
    EXPECT_EQ(back.number3, 4096u);
    EXPECT_EQ(back.number2, 9u);
    // longText is not this kind's field.
    EXPECT_EQ(Text(back.longText), Text(before.longText));
}

// Writing always uses this machine's byte order, whichever type is asked.
TEST(UnixStub, TypesSixAndSevenWriteTheSameBytes) {
    ReparseData r = NamedRecord();
    const Written six = Write(r, STUB_TYPE_UNIX_BIGENDIAN);
    const Written seven = Write(r, STUB_TYPE_UNIX_LITTLEENDIAN);
    EXPECT_EQ(six.status, seven.status);
    EXPECT_EQ(six.bytes, seven.bytes);
    for (StubType asked : {STUB_TYPE_UNIX_BIGENDIAN, STUB_TYPE_UNIX_LITTLEENDIAN}) {
        ReparseData back = PatternRecord();
        ASSERT_EQ(ParseBytes(seven.bytes, asked, back), 0);
        EXPECT_EQ(back.stubType, kNativeUnixType);
    }
}

// Only the checksum keeps its writer's byte order; its four bytes reversed
// are what a machine of the other order writes for the same stub.  Such a
// stub reads back with the other type and otherwise the same record: every
// other field is in network order on both.
TEST(UnixStub, StubOfTheOtherByteOrderReadsBackWithTheOtherType) {
    const Written native = Write(NamedRecord(), STUB_TYPE_UNIX_BIGENDIAN);
    ASSERT_GT(native.bytes.size(), 4u);
    std::vector<char> foreign = native.bytes;
    std::reverse(foreign.end() - 4, foreign.end());

    ReparseData expected = PatternRecord();
    ASSERT_EQ(ParseReparseData(native.bytes.data(), &expected), 0);
    expected.stubType = kNativeUnixType == STUB_TYPE_UNIX_BIGENDIAN ? STUB_TYPE_UNIX_LITTLEENDIAN
                                                                    : STUB_TYPE_UNIX_BIGENDIAN;
    ReparseData back = PatternRecord();
    ASSERT_EQ(ParseReparseData(foreign.data(), &back), 0);
    EXPECT_TRUE(SameBytes(back, expected));
    EXPECT_EQ(back.stubType, expected.stubType);
}

TEST(UnixStub, BareTextParsesAsBigEndian) {
    ReparseData r = PatternRecord();
    ASSERT_EQ(ParseReparseDataForStubType("1:2:3:4:5:1:5:/a/b|9", STUB_TYPE_UNIX_LITTLEENDIAN, &r),
              0);
    EXPECT_EQ(r.stubType, STUB_TYPE_UNIX_BIGENDIAN);
    EXPECT_EQ(r.unixTextKind, 1);
    EXPECT_EQ(Text(r.longText), "/a/b");
    EXPECT_EQ(r.number2, 9u);
    EXPECT_EQ(r.number1, 0u);
    EXPECT_EQ(Text(r.auxText), "");
    EXPECT_EQ(r.number3, 0u);
}

// Texts are written as they stand: a colon inside splits the field.
TEST(UnixStub, ColonInsideTextSplitsIt) {
    ReparseData r = NamedRecord();
    SetText(r.shortText, "a:b");
    const Written w = ExpectWrittenAs(r, "1:2:3:4:5:2:3:a:b|9", 4096);
    ReparseData back = PatternRecord();
    ASSERT_EQ(ParseBytes(w.bytes, STUB_TYPE_UNIX_BIGENDIAN, back), 0);
    EXPECT_EQ(Text(back.shortText), "a");
}

TEST(UnixStub, TextTokenOneLongerThanItsFieldIsRefused) {
    struct Case {
        const char* field;
        std::size_t fits;
        std::string (*text)(const std::string&);
    };
    const Case cases[] = {
        {"longText", 1023, [](const std::string& t) { return "1:2:3:4:5:1:0:" + t + "|9"; }},
        {"shortText", 71, [](const std::string& t) { return "1:2:3:4:5:2:0:" + t + "|9"; }},
        {"auxText", 71, [](const std::string& t) { return "1:2:3:4:5:2:1:s:7:" + t + ":4096|9"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        ReparseData fits = PatternRecord();
        EXPECT_EQ(ParseReparseDataForStubType(c.text(std::string(c.fits, 'x')).c_str(),
                                              STUB_TYPE_UNIX_BIGENDIAN, &fits),
                  0);
        const ReparseData before = PatternRecord();
        ReparseData r = before;
        EXPECT_EQ(ParseReparseDataForUnixStubs(c.text(std::string(c.fits + 1, 'x')).c_str(), &r),
                  -1);
        EXPECT_TRUE(SameBytes(r, before));
    }
}

// The envelope's text area holds 1023 characters and a terminator.
TEST(UnixStub, EnvelopeTextOfOver1023CharactersIsRefused) {
    const std::string head = "1:2:3:4:5:1:0:";
    const std::string fits = head + std::string(1023 - head.size() - 2, 'p') + "|9";
    ASSERT_EQ(fits.size(), 1023u);
    ReparseData r = PatternRecord();
    ASSERT_EQ(ParseBytes(Envelope(fits, 1), STUB_TYPE_UNIX_BIGENDIAN, r), 0);
    EXPECT_EQ(Text(r.longText).size(), 1023 - head.size() - 2);

    const ReparseData before = PatternRecord();
    ReparseData refused = before;
    EXPECT_EQ(ParseBytes(Envelope(fits + "9", 1), STUB_TYPE_UNIX_BIGENDIAN, refused), -1);
    EXPECT_TRUE(SameBytes(refused, before));
}

TEST(UnixStub, WriterRespectsCapacityAndTextArea) {
    ReparseData r = NamedRecord();
    const Written full = Write(r, STUB_TYPE_UNIX_BIGENDIAN);
    ASSERT_EQ(full.status, 20 + 26);
    std::vector<char> buffer(static_cast<std::size_t>(full.status), '#');
    EXPECT_EQ(GenerateReparseData(&r, STUB_TYPE_UNIX_BIGENDIAN, buffer.data(), full.status),
              full.status);
    EXPECT_EQ(buffer, full.bytes);

    std::fill(buffer.begin(), buffer.end(), '#');
    for (std::int32_t capacity : {full.status - 1, 1, 0, -1}) {
        EXPECT_EQ(GenerateReparseData(&r, STUB_TYPE_UNIX_LITTLEENDIAN, buffer.data(), capacity),
                  -1);
        EXPECT_EQ(buffer, std::vector<char>(buffer.size(), '#'));
    }

    // A text of 1023 characters is written; one more is refused.
    ReparseData longRecord = ZeroRecord();  // kind 1, text in longText
    const std::string head = "0:0:0:0:0:1:1000:";
    SetText(longRecord.longText, std::string(1023 - head.size() - 2, 'L'));
    longRecord.unixTextKind = 1;
    longRecord.stubType = STUB_TYPE_UNIX_BIGENDIAN;
    const Written most = Write(longRecord, STUB_TYPE_UNIX_BIGENDIAN, 2000);
    EXPECT_EQ(most.status, 1023 + 26);
    longRecord.number2 = 10;
    std::vector<char> untouched(2000, '#');
    EXPECT_EQ(GenerateReparseData(&longRecord, STUB_TYPE_UNIX_BIGENDIAN, untouched.data(), 2000),
              -1);
    EXPECT_EQ(untouched, std::vector<char>(2000, '#'));
}

TEST(UnixStub, WriterReadsUnterminatedFieldsUpToTheirWidth) {
    ReparseData r = NamedRecord();
    std::memset(r.shortText, 'S', sizeof r.shortText);
    r.number1 = 1;  // the bytes after shortText
    std::memset(r.auxText, 'A', sizeof r.auxText);
    ExpectWrittenAs(
        r, "1:2:3:4:5:2:72:" + std::string(72, 'S') + ":1:" + std::string(72, 'A') + ":4096|9",
        4096);

    ReparseData unterminatedLong = ZeroRecord();
    std::memset(unterminatedLong.longText, 'L', sizeof unterminatedLong.longText);
    std::vector<char> buffer(4096, '#');
    EXPECT_EQ(GenerateReparseData(&unterminatedLong, STUB_TYPE_UNIX_BIGENDIAN, buffer.data(), 4096),
              -1);
}

// An input that opens with the envelope's magic is read as an envelope
// only.  This header holds no zero byte and no colon (text of 257
// characters, size 283, a value without zero bytes), so as bare text it
// would fit the Unix template; with a wrong checksum it must be refused.
TEST(UnixStub, MagicMeansEnvelopeEvenWhenHeaderLooksLikeText) {
    const std::string head = "1:2:3:4:5:1:0:";
    const std::string text = head + std::string(257 - head.size() - 2, 'p') + "|9";
    ASSERT_EQ(text.size(), 257u);
    std::vector<char> good = Envelope(text, 0x1111111111111111ull);
    for (std::size_t i = 0; i < 21; ++i)
        ASSERT_TRUE(good[i] != '\0' && good[i] != ':') << i;

    ReparseData r = PatternRecord();
    ASSERT_EQ(ParseReparseData(good.data(), &r), 0);
    EXPECT_EQ(r.stubType, kNativeUnixType);
    EXPECT_EQ(r.common.common1, 1u);

    std::vector<char> bad = good;
    bad[bad.size() - 1] = static_cast<char>(bad[bad.size() - 1] ^ 0x01);
    const ReparseData before = PatternRecord();
    ReparseData refused = before;
    EXPECT_EQ(ParseReparseDataForUnixStubs(bad.data(), &refused), -1);
    EXPECT_EQ(ParseReparseData(bad.data(), &refused), -1);
    EXPECT_TRUE(SameBytes(refused, before));
}

// Inputs shorter than the magic, or that stop partway through it, are
// neither read as an envelope nor read past their end.
TEST(UnixStub, ShortInputsAreReadOnlyToTheirEnd) {
    for (const std::vector<char>& input :
         {std::vector<char>{'\0'}, std::vector<char>{'Q', 'S', 'T', '\0'},
          std::vector<char>{'Q', 'S', 'T', 'U', 'B', '\n', '\x0E', '\xAF', '\0'}}) {
        const auto exact = ExactCopy(input);
        ReparseData r = PatternRecord();
        EXPECT_EQ(ParseReparseDataForUnixStubs(exact.get(), &r), -1);
    }
}

}  // namespace
