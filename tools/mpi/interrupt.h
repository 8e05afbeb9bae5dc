/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Ending an interrupted MPI scan or edit so that it reads as one: a run cut
// short must not pass for one that found a damaged stub.
#pragma once

namespace stubmeta_cli {

// From now on SIGINT and SIGTERM end the process by that signal, as they
// would have, after the process that says so (process 0) has written on
// standard error that the scan (the edit, with edit) was interrupted and
// is incomplete.  mpirun turns a SIGINT it gets itself into a SIGTERM to
// every process and then exits with status 1 whatever they do; a signal
// sent to the processes alone ends the job with the signal's status (130
// for SIGINT).
void end_on_interrupt(bool saysSo, bool edit);

// Called with true before a file is edited and false after: a signal that
// comes meanwhile ends the process only once the file is done, so that
// no temporary file is left and the journal matches the files.
void finish_file_before_interrupt(bool inHand);

}  // namespace stubmeta_cli
