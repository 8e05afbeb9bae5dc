// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "ntfs_scan_run.h"

#include <chrono>
#include <exception>

#include "../scan_stop.h"

namespace stubmeta_cli {

int run_ntfs_scan(const NtfsScanOptions& options, const ReportOptions& reportOptions,
                  ProgressChoice progressChoice) {
    const auto start = std::chrono::steady_clock::now();
    ReportOptions withColumns = reportOptions;
    withColumns.ntfs = true;
    ScanStop stop;
    ScanCounters counters;
    ScanProgress progress(counters, progress_style(progressChoice));
    ScanReport report(withColumns, progress);
    try {
        report.begin();
        scan_ntfs_images(options, report, counters, stop);
    } catch (...) {
        stop.fail(std::current_exception());
    }
    progress.stop();
    stop.rethrow_failure();
    if (ScanStop::interrupted())
        report.flush_rows();
    stop.end_if_stopped();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int status = report.finish(counters.filesExamined.load(), elapsed);
    stop.end_if_stopped();
    return status;
}

}  // namespace stubmeta_cli
