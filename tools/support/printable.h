/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// One escape for every path and text the tool prints, on standard output
// and standard error alike.
#pragma once

#include <string>
#include <string_view>

namespace stubmeta_cli {

// The text as it is printed, on one line and mapping back to exactly one
// byte string: a backslash as \\, a double quote as \", every control or
// non-ASCII byte as \xNN (upper-case hexadecimal), every other character as
// it is.  No byte of a file name reaches a terminal as a control sequence.
std::string printable(std::string_view text);

}  // namespace stubmeta_cli
