/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// scan --ntfs: the stubs of NTFS volumes, printed as scan prints those of
// trees.
#pragma once

#include "scan/progress.h"
#include "scan/report.h"
#include "ntfs/scan.h"

namespace stubmeta_cli {

// Scans the images and prints rows and summary as report asks; returns
// the exit status (1 when a stub is damaged, 2 when a record, a reparse
// point or an image could not be read).
int run_ntfs_scan(const NtfsScanOptions& options, const ReportOptions& report,
                  ProgressChoice progress);

}  // namespace stubmeta_cli
