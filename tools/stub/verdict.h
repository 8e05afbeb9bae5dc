/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// What a file holds, by one rule shared by inspect, scan, verify and
// convert, so that they never disagree about the same file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "stub/envelope_report.h"
#include "support/file_reading.h"
#include "stub/detection.h"

namespace stubmeta_cli {

enum class StubState { Ok, Damaged, NotStub };

// What follows a stub's end in its file.  A stub may keep the original's
// size with nothing but zeros or holes after it, which is no fault.
enum class Trailing {
    None,
    Zeros,       // only zero bytes and holes
    ZerosSoFar,  // zeros in the bytes read; data past them was not read
    Data,        // a byte other than zero among the bytes read
};

// How the first line of a DMNas stub (and a CSVFS text) opens.
inline constexpr std::string_view kDmnasPrefix = stubmeta::layouts::stub_prefix;

// Where the bytes judged came from.
enum class StubSource {
    Content,           // a file's content
    ReparseAttribute,  // an attribute holding a reparse buffer (--xattr, --ntfs)
    BareNtfsText,      // a file declared a bare NTFS text, behind a made-up header
};

struct Verdict {
    StubState state = StubState::NotStub;
    StubType type = 0;  // 0 while unknown: no stub, or a damaged envelope's order
    std::int32_t status = STUBMETA_E_NOT_A_STUB;  // the library's: why damaged or no stub
    std::string problem;                          // damaged or not a stub: why, one phrase
    std::string foundBy;                     // how: "found by its envelope", "parsed as type 3"
    Detection detection;                     // Ok: the record, its envelope and Unix layout
    std::optional<EnvelopeReport> envelope;  // bytes opening with the envelope magic
    std::uint64_t trailingBytes = 0;         // bytes after an envelope's end, to the file's
    Trailing trailing = Trailing::None;      // and what they hold
};

// Judges bytes, the first STUBMETA_READ_MAX bytes of something wholeSize
// bytes long, by the library's rule (stubmeta_identify): without types
// named (MatchRequest::Mode::ByOpening) the opening decides (an envelope, a
// QZSTUB: first line, a reparse header, or what the source says the bytes
// are); types named (--as, --family, --first-match) are tried in order
// instead, an envelope deciding for itself when a Unix type is among them.
// The verdict's problem words the library's status with the values
// involved, the same words for the same bytes whichever door they came in by.
Verdict judge_stub(const StubBytes& bytes, std::uint64_t wholeSize, StubSource source,
                   const MatchRequest& request);

// The length a reparse header at the start of bytes gives its data, when
// the header has the shape of one: a zero reserved word (bytes 6 and 7)
// and a length (bytes 4 and 5, little-endian) of 1 to 16,360, so that the
// whole buffer fits the 16 KiB a reparse point holds.
std::optional<std::size_t> reparse_data_length(const char* bytes, std::size_t size);

// True when bytes open with a reparse header counting exactly the rest of
// wholeSize bytes.
bool has_reparse_header(const char* bytes, std::size_t size, std::uint64_t wholeSize);

// The one-line reason a verdict gives for a file that is no good stub:
// "damaged: checksum mismatch: ...", "not a recognised stub (...)".
std::string verdict_problem(const Verdict& verdict);

// Counts the bytes after an envelope to the end of the whole object and
// says what they hold; dataPastRead tells whether data may lie past the
// bytes read (FileRead::dataPastRead).
void measure_trailing(Verdict& verdict, const StubBytes& bytes, std::uint64_t wholeSize,
                      bool dataPastRead);

// "zeros", "zeros as far as read" or "data".
const char* trailing_name(Trailing trailing);

// "ok", "damaged" or "not a stub".
const char* state_name(StubState state);

}  // namespace stubmeta_cli
