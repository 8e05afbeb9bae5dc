/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// stubmeta-mpi scan: one scan spread over the processes of an MPI job (see
// mpi/distribute.h), each reading the files of the directories it lists
// as stubmeta scan does and sending process 0 the stubs it found.
#pragma once

#include "scan/command_line.h"
#include "scan/examine.h"

namespace stubmeta_cli {

// The command line of stubmeta scan, and how its files are read.
struct MpiScanOptions : ScanCommandLine {
    ExamineOptions inTrees;  // links inside trees followed only with --follow-symlinks
    ExamineOptions roots;    // roots named by the user: links followed
};

// This process's part of the scan; process 0 prints what every process
// found and returns the exit status, the others return 0.
int scan_in_job(const MpiScanOptions& options, int process, int processes);

}  // namespace stubmeta_cli
