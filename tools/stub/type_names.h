/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Stub type numbers, their names, and how the command line names them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stubmeta.hpp"

namespace stubmeta_cli {

// The library's name of a type ("WINDOWS_LOCAL", ..., "Invalid").
using stubmeta::type_name;

// The type of a Unix stub written on this machine: 7 on a little-endian
// machine, 6 on a big-endian one.
StubType host_unix_type();

// Reads a type as given on the command line: a number 1..7, a short name
// (ntfs, csvfs, celerra, dmnas, unix) or a library name, any case.  "unix"
// means this machine's byte order.  Returns nothing for anything else.
std::optional<StubType> parse_type(std::string_view text);

// Reads a family name (windows, nas, unix), any case.
std::optional<StubFamily> parse_family(std::string_view text);

// The name of a family as the command line spells it.
std::string family_name(StubFamily family);

// The short command-line name of a type ("ntfs", ...), empty for 5 and 0.
std::string short_type_name(StubType type);

// The types a family tries, in order.
std::vector<StubType> family_types(StubFamily family);

// The order stubmeta::parse tries when given no type: 6, 7, 1, 2, 3, 4.
const std::vector<StubType>& first_match_order();

// "6, 7, 1, 2, 3, 4"
std::string join_types(const std::vector<StubType>& types);

// True for 6 and 7.
constexpr bool is_unix_type(StubType type) noexcept {
    return type == STUB_TYPE_UNIX_BIGENDIAN || type == STUB_TYPE_UNIX_LITTLEENDIAN;
}

// True for 1 and 2: the texts a Windows reparse point holds behind its
// 24-byte header.
constexpr bool is_reparse_type(StubType type) noexcept {
    return type == STUB_TYPE_WINDOWS_LOCAL || type == STUB_TYPE_WINDOWS_LOCAL_CSVFS;
}

// True for 4 and 5.
constexpr bool is_dmnas_type(StubType type) noexcept {
    return type == STUB_TYPE_WINDOWS_DMNAS || type == STUB_TYPE_WINDOWS_DMNAS_ALT;
}

}  // namespace stubmeta_cli
