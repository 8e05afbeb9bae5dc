/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// What scan prints: one row per stub and a summary.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "scan/examine.h"

namespace stubmeta_cli {

struct ScanSummary {
    std::uint64_t filesExamined = 0;
    std::uint64_t stubs = 0;
    std::map<StubType, std::uint64_t> stubsByType;  // 0: damaged, byte order unknown
    std::uint64_t damaged = 0;
    std::uint64_t unreadable = 0;
    std::uint64_t apparentSize = 0;   // the stubs' st_size, summed
    std::uint64_t allocatedSize = 0;  // the stubs' st_blocks * 512, summed
    double elapsedSeconds = 0;
    std::optional<NtfsTotals> ntfs;  // an NTFS volume scan's reparse points
};

// Adds a row found to the totals (every row, before any --state filter),
// so that a scan keeps the totals, not the rows.  A reparse point holding
// no stub counts only among the reparse points.
void count_row(ScanSummary& summary, const ScanRow& row);

// "path  7 UNIX_LITTLEENDIAN  ok  common1=1 number2=9 text=\"/a/b\""
std::string row_text(const ScanRow& row);
// One JSON Lines object.
std::string row_json(const ScanRow& row);
// The CSV header line and one CSV record (RFC 4180 quoting).
std::string csv_header(bool ntfs = false);
std::string row_csv(const ScanRow& row);

// The summary as text lines, or as one JSON object {"summary": {...}}.
std::string summary_text(const ScanSummary& summary);
std::string summary_json(const ScanSummary& summary);

}  // namespace stubmeta_cli
