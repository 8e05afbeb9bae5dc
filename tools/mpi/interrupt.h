/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Ending an interrupted MPI scan so that it reads as one: a scan cut short
// must not pass for one that found a damaged stub.
#pragma once

namespace stubmeta_cli {

// From now on SIGINT and SIGTERM end the process by that signal, as they
// would have, after the process that says so (process 0) has written on
// standard error that the scan was interrupted and is incomplete.  mpirun
// turns a SIGINT it gets itself into a SIGTERM to every process and then
// exits with status 1 whatever they do; a signal sent to the processes
// alone ends the job with the signal's status (130 for SIGINT).
void end_scan_on_interrupt(bool saysSo);

}  // namespace stubmeta_cli
