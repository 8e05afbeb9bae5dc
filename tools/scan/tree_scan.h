/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// stubmeta scan over directory trees on this host: the calling thread walks
// the trees and hands batches of files through a bounded queue to reader
// threads, which examine them and report rows as they find them.
#pragma once

#include "scan/command_line.h"
#include "scan/progress.h"

namespace stubmeta_cli {

struct TreeScanOptions : ScanCommandLine {
    unsigned jobs = 0;  // reader threads; 0: as many as the hardware runs
    ProgressChoice progress = ProgressChoice::Auto;
};

// Scans every root (the paths, or the --files0-from list), prints the rows
// and the summary, and returns the exit status: 0, 1 when a stub is
// damaged, 2 when an entry could not be read.  SIGINT ends it early with
// every row found so far printed whole.
int run_tree_scan(const TreeScanOptions& options);

}  // namespace stubmeta_cli
