#include <cstring>

#include "envelope/byte_order.h"
#include "envelope/envelope_layout.h"
#include "stubmeta.h"

namespace stubmeta::envelope {
namespace {

std::uint32_t ChecksumOf(const unsigned char *bytes, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    tw_crc32(bytes, length, &crc);
    return crc;
}

// The byte order in which the trailer at `trailer` stores `crc`: 6 for most
// significant byte first, 7 for least significant first, 0 for neither.  A
// trailer that reads the same both ways counts as big-endian.
StubType TrailerByteOrder(const unsigned char *trailer, std::uint32_t crc) {
    const auto bigEndian = static_cast<std::uint32_t>(LoadBigEndian(trailer, 4));
    if (bigEndian == crc)
        return STUB_TYPE_UNIX_BIGENDIAN;
    const std::uint32_t littleEndian = (std::uint32_t{trailer[3]} << 24) |
                                       (std::uint32_t{trailer[2]} << 16) |
                                       (std::uint32_t{trailer[1]} << 8) | trailer[0];
    if (littleEndian == crc)
        return STUB_TYPE_UNIX_LITTLEENDIAN;
    return STUB_TYPE_INVALID;
}

} // namespace
} // namespace stubmeta::envelope

using namespace stubmeta;
using namespace stubmeta::envelope;

extern "C" STUBMETA_API int32_t tkhsm_meta2stub(const char *text, uint64_t value, char *buffer,
                                                int32_t capacity) {
    if (text == nullptr || buffer == nullptr)
        return -1;
    // Measured no further than one past the longest text that can be wrapped.
    const void *nul = std::memchr(text, '\0', kMaxText + 1);
    if (nul == nullptr)
        return -1;
    const auto textLength = static_cast<std::size_t>(static_cast<const char *>(nul) - text);
    const std::size_t total = textLength + kOverhead;
    if (capacity < 0 || static_cast<std::size_t>(capacity) < total)
        return -1;

    auto *out = reinterpret_cast<unsigned char *>(buffer);
    std::memcpy(out + kMagicOffset, kMagicBytes.data(), kMagicBytes.size());
    out[kVersionOffset] = kVersion;
    StoreBigEndian(out + kTotalLengthOffset, total, 2);
    StoreBigEndian(out + kValueOffset, value, 8);
    StoreBigEndian(out + kTextLengthOffset, textLength, 2);
    std::memcpy(out + kTextOffset, text, textLength);
    out[kTextOffset + textLength] = 0;

    // The trailer keeps the writer's own byte order: stored as a native word.
    const std::uint32_t crc = ChecksumOf(out, total - kChecksumSize);
    std::memcpy(out + total - kChecksumSize, &crc, sizeof crc);
    return static_cast<int32_t>(total);
}

extern "C" STUBMETA_API int32_t tkhsm_stub2meta(const char *input, int32_t *totalOut,
                                                uint64_t *valueOut, char *buffer, int32_t capacity,
                                                StubType *byteOrderOut) {
    if (input == nullptr || byteOrderOut == nullptr || input[0] == '\0')
        return -1;
    if (!StartsWithMagic(input))
        return -1;
    const auto *in = reinterpret_cast<const unsigned char *>(input);
    if (in[kVersionOffset] != kVersion)
        return -1;
    const auto total = static_cast<std::size_t>(LoadBigEndian(in + kTotalLengthOffset, 2));
    if (total < kOverhead)
        return -1;
    if (buffer != nullptr &&
        (capacity < 0 || static_cast<std::size_t>(capacity) <= total - kOverhead)) {
        if (totalOut != nullptr)
            *totalOut = static_cast<int32_t>(total);
        return -1;
    }

    const std::size_t covered = total - kChecksumSize;
    const StubType order = TrailerByteOrder(in + covered, ChecksumOf(in, covered));
    if (order == STUB_TYPE_INVALID)
        return -1;
    *byteOrderOut = order;

    const std::uint64_t value = LoadBigEndian(in + kValueOffset, 8);
    const auto textLength = static_cast<std::size_t>(LoadBigEndian(in + kTextLengthOffset, 2));
    if (textLength == 0)
        return -1;
    // The two lengths must agree and the text must be terminated, so that
    // nothing outside the envelope's own extent is ever read or copied.
    if (textLength + kOverhead != total || in[kTextOffset + textLength] != 0)
        return -1;
    // The capacity was checked against the total length, which the text's
    // length now matches.
    if (buffer != nullptr)
        std::memcpy(buffer, in + kTextOffset, textLength + 1);
    if (totalOut != nullptr)
        *totalOut = static_cast<int32_t>(total);
    if (valueOut != nullptr)
        *valueOut = value;
    return 0;
}
