// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Saying what a buffer is by its opening: an envelope, a QZSTUB: first
// line, a reparse buffer, or a bare text of types the caller names.  Every
// reader of stubs (the tool's commands, the C++ and Python interfaces) asks
// this one rule, so that they never disagree about the same bytes.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "stubmeta.h"
#include "stubmeta_layouts.hpp"

namespace {

constexpr std::string_view kEnvelopeMagic{STUBMETA_ENVELOPE_MAGIC, STUBMETA_ENVELOPE_MAGIC_SIZE};
// How a DMNas stub's first line opens, and a CSVFS text.
constexpr std::string_view kQzstubPrefix = stubmeta::layouts::stub_prefix;
constexpr std::size_t kReparseHeaderSize = STUBMETA_NTFS_HEADER_SIZE;
// A reparse point holds at most 16 KiB, its header included.
constexpr std::size_t kLongestReparseData = 16384 - kReparseHeaderSize;

constexpr const auto& kFirstMatchOrder = stubmeta::layouts::search_order;

bool IsUnix(StubType type) {
    return type == STUB_TYPE_UNIX_BIGENDIAN || type == STUB_TYPE_UNIX_LITTLEENDIAN;
}

// The bytes judged, never read past their end.
struct Bytes {
    const char* data;
    std::size_t size;

    std::string_view view() const { return {data, size}; }
    bool OpensWith(std::string_view prefix) const { return view().starts_with(prefix); }
    // The text from offset on, up to its first NUL.
    std::uint64_t TextLengthFrom(std::size_t offset) const {
        if (offset >= size)
            return 0;
        const void* nul = std::memchr(data + offset, '\0', size - offset);
        return nul != nullptr
                   ? static_cast<std::uint64_t>(static_cast<const char*>(nul) - (data + offset))
                   : size - offset;
    }
};

// The length a reparse header gives its data, when the first 24 bytes have
// the shape of one (a zero reserved word, a length of 1 to 16,360); else 0.
std::size_t ReparseDataLength(const Bytes& in) {
    if (in.size < kReparseHeaderSize || in.data[6] != 0 || in.data[7] != 0)
        return 0;
    const std::size_t length = static_cast<unsigned char>(in.data[4]) |
                               static_cast<std::size_t>(static_cast<unsigned char>(in.data[5]))
                                   << 8;
    return length <= kLongestReparseData ? length : 0;
}

void Found(StubmetaIdentity* out, std::uint32_t state, StubType type, std::uint32_t foundBy,
           std::int32_t status) {
    out->state = state;
    out->type = type;
    out->foundBy = foundBy;
    out->status = status;
}

void SetText(StubmetaIdentity* out, std::uint64_t offset, std::uint64_t length) {
    out->textOffset = offset;
    out->textLength = length;
    out->known |= STUBMETA_KNOWN_TEXT;
}

// The status a stub that opens as one but does not parse is damaged with:
// a field too wide says more than "does not parse".
std::int32_t DamageOf(std::int32_t parseStatus) {
    return parseStatus == STUBMETA_E_FIELD_TOO_LONG || parseStatus == STUBMETA_E_TEXT_TOO_LONG
               ? parseStatus
               : STUBMETA_E_BAD_FIELDS;
}

// Step 1: the envelope decides.  Its text is parsed where it stands, as
// bare Unix text, so that the checksum is computed once.
std::int32_t JudgeEnvelope(const Bytes& in, StubmetaIdentity* out, ReparseData* record) {
    StubmetaEnvelope info{};
    const std::int32_t status = stubmeta_envelope_open(in.data, in.size, &info);
    Found(out, STUBMETA_STATE_DAMAGED, info.byteOrder, STUBMETA_FOUND_ENVELOPE, status);
    // The header's fields as far as the checks read them.
    if (in.size >= STUBMETA_ENVELOPE_HEADER_SIZE) {
        out->envelopeVersion = static_cast<unsigned char>(in.data[STUBMETA_ENVELOPE_MAGIC_SIZE]);
        if (status != STUBMETA_E_BAD_VERSION) {
            out->envelopeTotal = info.total;
            out->known |= STUBMETA_KNOWN_ENVELOPE_TOTAL;
        }
    }
    // The checksum is computed once the header's checks passed.
    const bool summed = status == STUBMETA_OK || status == STUBMETA_E_CHECKSUM ||
                        status == STUBMETA_E_EMPTY_TEXT || status == STUBMETA_E_LENGTH_MISMATCH ||
                        status == STUBMETA_E_UNTERMINATED;
    if (summed) {
        out->storedBigEndian = info.storedBigEndian;
        out->storedLittleEndian = info.storedLittleEndian;
        out->computed = info.computed;
        out->known |= STUBMETA_KNOWN_CHECKSUMS;
    }
    if (info.byteOrder != 0) {
        out->envelopeValue = info.value;
        out->envelopeTextLength = info.textLength;
        out->known |= STUBMETA_KNOWN_ENVELOPE_VALUE;
    }
    if (status != STUBMETA_OK)
        return STUBMETA_OK;

    out->stubLength = info.total;
    out->trailing = info.trailing;
    out->known |= STUBMETA_KNOWN_STUB_LENGTH;
    SetText(out, STUBMETA_ENVELOPE_HEADER_SIZE,
            Bytes{info.text, static_cast<std::size_t>(info.textLength)}.TextLengthFrom(0));
    if (info.textLength > STUBMETA_UNIX_TEXT_MAX) {
        out->status = STUBMETA_E_TEXT_TOO_LONG;
        return STUBMETA_OK;
    }
    ReparseData scratch = record != nullptr ? *record : ReparseData{};
    const StubType unix = STUB_TYPE_UNIX_BIGENDIAN;
    const Bytes text{info.text, static_cast<std::size_t>(info.textLength)};
    // A text that itself opens with the magic would be read as an envelope
    // again: parse the whole envelope then, as stubmeta_parse would.
    const std::int32_t parsed = text.OpensWith(kEnvelopeMagic)
                                    ? stubmeta_parse(in.data, in.size, &unix, 1, &scratch)
                                    : stubmeta_parse(text.data, text.size, &unix, 1, &scratch);
    if (parsed == STUBMETA_E_NO_MEMORY)
        return parsed;
    if (parsed != STUBMETA_OK) {
        out->status = parsed == STUBMETA_E_FIELD_TOO_LONG ? parsed : STUBMETA_E_NOT_UNIX_TEXT;
        return STUBMETA_OK;
    }
    scratch.stubType = info.byteOrder;
    if (record != nullptr)
        *record = scratch;
    Found(out, STUBMETA_STATE_OK, info.byteOrder, STUBMETA_FOUND_ENVELOPE, STUBMETA_OK);
    return STUBMETA_OK;
}

// Tries types in order on bytes; an ok answer of the winning type, or a
// damaged one of damagedType (no stub when damagedType is 0).
std::int32_t JudgeTypes(const Bytes& in, const StubType* types, std::int32_t count,
                        std::uint32_t foundBy, StubType damagedType, StubmetaIdentity* out,
                        ReparseData* record) {
    ReparseData scratch = record != nullptr ? *record : ReparseData{};
    // Parsed into a copy, so that a failure leaves the caller's record as
    // it was.
    const std::int32_t parsed = stubmeta_parse(in.data, in.size, types, count, &scratch);
    if (parsed == STUBMETA_E_NO_MEMORY)
        return parsed;
    if (parsed == STUBMETA_OK) {
        if (record != nullptr)
            *record = scratch;
        Found(out, STUBMETA_STATE_OK, scratch.stubType, foundBy, STUBMETA_OK);
        if (scratch.stubType == STUB_TYPE_WINDOWS_LOCAL)
            SetText(out, kReparseHeaderSize, in.TextLengthFrom(kReparseHeaderSize));
        else
            SetText(out, 0, in.TextLengthFrom(0));
        return STUBMETA_OK;
    }
    if (damagedType == 0)
        Found(out, STUBMETA_STATE_NO_STUB, 0, STUBMETA_FOUND_NOTHING, parsed);
    else
        Found(out, STUBMETA_STATE_DAMAGED, damagedType, foundBy, DamageOf(parsed));
    return STUBMETA_OK;
}

// Step 3: a reparse buffer, its text behind the 24-byte header.
std::int32_t JudgeReparseBuffer(const Bytes& in, StubmetaIdentity* out, ReparseData* record) {
    if (in.size < kReparseHeaderSize) {
        Found(out, STUBMETA_STATE_NO_STUB, 0, STUBMETA_FOUND_NOTHING, STUBMETA_E_NOT_A_STUB);
        return STUBMETA_OK;
    }
    const Bytes data{in.data + kReparseHeaderSize, in.size - kReparseHeaderSize};
    // The text may parse and the buffer still be damaged by its header's
    // length, so the fields reach the caller only once the answer is ok.
    ReparseData candidate{};
    if (record != nullptr)
        candidate = *record;
    ReparseData* const parsed = record != nullptr ? &candidate : nullptr;
    std::int32_t status = STUBMETA_OK;
    if (data.OpensWith(kQzstubPrefix)) {
        // A CSVFS text behind the header is read as such, without it.
        const StubType csvfs = STUB_TYPE_WINDOWS_LOCAL_CSVFS;
        status = JudgeTypes(data, &csvfs, 1, STUBMETA_FOUND_REPARSE_HEADER, csvfs, out, parsed);
        if (out->state == STUBMETA_STATE_OK)
            out->textOffset += kReparseHeaderSize;
    } else {
        // A CSVFS text opens with "QZSTUB:", so behind the header any other
        // text can only be an NTFS stub (whose parse skips the header).
        const StubType ntfs = STUB_TYPE_WINDOWS_LOCAL;
        status = JudgeTypes(in, &ntfs, 1, STUBMETA_FOUND_REPARSE_HEADER, ntfs, out, parsed);
        // Data without a colon holds no stub text at all: it is some other
        // product's reparse point, not a damaged stub.  A stub whose first
        // byte was overwritten with a NUL still has its colons behind it.
        if (out->state == STUBMETA_STATE_DAMAGED &&
            std::memchr(data.data, ':', data.size) == nullptr) {
            Found(out, STUBMETA_STATE_NO_STUB, 0, STUBMETA_FOUND_NOTHING, STUBMETA_E_NOT_A_STUB);
            return status;
        }
    }
    out->stubLength = in.size;
    out->known |= STUBMETA_KNOWN_STUB_LENGTH;
    if (out->state == STUBMETA_STATE_OK && ReparseDataLength(in) != data.size) {
        // Bytes 4 and 5 count the data behind the header; a reserved word
        // that is not zero makes the header no header at all.
        out->state = STUBMETA_STATE_DAMAGED;
        out->status = STUBMETA_E_REPARSE_LENGTH;
    }
    if (record != nullptr && out->state == STUBMETA_STATE_OK)
        *record = candidate;
    return status;
}

// True when in opens with a reparse header whose length counts exactly
// the rest of the whole object (wholeSize, or length when it is larger).
bool WholeReparseBuffer(const Bytes& in, uint64_t wholeSize, uint64_t length) {
    const std::size_t dataLength = ReparseDataLength(in);
    return dataLength != 0 &&
           kReparseHeaderSize + dataLength == std::max<std::uint64_t>(wholeSize, length);
}

bool ValidQuery(const StubmetaQuery& query) {
    if (query.kind > STUBMETA_INPUT_TEXT || query.family > STUB_FAMILY_UNIX)
        return false;
    if (query.types != nullptr && (query.kind != STUBMETA_INPUT_TEXT || query.count < 1))
        return false;
    return true;
}

}  // namespace

extern "C" STUBMETA_API int32_t stubmeta_identify(const void* input, uint64_t length,
                                                  const StubmetaQuery* query,
                                                  StubmetaIdentity* identity, ReparseData* record) {
    if (input == nullptr || identity == nullptr || identity->structSize != sizeof *identity)
        return STUBMETA_E_ARGUMENT;
    const StubmetaQuery asked = query != nullptr ? *query : StubmetaQuery{};
    if (!ValidQuery(asked))
        return STUBMETA_E_ARGUMENT;
    *identity = StubmetaIdentity{};
    identity->structSize = sizeof *identity;
    identity->status = STUBMETA_E_NOT_A_STUB;
    // No stub is longer than STUBMETA_READ_MAX bytes: the bytes past SIZE_MAX
    // of an input that large are never needed.
    const Bytes in{static_cast<const char*>(input),
                   static_cast<std::size_t>(std::min<uint64_t>(length, SIZE_MAX))};
    const bool envelope = in.OpensWith(kEnvelopeMagic);
    std::int32_t status = STUBMETA_OK;

    if (asked.kind == STUBMETA_INPUT_TEXT) {
        const StubType* types = asked.types;
        std::int32_t count = asked.count;
        if (types == nullptr) {
            const auto* family = stubmeta::layouts::types_of(asked.family);
            types = family != nullptr ? family->data() : kFirstMatchOrder.data();
            count = static_cast<std::int32_t>(family != nullptr ? family->size()
                                                                : kFirstMatchOrder.size());
        }
        const bool csvfsNamed = std::find(types, types + count,
                                          StubType{STUB_TYPE_WINDOWS_LOCAL_CSVFS}) != types + count;
        if (envelope && std::any_of(types, types + count, IsUnix))
            status = JudgeEnvelope(in, identity, record);
        else if (csvfsNamed && WholeReparseBuffer(in, asked.wholeSize, length) &&
                 Bytes{in.data + kReparseHeaderSize, in.size - kReparseHeaderSize}.OpensWith(
                     kQzstubPrefix))
            status = JudgeReparseBuffer(in, identity, record);
        else
            status = JudgeTypes(in, types, count, STUBMETA_FOUND_NAMED_TYPES, 0, identity, record);
    } else if (asked.kind == STUBMETA_INPUT_REPARSE ||
               (!envelope && !in.OpensWith(kQzstubPrefix) &&
                WholeReparseBuffer(in, asked.wholeSize, length))) {
        status = JudgeReparseBuffer(in, identity, record);
    } else if (envelope) {
        status = JudgeEnvelope(in, identity, record);
    } else if (in.OpensWith(kQzstubPrefix)) {
        static constexpr std::array<StubType, 2> kQzstubTypes = {4, 2};
        status = JudgeTypes(in, kQzstubTypes.data(), 2, STUBMETA_FOUND_QZSTUB_LINE,
                            STUB_TYPE_WINDOWS_DMNAS, identity, record);
    }
    if (status != STUBMETA_OK) {
        *identity = StubmetaIdentity{};
        identity->structSize = sizeof *identity;
        identity->status = status;
    }
    return status;
}
