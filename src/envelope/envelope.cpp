// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "envelope/envelope.h"

#include <algorithm>
#include <cstring>

#include "envelope/byte_order.h"
#include "envelope/envelope_layout.h"
#include "stubmeta.h"

namespace stubmeta::envelope {

std::uint32_t ChecksumOf(const unsigned char* bytes, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    tw_crc32(bytes, length, &crc);
    return crc;
}

StubType TrailerByteOrder(const unsigned char* trailer, std::uint32_t crc) {
    if (static_cast<std::uint32_t>(LoadBigEndian(trailer, 4)) == crc)
        return STUB_TYPE_UNIX_BIGENDIAN;
    if (LoadLittleEndian32(trailer) == crc)
        return STUB_TYPE_UNIX_LITTLEENDIAN;
    return STUB_TYPE_INVALID;
}

namespace {

// The bounded checks, in their order: each failure has its status, and
// every fact learnt before it is kept.

// The checks that need the header alone.  Fills the total length.
std::int32_t CheckHeader(const unsigned char* in, std::size_t length, StubmetaEnvelope* info) {
    if (length < kMagicBytes.size() ||
        !std::equal(kMagicBytes.begin(), kMagicBytes.end(), in + kMagicOffset))
        return STUBMETA_E_BAD_MAGIC;
    // Every later check needs the header's fields.
    if (length < kHeaderSize)
        return STUBMETA_E_TRUNCATED;
    if (in[kVersionOffset] != kVersion)
        return STUBMETA_E_BAD_VERSION;
    info->total = LoadBigEndian(in + kTotalLengthOffset, 2);
    if (info->total < kOverhead)
        return STUBMETA_E_TOTAL_TOO_SMALL;
    if (info->total > length)
        return STUBMETA_E_TRUNCATED;
    info->trailing = length - info->total;
    return STUBMETA_OK;
}

// The checks of the text, made once the checksum has vouched for it.
std::int32_t CheckText(const unsigned char* in, StubmetaEnvelope* info) {
    info->textLength = LoadBigEndian(in + kTextLengthOffset, 2);
    if (info->textLength == 0)
        return STUBMETA_E_EMPTY_TEXT;
    if (info->textLength + kOverhead != info->total)
        return STUBMETA_E_LENGTH_MISMATCH;
    if (in[kTextOffset + info->textLength] != 0)
        return STUBMETA_E_UNTERMINATED;
    return STUBMETA_OK;
}

}  // namespace

std::int32_t OpenBounded(const char* input, std::size_t length, StubmetaEnvelope* info) {
    *info = StubmetaEnvelope{};
    const auto* in = reinterpret_cast<const unsigned char*>(input);
    if (const std::int32_t status = CheckHeader(in, length, info); status != STUBMETA_OK)
        return status;

    const auto covered = static_cast<std::size_t>(info->total) - kChecksumSize;
    info->storedBigEndian = static_cast<std::uint32_t>(LoadBigEndian(in + covered, 4));
    info->storedLittleEndian = LoadLittleEndian32(in + covered);
    info->computed = ChecksumOf(in, covered);
    info->byteOrder = TrailerByteOrder(in + covered, info->computed);
    if (info->byteOrder == STUB_TYPE_INVALID)
        return STUBMETA_E_CHECKSUM;
    // The value is covered by the checksum: known once it has matched.
    info->value = LoadBigEndian(in + kValueOffset, 8);

    if (const std::int32_t status = CheckText(in, info); status != STUBMETA_OK)
        return status;
    info->text = input + kTextOffset;
    return STUBMETA_OK;
}

OpenStatus Open(const char* input, std::int64_t capacity, Contents* contents) {
    // The magic is compared a byte at a time, so a shorter text is never
    // read past its NUL.  Once it matched, the header is trusted for the
    // envelope's extent (the caller hands over the whole envelope), and the
    // bounded checks run over exactly that extent.  A header that fails
    // (a wrong version, a total length below the overhead) is read no
    // further than the field that says so.
    if (!StartsWithMagic(input))
        return OpenStatus::NoMagic;
    const auto* in = reinterpret_cast<const unsigned char*>(input);
    std::size_t extent = kVersionOffset + 1;
    if (in[kVersionOffset] == kVersion) {
        const auto total = static_cast<std::size_t>(LoadBigEndian(in + kTotalLengthOffset, 2));
        extent = total >= kOverhead ? total : kTotalLengthOffset + 2;
    }
    StubmetaEnvelope info;  // OpenBounded clears it first
    const std::int32_t status = OpenBounded(input, extent, &info);
    switch (status) {
    case STUBMETA_E_TRUNCATED:
    case STUBMETA_E_BAD_VERSION:
    case STUBMETA_E_TOTAL_TOO_SMALL:
        return OpenStatus::Malformed;
    default:
        break;
    }
    contents->total = static_cast<std::size_t>(info.total);
    // The room for the text is judged before the checksum: a reader that
    // cannot take the text learns the envelope's size whatever its checksum.
    if (capacity < 0 || static_cast<std::uint64_t>(capacity) <= info.total - kOverhead)
        return OpenStatus::NoRoom;
    if (status == STUBMETA_E_CHECKSUM)
        return OpenStatus::BadChecksum;
    contents->byteOrder = info.byteOrder;
    if (status != STUBMETA_OK)
        return OpenStatus::BadText;
    contents->value = info.value;
    contents->text = info.text;
    contents->textLength = static_cast<std::size_t>(info.textLength);
    return OpenStatus::Opened;
}

std::size_t Close(unsigned char* out, std::size_t textLength, std::uint64_t value) {
    const std::size_t total = textLength + kOverhead;
    std::memcpy(out + kMagicOffset, kMagicBytes.data(), kMagicBytes.size());
    out[kVersionOffset] = kVersion;
    StoreBigEndian(out + kTotalLengthOffset, total, 2);
    StoreBigEndian(out + kValueOffset, value, 8);
    StoreBigEndian(out + kTextLengthOffset, textLength, 2);
    out[kTextOffset + textLength] = 0;
    // The trailer keeps the writer's own byte order: stored as a native word.
    const std::uint32_t crc = ChecksumOf(out, total - kChecksumSize);
    std::memcpy(out + total - kChecksumSize, &crc, sizeof crc);
    return total;
}

}  // namespace stubmeta::envelope

using namespace stubmeta;
using namespace stubmeta::envelope;

extern "C" STUBMETA_API int32_t tkhsm_meta2stub(const char* text, uint64_t value, char* buffer,
                                                int32_t capacity) {
    if (text == nullptr || buffer == nullptr)
        return -1;
    // Measured no further than one past the longest text that can be wrapped.
    const void* nul = std::memchr(text, '\0', kMaxText + 1);
    if (nul == nullptr)
        return -1;
    const auto textLength = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
    if (capacity < 0 || static_cast<std::size_t>(capacity) < textLength + kOverhead)
        return -1;
    auto* out = reinterpret_cast<unsigned char*>(buffer);
    std::memcpy(out + kTextOffset, text, textLength);
    return static_cast<int32_t>(Close(out, textLength, value));
}

extern "C" STUBMETA_API int32_t tkhsm_stub2meta(const char* input, int32_t* totalOut,
                                                uint64_t* valueOut, char* buffer, int32_t capacity,
                                                StubType* byteOrderOut) {
    if (input == nullptr || byteOrderOut == nullptr || input[0] == '\0')
        return -1;
    // Without a buffer there is no room to check: every envelope's text fits.
    Contents contents;
    const OpenStatus status = Open(input, buffer != nullptr ? capacity : INT64_MAX, &contents);
    if (status == OpenStatus::NoRoom && totalOut != nullptr)
        *totalOut = static_cast<int32_t>(contents.total);
    if (status == OpenStatus::BadText || status == OpenStatus::Opened)
        *byteOrderOut = contents.byteOrder;
    if (status != OpenStatus::Opened)
        return -1;
    if (buffer != nullptr)
        std::memcpy(buffer, contents.text, contents.textLength + 1);
    if (totalOut != nullptr)
        *totalOut = static_cast<int32_t>(contents.total);
    if (valueOut != nullptr)
        *valueOut = contents.value;
    return 0;
}
