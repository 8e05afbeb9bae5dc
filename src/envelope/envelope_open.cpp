// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Checking an envelope of known length: the fixed reader's checks in its
// order, each failure named, and every fact learnt on the way handed back.
#include <algorithm>
#include <cstring>

#include "envelope/byte_order.h"
#include "envelope/envelope.h"
#include "envelope/envelope_layout.h"
#include "stubmeta.h"

namespace stubmeta::envelope {
namespace {

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

}  // namespace stubmeta::envelope

extern "C" STUBMETA_API int32_t stubmeta_envelope_open(const void* input, uint64_t length,
                                                       StubmetaEnvelope* info) {
    if (input == nullptr || info == nullptr)
        return STUBMETA_E_ARGUMENT;
    // No envelope is longer than 65535 bytes: a longer input is read no
    // further, and the rest counts as trailing bytes.
    const std::size_t readable = static_cast<std::size_t>(std::min<uint64_t>(length, SIZE_MAX));
    return stubmeta::envelope::OpenBounded(static_cast<const char*>(input), readable, info);
}
