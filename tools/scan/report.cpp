// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/report.h"

#include <algorithm>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "support/console.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

bool standard_output_is_regular_file() {
    struct stat status {};
    return ::fstat(STDOUT_FILENO, &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

ScanReport::ScanReport(const ReportOptions& options, ScanProgress& progress)
    : options_(options), progress_(progress), rowsOnTerminal_(::isatty(STDOUT_FILENO) == 1),
      flushEachRow_(!standard_output_is_regular_file()) {
    if (options.ntfs)
        summary_.ntfs.emplace();
}

void ScanReport::begin() {
    if (options_.format == "csv" && !options_.print0)
        print_line(csv_header(options_.ntfs) + "\n");
}

void ScanReport::add_row(const ScanRow& row) {
    // A reparse point holding no stub is neither ok nor damaged.
    const bool other = row.ntfs && row.ntfs->otherTag;
    const bool kept =
        options_.state.empty() || (!other && (options_.state == "damaged") == row.damaged);
    const std::string line = kept && !options_.sort ? line_of(row) : std::string();
    const std::lock_guard<std::mutex> lock(mutex_);
    count_row(summary_, row);
    if (!kept)
        return;
    if (options_.sort)
        sortedRows_.push_back(row);
    else
        print_line(line);
}

void ScanReport::count_other_reparse(std::uint32_t tag) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (summary_.ntfs) {
        ++summary_.ntfs->reparsePoints;
        ++summary_.ntfs->otherTags[tag];
    }
}

void ScanReport::add_unreadable(const std::string& message) {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++summary_.unreadable;
    if (options_.sort) {
        sortedMessages_.push_back(message);
        return;
    }
    // Rows already printed go before the message, on a terminal shared
    // with them.
    flush_out();
    progress_.while_paused([&message] { print_error(message); });
}

void ScanReport::flush_rows() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (options_.sort) {
        std::sort(sortedMessages_.begin(), sortedMessages_.end());
        std::sort(sortedRows_.begin(), sortedRows_.end(),
                  [](const ScanRow& a, const ScanRow& b) { return a.path < b.path; });
        flush_out();
        for (const std::string& message : sortedMessages_)
            print_error(message);
        for (const ScanRow& row : sortedRows_)
            write_out(line_of(row));
        sortedMessages_.clear();
        sortedRows_.clear();
    }
    flush_out();
}

int ScanReport::finish(std::uint64_t filesExamined, double elapsedSeconds) {
    flush_rows();
    const std::lock_guard<std::mutex> lock(mutex_);
    summary_.filesExamined = filesExamined;
    summary_.elapsedSeconds = elapsedSeconds;
    if (options_.print0) {
        // The paths alone on standard output, for xargs -0.
    } else if (options_.format == "json") {
        write_line(summary_json(summary_));
    } else if (options_.format == "csv") {
        write_error_text(summary_text(summary_));
    } else {
        write_out("\n");
        write_out(summary_text(summary_));
    }
    flush_out();
    if (summary_.unreadable != 0)
        return kExitUsageOrIo;
    return summary_.damaged != 0 ? kExitRefused : kExitOk;
}

std::string ScanReport::line_of(const ScanRow& row) const {
    if (options_.print0)
        return std::string(row.path.c_str(), row.path.size() + 1);
    const std::string line = options_.format == "json"  ? row_json(row)
                             : options_.format == "csv" ? row_csv(row)
                                                        : row_text(row);
    return line + "\n";
}

// With mutex_ held.
void ScanReport::print_line(const std::string& line) {
    const auto write = [this, &line] {
        write_out(line);
        if (flushEachRow_)
            flush_out();
    };
    if (rowsOnTerminal_)
        progress_.while_paused(write);
    else
        write();
}

int end_scan(ScanStop& stop, ScanReport& report, std::uint64_t filesExamined,
             std::chrono::steady_clock::time_point start) {
    stop.rethrow_failure();
    if (ScanStop::interrupted())
        report.flush_rows();
    stop.end_if_stopped();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int status = report.finish(filesExamined, elapsed);
    stop.end_if_stopped();
    return status;
}

}  // namespace stubmeta_cli
