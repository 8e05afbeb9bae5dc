/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The binary envelope around Unix stub text: a packed 21-byte header, the
// text, a zero byte and a CRC-32 trailer.  Every field but the trailer is in
// network order; the trailer is in the writer's own order, which is how a
// reader learns which byte order wrote the stub.
#ifndef STUBMETA_ENVELOPE_ENVELOPE_LAYOUT_H
#define STUBMETA_ENVELOPE_ENVELOPE_LAYOUT_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "stubmeta.h"

namespace stubmeta::envelope {

// The magic of the public header as bytes.
constexpr std::array<unsigned char, STUBMETA_ENVELOPE_MAGIC_SIZE> MagicBytes() {
    std::array<unsigned char, STUBMETA_ENVELOPE_MAGIC_SIZE> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(STUBMETA_ENVELOPE_MAGIC[i]);
    return bytes;
}
inline constexpr std::array<unsigned char, STUBMETA_ENVELOPE_MAGIC_SIZE> kMagicBytes = MagicBytes();
static_assert(sizeof STUBMETA_ENVELOPE_MAGIC == STUBMETA_ENVELOPE_MAGIC_SIZE + 1);
inline constexpr unsigned char kVersion = 1;

inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::size_t kVersionOffset = 8;
inline constexpr std::size_t kTotalLengthOffset = 9;
inline constexpr std::size_t kValueOffset = 11;
inline constexpr std::size_t kTextLengthOffset = 19;
inline constexpr std::size_t kTextOffset = 21;
inline constexpr std::size_t kHeaderSize = kTextOffset;
static_assert(kHeaderSize == STUBMETA_ENVELOPE_HEADER_SIZE);

// Header, terminator and trailer.
inline constexpr std::size_t kOverhead = STUBMETA_ENVELOPE_OVERHEAD;
inline constexpr std::size_t kChecksumSize = 4;
// The longest text whose envelope size fits the 16-bit length field.
inline constexpr std::size_t kMaxText = STUBMETA_ENVELOPE_TEXT_MAX;

// True when input opens with the eight magic bytes.  Compares a byte at a
// time, so it stops at the NUL of any shorter text (the magic holds none).
constexpr bool StartsWithMagic(const char* input) {
    for (std::size_t i = 0; i < kMagicBytes.size(); ++i) {
        if (static_cast<unsigned char>(input[i]) != kMagicBytes[i])
            return false;
    }
    return true;
}

}  // namespace stubmeta::envelope

#endif
