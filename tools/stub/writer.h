/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Rendering a record as the bytes of a stub file.
#pragma once

#include <string>

#include "stubmeta.hpp"

namespace stubmeta_cli {

struct RenderOptions {
    // Types 1 and 2 only: put the 24-byte reparse header (tag 0, the text's
    // length, a zero reserved word and a zero GUID) in front of the text,
    // as a reparse buffer holds it.
    bool reparseHeader = false;
};

// The stub of the given type for record, as stubmeta::generate writes it:
// a text without its terminating NUL, or an envelope.  For types 6 and 7
// the checksum is stored in that type's byte order (6 big-endian, 7
// little-endian) whatever this machine's order.  Throws ToolError (status
// 1) when the library refuses the record, naming target.
std::string render_stub(const ReparseData& record, StubType type, const RenderOptions& options,
                        const std::string& target);

// Wraps text in an envelope carrying value, its checksum stored in the
// byte order of order (6 or 7).  Throws ToolError (status 1) naming target
// when the text is too long or holds a NUL byte.
std::string wrap_text(const std::string& text, std::uint64_t value, StubType order,
                      const std::string& target);

}  // namespace stubmeta_cli
