/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// stubmeta-mpi scan: one scan spread over the processes of an MPI job.
//
// Process 0 keeps the queue of directories still to be listed.  Every
// process, 0 included, lists directories and reads their files.  The
// others ask process 0 for work and get a batch of directories; when they
// have listed them they send back, in one message, the subdirectories they
// found (which join the queue), the stubs, the unreadable entries and the
// count of files examined, and ask again.  Process 0 prints every row and
// message as it arrives and the summary last.
//
// Termination: the scan ends when the queue is empty, no root is left to
// read, and every other process has asked for work since it was last given
// some.  A process hands back its subdirectories in the same message that
// asks for more, so at that point no directory is waiting anywhere.
#pragma once

#include <string>
#include <vector>

#include "scan/command_line.h"
#include "scan/examine.h"
#include "scan/report.h"
#include "scan/walk.h"

namespace stubmeta_cli {

// The command line of stubmeta scan, and how its files are read.
struct MpiScanOptions : ScanCommandLine {
    ExamineOptions inTrees;  // links inside trees followed only with --follow-symlinks
    ExamineOptions roots;    // roots named by the user: links followed
};

// Process 0's part: hands out the directories, lists some itself, prints
// what every process found.  Returns the exit status of the scan.
int coordinate_scan(const MpiScanOptions& options, int processes);

// Every other process's part: lists what process 0 hands out until it
// says the scan is over.
void take_part_in_scan(const MpiScanOptions& options);

}  // namespace stubmeta_cli
