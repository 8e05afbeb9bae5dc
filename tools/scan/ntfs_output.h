/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The columns and summary lines an NTFS volume scan adds to scan's output.
#pragma once

#include <string>

#include "record/json.h"
#include "scan/ntfs_facts.h"

namespace stubmeta_cli {

// "record=66 tag=0x00001234 guid=... size=5000 allocated=0 attributes=offline,sparse"
std::string ntfs_text_columns(const NtfsFacts& facts, std::uint64_t size, std::uint64_t allocated);
// Adds record, tag, tagName, guid, offline and sparse to a JSON row.
void add_ntfs_json(Json& object, const NtfsFacts& facts);
// The CSV columns after scan's own, their header and their fields.
std::string ntfs_csv_header();
std::string ntfs_csv_fields(const NtfsFacts& facts);

// "reparse points  12 (stubs: 9; other tags: 0xA000000C symbolic link: 3)\n"
std::string ntfs_summary_text(const NtfsTotals& totals);
// Adds reparsePoints and otherReparseTags ({"0xA000000C": 3}) to the summary.
void add_ntfs_summary_json(Json& inner, const NtfsTotals& totals);

}  // namespace stubmeta_cli
