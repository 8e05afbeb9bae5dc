/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// stubmeta-mpi edit: one edit spread over the processes of an MPI job (see
// mpi/distribute.h), each editing the files of the directories it lists as
// stubmeta edit does, journaling to a file of its own, and sending process
// 0 its rows, messages and counts.
#pragma once

#include "edit/command_line.h"
#include "edit/edit_file.h"

namespace stubmeta_cli {

struct MpiEditOptions {
    EditCommandLine line;  // its journal: FILE, each process writing FILE.RANK
    FileEditOptions edit;  // from line, once it is parsed
};

// This process's part of the edit; process 0 prints what every process
// did and returns the exit status, the others return 0.
int edit_in_job(const MpiEditOptions& options, int process, int processes);

}  // namespace stubmeta_cli
