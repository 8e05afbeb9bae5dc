/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Judging the reparse buffer of a file found in an NTFS volume: which
// reparse points hold a stub, and what the stub says.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scan/examine.h"

namespace stubmeta_cli {

// The most bytes a reparse point holds, its header included.
inline constexpr std::size_t kLongestReparseBuffer = 16384;

// Fills row.type, damaged, problem, the key fields and row.ntfs's tag,
// GUID and otherTag from a whole reparse buffer.
//
// Tags the system reserves for itself (bit 31 set) carry no GUID and never
// a stub.  Any other tag has a 24-byte header (tag, data length, a zero
// word, GUID), and the buffer is judged by the rule inspect and verify
// apply to a reparse buffer (judge_stub): an ok or damaged stub of type 1
// or 2, or no stub, when it is marked otherTag with its kind in problem.
void judge_reparse_buffer(std::string_view buffer, ScanRow& row);

// "00112233-4455-6677-8899-aabbccddeeff", from the 16 bytes of a GUID
// as stored (the first three groups little-endian).
std::string guid_text(const unsigned char* bytes);

}  // namespace stubmeta_cli
