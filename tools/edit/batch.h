/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Editing the files of one batch the walk handed on, whoever drives the
// walk: the threads of stubmeta edit or a process of an MPI job.
#pragma once

#include <functional>
#include <string>

#include "edit/edit_file.h"
#include "edit/report.h"
#include "scan/progress.h"
#include "scan/walk.h"

namespace stubmeta_cli {

struct BatchEditor {
    const FileEditOptions& options;
    const std::string& workingDirectory;  // see working_directory()
    EditReport& report;
    ScanCounters& counters;
    std::function<bool()> stopRequested;  // true: leave the batch's other files alone
    // Called with true before each file is edited and false after: where
    // a signal ends the process, this lets the file in hand finish first.
    std::function<void(bool)> fileInHand;
};

// The current directory with a '/' at its end: what makes the journal's
// paths absolute.  When it cannot be read: "/" if no journal is kept
// (needed false), else ToolError (status 2), since a journal could not
// lead undo back to the files and the edit must not start.
std::string working_directory(bool needed);

// Edits every file of batch (its roots that are files, or the files of
// its directory), reporting each to editor.report, and syncs the
// directory once after them.
void edit_batch(const BatchEditor& editor, const FileBatch& batch);

}  // namespace stubmeta_cli
