/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// What is wrong with a Unix stub's envelope, in words: the library checks
// it (stubmeta::check_envelope) and names the first fault; this says it
// with the values involved.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/file_reading.h"
#include "stubmeta.hpp"

namespace stubmeta_cli {

// The envelope's fixed sizes: 21 header bytes, then the text, its
// terminator and a 4-byte checksum.
inline constexpr std::size_t kEnvelopeHeaderSize = STUBMETA_ENVELOPE_HEADER_SIZE;
inline constexpr std::size_t kEnvelopeOverhead = STUBMETA_ENVELOPE_OVERHEAD;
inline constexpr std::size_t kEnvelopeMagicSize = STUBMETA_ENVELOPE_MAGIC_SIZE;
// The eight bytes every envelope opens with.
inline constexpr std::string_view kEnvelopeMagic{STUBMETA_ENVELOPE_MAGIC, kEnvelopeMagicSize};

// What the header and the trailer of an envelope hold, as far as the
// library's checks vouch for it: known holds the STUBMETA_KNOWN_* bits of
// the facts that hold; the others are 0 and never shown.
struct EnvelopeReport {
    bool ok = false;
    std::string problem;  // the first thing found wrong, one line
    std::uint32_t known = 0;
    std::uint8_t version = 0;
    std::uint32_t totalLength = 0;
    std::uint64_t value = 0;
    std::uint32_t textLength = 0;
    std::uint32_t storedChecksum = 0;  // as read most significant byte first
    std::uint32_t computedChecksum = 0;
    StubType byteOrder = 0;  // 6 big-endian, 7 little-endian, when matched
};

// True when the bytes open with the envelope magic.
bool has_envelope_magic(const StubBytes& stub);

// Checks the envelope in stub (whose content is the file's bytes) in the
// library's order: magic, a header cut short, version, a total length
// below 26, a file shorter than the envelope, checksum in both byte
// orders, empty text, lengths that disagree, terminator.  The first
// failure is described in problem, with the values involved.
EnvelopeReport examine_envelope(const StubBytes& stub);

// The envelope as stubmeta_identify found it in bytes (size of them): its
// facts, and the first fault in words when it is not whole and sound.
EnvelopeReport envelope_report(const StubmetaIdentity& info, std::size_t size);

// "big-endian" for 6, "little-endian" for 7.
std::string byte_order_name(StubType order);

// A 32-bit number as 0x followed by eight hexadecimal digits.
std::string hex32(std::uint32_t value);

}  // namespace stubmeta_cli
