// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Write -> parse round trips over random records for every stub type: each
// field a layout carries comes back as written, every other field keeps
// what the parse target held, and a stub cut short either parses or leaves
// the target byte for byte as it was.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "record_helpers.h"
#include "stubmeta.h"

namespace {

using namespace stubmeta_test;

constexpr std::uint32_t kSeeds = 300;

template <std::size_t N>
void CopyText(char (&to)[N], const char (&from)[N]) {
    SetText(to, Text(from));
}

// Every field random, every text as long as its field allows.
ReparseData RandomRecord(RandomRecords& random) {
    ReparseData r = ZeroRecord();
    r.stubType = static_cast<StubType>(random.pick(9));
    r.common = {random.number32(), random.number(), random.number(), random.number(),
                random.number()};
    SetText(r.shortText, random.text(71));
    r.number1 = random.number();
    SetText(r.auxText, random.text(71));
    r.number2 = random.number();
    r.unixTextKind = static_cast<std::int32_t>(random.number32());
    r.number3 = random.number();
    SetText(r.extraText, random.text(71));
    r.signedNumber = random.signedNumber();
    r.flag = random.coin() ? 0 : static_cast<std::int32_t>(random.number32());
    SetText(r.longText, random.text(1023));
    r.number4 = random.number32();
    r.number5 = random.number();
    SetText(r.tailText, random.text(64));
    SetText(r.headText, random.text(71));
    return r;
}

void CopyCommon(ReparseData& expected, const ReparseData& written) {
    expected.common = written.common;
}

// What a Windows-local, CSVFS or Celerra parse of `written` gives `target`.
ReparseData ExpectedWindows(const ReparseData& written, ReparseData expected, StubType type) {
    CopyCommon(expected, written);
    CopyText(expected.extraText, written.extraText);
    CopyText(expected.shortText, written.shortText);
    expected.number1 = written.number1;
    expected.signedNumber = written.signedNumber;
    expected.flag = written.flag != 0 ? 1 : 0;
    CopyText(expected.auxText, written.auxText);
    expected.number5 = written.number5;
    CopyText(expected.longText, written.longText);
    expected.number2 = written.number2;
    expected.stubType = type;
    return expected;
}

ReparseData ExpectedDMNas(const ReparseData& written, ReparseData expected) {
    CopyText(expected.headText, written.headText);
    CopyCommon(expected, written);
    CopyText(expected.longText, written.longText);
    expected.number2 = written.number2;
    expected.number4 = written.number4;
    expected.number3 = written.number3;
    expected.number1 = written.number1;
    expected.flag = written.flag != 0 ? 1 : 0;
    CopyText(expected.shortText, written.shortText);
    CopyText(expected.auxText, written.auxText);
    expected.number5 = written.number5;
    CopyText(expected.tailText, written.tailText);
    expected.stubType = STUB_TYPE_WINDOWS_DMNAS;
    return expected;
}

// The Unix layouts that read back: the text alone, the text and number1,
// or the text, number1, auxText and size.
enum class UnixForm { Text, TextNumber, Full };

// Shapes a random record into one that is written in `form`, either as a
// record read from a Unix stub (its kind decides) or as any other record
// (its contents decide).
void ShapeForUnix(ReparseData& r, UnixForm form, RandomRecords& random) {
    const bool fromUnix = random.coin();
    const bool shortKind = random.coin();
    // Leave room in the 1023-character text area for the numbers around.
    if (shortKind)
        SetText(r.shortText, random.nonEmptyText(71));
    else {
        SetText(r.shortText, "");
        SetText(r.longText, fromUnix ? random.text(700) : random.nonEmptyText(700));
    }
    if (form == UnixForm::Full)
        SetText(r.auxText, random.nonEmptyText(71));
    else if (form == UnixForm::TextNumber)
        SetText(r.auxText, "");
    if (fromUnix) {
        r.stubType = random.coin() ? STUB_TYPE_UNIX_BIGENDIAN : STUB_TYPE_UNIX_LITTLEENDIAN;
        r.unixTextKind = form == UnixForm::Text ? 1 : 2;
    } else {
        r.stubType = static_cast<StubType>(random.pick(6));  // 0 to 5
        if (form == UnixForm::Text)
            r.number1 = 0;
        else if (r.number1 == 0)
            r.number1 = 1;
    }
}

ReparseData ExpectedUnix(const ReparseData& written, ReparseData expected, UnixForm form) {
    CopyCommon(expected, written);
    const bool shortKind = !Text(written.shortText).empty();
    expected.unixTextKind = shortKind ? 2 : 1;
    if (shortKind)
        CopyText(expected.shortText, written.shortText);
    else
        CopyText(expected.longText, written.longText);
    const std::uint64_t size = written.number3 != 0 ? written.number3 : 4096;
    expected.number1 = form == UnixForm::Text ? 0 : written.number1;
    if (form == UnixForm::Full)
        CopyText(expected.auxText, written.auxText);
    else
        SetText(expected.auxText, "");
    expected.number3 = form == UnixForm::Full ? size : 0;
    expected.number2 = written.number2;
    expected.stubType = kNativeUnixType;
    return expected;
}

// The input a parser of `type` reads for what the writer produced.
std::vector<char> ParseInput(const Written& w, StubType type) {
    std::vector<char> input;
    if (type == STUB_TYPE_WINDOWS_LOCAL) {
        const std::string header = NtfsHeader();
        input.assign(header.begin(), header.end());
    }
    input.insert(input.end(), w.bytes.begin(), w.bytes.end());
    input.push_back('\0');
    return input;
}

TEST(RoundTripProperty, EveryTypeReadsBackWhatItsLayoutCarries) {
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        RandomRecords random(seed);
        const ReparseData target = PatternRecord(static_cast<unsigned char>(1 + random.pick(255)));
        for (StubType type = 1; type <= 7; ++type) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " type " + std::to_string(type));
            ReparseData written = RandomRecord(random);
            ReparseData expected;
            UnixForm form = UnixForm::Text;
            if (type <= 3) {
                expected = ExpectedWindows(written, target, type);
            } else if (type <= 5) {
                expected = ExpectedDMNas(written, target);
            } else {
                form = static_cast<UnixForm>(random.pick(3));
                ShapeForUnix(written, form, random);
                expected = ExpectedUnix(written, target, form);
            }

            const Written w = Write(written, type);
            ASSERT_GT(w.status, 0);
            if (type >= 6) {
                std::uint64_t value = 0;
                StubType order = 0;
                ASSERT_EQ(tkhsm_stub2meta(w.bytes.data(), nullptr, &value, nullptr, 0, &order), 0);
                EXPECT_EQ(value, written.number3 != 0 ? written.number3 : 4096);
            }

            ReparseData parsed = target;
            const std::vector<char> input = ParseInput(w, type);
            ASSERT_EQ(ParseReparseDataForStubType(input.data(), type, &parsed), 0);
            ExpectSameFields(expected, parsed);
            if (HasFailure())
                return;
        }
    }
}

// A text stub cut short at any point either still fits its template or is
// refused without a single byte of the record changing.
TEST(RoundTripProperty, FailedParseLeavesRecordByteIdentical) {
    std::uint32_t refused = 0;
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        RandomRecords random(seed);
        const ReparseData target = PatternRecord(static_cast<unsigned char>(1 + random.pick(255)));
        for (StubType type = 1; type <= 5; ++type) {
            const Written w = Write(RandomRecord(random), type);
            ASSERT_GT(w.status, 0);
            std::vector<char> input = ParseInput(w, type);
            const std::size_t start = type == STUB_TYPE_WINDOWS_LOCAL ? 24 : 0;
            const std::size_t cut = start + static_cast<std::size_t>(random.pick(w.bytes.size()));
            input[cut] = '\0';

            ReparseData parsed = target;
            if (ParseReparseDataForStubType(input.data(), type, &parsed) != 0) {
                ++refused;
                ASSERT_TRUE(SameBytes(parsed, target))
                    << "seed " << seed << " type " << type << " cut at " << cut;
            }
            ReparseData any = target;
            if (ParseReparseData(input.data(), &any) != 0) {
                ASSERT_TRUE(SameBytes(any, target)) << "seed " << seed << " type " << type;
            }
        }
    }
    EXPECT_GT(refused, kSeeds);  // most cuts are refused
}

// An enveloped stub with any one byte changed is refused, record untouched.
TEST(RoundTripProperty, CorruptedEnvelopeLeavesRecordByteIdentical) {
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        RandomRecords random(seed);
        ReparseData written = RandomRecord(random);
        ShapeForUnix(written, static_cast<UnixForm>(random.pick(3)), random);
        const Written w = Write(written, STUB_TYPE_UNIX_BIGENDIAN);
        ASSERT_GT(w.status, 0);

        // Padded, since a damaged length field may point past the envelope.
        std::vector<char> input(65536 + 64, '\0');
        std::copy(w.bytes.begin(), w.bytes.end(), input.begin());
        // Past the magic: an input that no longer opens with it is not an
        // envelope at all, and may be read as bare text.
        const std::size_t at = 8 + static_cast<std::size_t>(random.pick(w.bytes.size() - 8));
        input[at] = static_cast<char>(input[at] ^ static_cast<char>(1 + random.pick(255)));

        const ReparseData target = PatternRecord();
        ReparseData parsed = target;
        EXPECT_EQ(ParseReparseDataForUnixStubs(input.data(), &parsed), -1) << "seed " << seed;
        EXPECT_TRUE(SameBytes(parsed, target)) << "seed " << seed;
    }
}

}  // namespace
