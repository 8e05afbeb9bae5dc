/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Opening and closing envelopes inside the library, without copying the
// text: the Unix parser reads the text where it stands in the envelope, and
// the Unix writer renders it straight into its place in the caller's buffer.
#ifndef STUBMETA_ENVELOPE_ENVELOPE_H
#define STUBMETA_ENVELOPE_ENVELOPE_H

#include <cstddef>
#include <cstdint>

#include "stubmeta.h"

namespace stubmeta::envelope {

// What an envelope holds.  `text` points into the envelope itself.
struct Contents {
    std::size_t total = 0;
    std::uint64_t value = 0;
    StubType byteOrder = STUB_TYPE_INVALID;
    const char* text = nullptr;
    std::size_t textLength = 0;
};

// How far the checks went, in the order they are made: the magic, the rest
// of the header (version, a total length that holds the overhead), the
// room a reader has for the text and its terminator (`capacity` bytes), the
// checksum, then the text's own length and terminator.
enum class OpenStatus {
    NoMagic,      // not an envelope: nothing is known
    Malformed,    // an envelope's magic, but nothing else is known
    NoRoom,       // total is known
    BadChecksum,  // total is known
    BadText,      // total and byteOrder are known
    Opened,       // everything is known
};

// Checks the envelope at input and fills *contents as far as the checks
// went: the checks of OpenBounded over the extent the envelope's own header
// gives, with the reader's room judged before the checksum.  Reading stops
// at the first byte that differs from the magic, so a shorter text is never
// read past its NUL.
OpenStatus Open(const char* input, std::int64_t capacity, Contents* contents);

// Checks the envelope in the `length` bytes at input, never reading past
// them, and fills *info as far as the checks went.  Returns STUBMETA_OK or
// the status of the first check that failed (stubmeta_envelope_open).
std::int32_t OpenBounded(const char* input, std::size_t length, StubmetaEnvelope* info);

// The running CRC-32 of the bytes, started at 0xFFFFFFFF and not inverted:
// what an envelope's trailer holds for the bytes before it.
std::uint32_t ChecksumOf(const unsigned char* bytes, std::size_t length);

// The byte order in which the four trailer bytes store `crc`: 6 for most
// significant byte first, 7 for least significant first, 0 for neither.  A
// trailer that reads the same both ways counts as big-endian.
StubType TrailerByteOrder(const unsigned char* trailer, std::uint32_t crc);

// Completes an envelope whose text of textLength bytes (at most kMaxText)
// already stands at its place in `out`: the header before it, the
// terminator and the checksum after it.  Returns the envelope's size.
std::size_t Close(unsigned char* out, std::size_t textLength, std::uint64_t value);

}  // namespace stubmeta::envelope

#endif
