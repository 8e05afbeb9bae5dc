/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Scanning NTFS volumes for stubs: every MFT record in order, every
// reparse point judged, a row for each stub.
#pragma once

#include <string>
#include <vector>

#include "scan/progress.h"
#include "scan/report.h"
#include "scan/stop.h"

namespace stubmeta_cli {

struct NtfsScanOptions {
    std::vector<std::string> images;
    bool allReparse = false;  // list reparse points holding no stub too
};

// Scans each image in turn into report, counting in counters the files
// examined (MFT records in use, extension records aside) and the stubs.  A record that cannot be
// read is reported once, with its number and the cause, and the scan
// goes on; an image that cannot be opened is reported and skipped.
// Stops between records when stop is requested.
void scan_ntfs_images(const NtfsScanOptions& options, ScanReport& report, ScanCounters& counters,
                      ScanStop& stop);

// True when the tool was built with NTFS volume support.
bool ntfs_support_built();

}  // namespace stubmeta_cli
