/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// What an NTFS volume scan adds to a row and to the summary: where the
// reparse point lives in the volume and what kind it is.  Plain data, so
// that the rows print the same whether or not the tool reads volumes.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace stubmeta_cli {

struct NtfsFacts {
    std::uint64_t record = 0;  // the file's MFT record number
    std::uint32_t tag = 0;     // the reparse tag
    std::string guid;          // third-party tags only; empty for the system's own
    bool offline = false;      // the offline file attribute
    bool sparse = false;       // the sparse file attribute
    bool otherTag = false;     // a reparse point holding no stub (--all-reparse)
};

struct NtfsTotals {
    std::uint64_t reparsePoints = 0;                   // stubs and others
    std::map<std::uint32_t, std::uint64_t> otherTags;  // reparse points holding no stub
};

// The system's name for a reparse tag ("symbolic link", "junction"), or an
// empty string for a tag it does not name.
std::string reparse_tag_name(std::uint32_t tag);

// "0xA000000C", the tag as eight hexadecimal digits.
std::string reparse_tag_hex(std::uint32_t tag);

}  // namespace stubmeta_cli
