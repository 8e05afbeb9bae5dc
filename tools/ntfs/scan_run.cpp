// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "ntfs/scan_run.h"

#include <chrono>
#include <exception>

#include "scan/stop.h"

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
    return end_scan(stop, report, counters.filesExamined.load(), start);
}

}  // namespace stubmeta_cli
