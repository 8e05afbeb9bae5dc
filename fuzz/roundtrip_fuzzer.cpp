// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Write -> read: a record derived from the input is written as each type 1
// to 7, with a generous buffer and with a capacity from the input, and read
// back with that type.  Texts hold no separator characters, so every field
// a layout carries must come back exactly; no writer may report more bytes
// than its capacity, refuse an output that fits, or touch a buffer when it
// refuses.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "stubmeta.h"

namespace {

using namespace stubmeta::fuzz;

// Characters that end a field in one of the layouts.
bool IsSeparator(std::uint8_t c) {
    return c == '\0' || c == ':' || c == '?' || c == '|' || c == '\r' || c == '\n';
}

// A text of up to N - 1 characters from the input, separators replaced.
template <std::size_t N>
void FillText(ParameterReader& reader, char (&field)[N]) {
    std::memset(field, 0, N);
    const std::size_t length = static_cast<std::size_t>(reader.unsigned64(N > 256 ? 2 : 1)) % N;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t c = reader.byte();
        field[i] = static_cast<char>(IsSeparator(c) ? 'a' + c % 26 : c);
    }
}

ReparseData RecordFrom(ParameterReader& reader) {
    ReparseData r;
    std::memset(&r, 0, sizeof r);
    r.stubType = reader.byte() % 9u;
    r.unixTextKind = static_cast<std::int32_t>(reader.byte() % 4u) - 1;
    r.common.common1 = static_cast<std::uint32_t>(reader.unsigned64(4));
    r.common.common2 = reader.unsigned64(8);
    r.common.common3 = reader.unsigned64(8);
    r.common.common4 = reader.unsigned64(8);
    r.common.common5 = reader.unsigned64(8);
    r.number1 = reader.unsigned64(reader.byte() % 9);
    r.number2 = reader.unsigned64(8);
    r.number3 = reader.unsigned64(reader.byte() % 9);
    r.signedNumber = static_cast<std::int64_t>(reader.unsigned64(8));
    r.flag = static_cast<std::int32_t>(reader.unsigned64(4));
    r.number4 = static_cast<std::uint32_t>(reader.unsigned64(4));
    r.number5 = reader.unsigned64(8);
    FillText(reader, r.shortText);
    FillText(reader, r.auxText);
    FillText(reader, r.extraText);
    FillText(reader, r.tailText);
    FillText(reader, r.headText);
    FillText(reader, r.longText);
    return r;
}

std::string_view Text(const char* field) { return field; }

// Field by field: the record has padding, which a parse does not write.
void CheckCommon(const ReparseData& in, const ReparseData& out) {
    Require(in.common.common1 == out.common.common1 && in.common.common2 == out.common.common2 &&
                in.common.common3 == out.common.common3 &&
                in.common.common4 == out.common.common4 && in.common.common5 == out.common.common5,
            "common numbers come back");
}

void CheckWindowsFields(const ReparseData& in, const ReparseData& out) {
    CheckCommon(in, out);
    Require(Text(in.extraText) == out.extraText && Text(in.shortText) == out.shortText &&
                Text(in.auxText) == out.auxText && Text(in.longText) == out.longText,
            "Windows texts come back");
    Require(in.number1 == out.number1 && in.signedNumber == out.signedNumber &&
                (in.flag != 0 ? 1 : 0) == out.flag && in.number5 == out.number5 &&
                in.number2 == out.number2,
            "Windows numbers come back");
}

void CheckDMNasFields(const ReparseData& in, const ReparseData& out) {
    CheckCommon(in, out);
    Require(Text(in.headText) == out.headText && Text(in.longText) == out.longText &&
                Text(in.shortText) == out.shortText && Text(in.auxText) == out.auxText &&
                Text(in.tailText) == out.tailText,
            "DMNas texts come back");
    Require(in.number2 == out.number2 && in.number4 == out.number4 && in.number3 == out.number3 &&
                in.number1 == out.number1 && (in.flag != 0 ? 1 : 0) == out.flag &&
                in.number5 == out.number5,
            "DMNas numbers come back");
}

// The Unix writer's four layouts: the five numbers alone, or with the text
// (shortText when it has one, else longText) and number2, adding number1,
// then auxText and the envelope value.
enum class UnixLayout { CommonOnly, Text, TextNumber, Full };

UnixLayout UnixLayoutOf(const ReparseData& r) {
    const bool hasAux = r.auxText[0] != '\0';
    if (r.stubType == STUB_TYPE_UNIX_BIGENDIAN || r.stubType == STUB_TYPE_UNIX_LITTLEENDIAN) {
        if (r.unixTextKind == 1)
            return UnixLayout::Text;
        if (r.unixTextKind == 2)
            return hasAux ? UnixLayout::Full : UnixLayout::TextNumber;
        return UnixLayout::CommonOnly;
    }
    if (r.shortText[0] == '\0' && r.longText[0] == '\0')
        return UnixLayout::CommonOnly;
    if (r.number1 == 0)
        return UnixLayout::Text;
    return hasAux ? UnixLayout::Full : UnixLayout::TextNumber;
}

// Returns false when the stub is not expected to parse back (layout 0).
bool CheckUnixFields(const ReparseData& in, std::int32_t status, const ReparseData& out) {
    const UnixLayout layout = UnixLayoutOf(in);
    if (layout == UnixLayout::CommonOnly) {
        Require(status == -1, "a Unix stub of the five numbers alone does not parse back");
        return false;
    }
    Require(status == 0, "a written Unix stub parses back");
    CheckCommon(in, out);
    const bool shortKind = in.shortText[0] != '\0';
    Require(out.unixTextKind == (shortKind ? 2 : 1), "the Unix text kind follows shortText");
    Require(shortKind ? Text(in.shortText) == out.shortText : Text(in.longText) == out.longText,
            "the Unix text comes back");
    Require(in.number2 == out.number2, "number2 comes back");
    if (layout != UnixLayout::Text)
        Require(in.number1 == out.number1, "number1 comes back");
    if (layout == UnixLayout::Full) {
        const std::uint64_t value = in.number3 != 0 ? in.number3 : 4096;
        Require(Text(in.auxText) == out.auxText && out.number3 == value,
                "auxText and the envelope value come back");
    }
    return true;
}

void WriteAndRead(const ReparseData& record, StubType type, std::int32_t capacity) {
    const bool unix = type == STUB_TYPE_UNIX_BIGENDIAN || type == STUB_TYPE_UNIX_LITTLEENDIAN;
    constexpr std::int32_t kRoomy = 8192;
    std::vector<char> stub = PatternBuffer(kRoomy);
    const std::int32_t length = GenerateReparseData(&record, type, stub.data(), kRoomy);
    // What the output needs: the text and its NUL, or the whole envelope.
    const std::int32_t needed = unix ? length : length + 1;
    if (length < 0) {
        // Only the Unix writer refuses, and only a text its 1023-character area cannot hold.
        const std::size_t text =
            std::strlen(record.shortText[0] != '\0' ? record.shortText : record.longText);
        Require(unix && text > 700, "a writer refuses only a Unix text that is too long");
        Require(Untouched(stub), "a refused write leaves the buffer alone");
    } else {
        Require(needed <= kRoomy, "a writer stays within its capacity");
        if (!unix)
            Require(stub[static_cast<std::size_t>(length)] == '\0' &&
                        std::strlen(stub.data()) == static_cast<std::size_t>(length),
                    "a text writer returns the length of the text it terminated");
    }

    std::vector<char> tight = PatternBuffer(capacity);
    const std::int32_t tightLength = GenerateReparseData(&record, type, tight.data(), capacity);
    if (tightLength < 0) {
        Require(tightLength == -1 && Untouched(tight), "a refused write leaves the buffer alone");
        Require(length < 0 || capacity < needed, "a writer does not refuse an output that fits");
    } else {
        Require(tightLength == length, "a write does not depend on spare capacity");
        Require(needed <= capacity, "a writer reports no more bytes than its capacity");
        Require(std::memcmp(tight.data(), stub.data(), static_cast<std::size_t>(needed)) == 0,
                "a write does not depend on spare capacity");
    }
    if (length < 0)
        return;

    // Type 1 is read from behind the 24-byte reparse header.
    std::vector<char> input(
        STUBMETA_NTFS_HEADER_SIZE + static_cast<std::size_t>(needed) + kZeroPadding, '\0');
    const std::size_t offset = type == STUB_TYPE_WINDOWS_LOCAL ? STUBMETA_NTFS_HEADER_SIZE : 0;
    std::memset(input.data(), 0x77, offset);
    std::memcpy(input.data() + offset, stub.data(), static_cast<std::size_t>(needed));

    ReparseData back = PatternRecord();
    const std::int32_t status = ParseReparseDataForStubType(input.data(), type, &back);
    if (unix) {
        if (CheckUnixFields(record, status, back))
            Require(back.stubType ==
                        ExpectedByteOrder(stub.data(), static_cast<std::size_t>(needed)),
                    "a Unix stub records this machine's order");
        return;
    }
    Require(status == 0, "a written stub parses back as its type");
    if (type == STUB_TYPE_WINDOWS_DMNAS || type == STUB_TYPE_WINDOWS_DMNAS_ALT) {
        Require(back.stubType == STUB_TYPE_WINDOWS_DMNAS, "a DMNas stub records type 4");
        CheckDMNasFields(record, back);
    } else {
        Require(back.stubType == type, "a Windows stub records its type");
        CheckWindowsFields(record, back);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ParameterReader reader(data, size);
    // Capacities around the sizes stubs have, negative ones included.
    const std::int32_t capacity = static_cast<std::int32_t>(reader.unsigned64(2) % 2300u) - 8;
    const ReparseData record = RecordFrom(reader);
    for (StubType type = 1; type <= 7; ++type)
        WriteAndRead(record, type, capacity);
    return 0;
}
