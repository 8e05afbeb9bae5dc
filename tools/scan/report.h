/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// What scan prints, as it finds it: a row per stub, every unreadable entry
// once, and the summary last.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "scan/examine.h"
#include "scan/output.h"
#include "scan/progress.h"
#include "scan/stop.h"

namespace stubmeta_cli {

struct ReportOptions {
    std::string format = "text";  // text, json or csv
    bool print0 = false;          // the paths alone, NUL-terminated, no summary
    std::string state;            // keep only "ok" or "damaged" rows, or all
    bool sort = false;            // rows in path order, at the end
    bool ntfs = false;            // rows of NTFS volumes: their columns and reparse totals
};

// Rows are printed the moment a reader finds them, whole lines only, and
// pushed out at once unless standard output is a regular file (a reader
// of a pipe or a terminal sees each as it comes).  With sort, rows and
// messages are kept until the end, sorted by path: memory then grows with
// the stubs found.  Every member may be called from any thread.
class ScanReport {
public:
    ScanReport(const ReportOptions& options, ScanProgress& progress);

    // Prints what comes before the rows (the CSV header).  Throws ToolError
    // when standard output refuses it, as every printing member does.
    void begin();
    // Counts the row in the summary and prints it unless --state drops it.
    void add_row(const ScanRow& row);
    // Counts a reparse point holding no stub that is not listed.
    void count_other_reparse(std::uint32_t tag);
    // Prints "path: cause" on stderr.
    void add_unreadable(const std::string& message);

    // Prints what sorting held back and pushes every row out.
    void flush_rows();
    // Prints the summary; returns the exit status.
    int finish(std::uint64_t filesExamined, double elapsedSeconds);

private:
    std::string line_of(const ScanRow& row) const;
    void print_line(const std::string& line);

    const ReportOptions& options_;
    ScanProgress& progress_;
    const bool rowsOnTerminal_;  // rows and progress share the screen
    const bool flushEachRow_;
    std::mutex mutex_;
    ScanSummary summary_;
    std::vector<ScanRow> sortedRows_;
    std::vector<std::string> sortedMessages_;
};

// How every scan ends once its threads have: the failure that stopped it
// rethrown; on SIGINT the rows found so far printed; the process ended as
// a signal or a closed pipe would have ended it; else the summary, which
// a signal during it still cuts short.  Returns the scan's exit status.
int end_scan(ScanStop& stop, ScanReport& report, std::uint64_t filesExamined,
             std::chrono::steady_clock::time_point start);

}  // namespace stubmeta_cli
