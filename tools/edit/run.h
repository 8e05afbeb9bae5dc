/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// stubmeta edit over directory trees on this host: the calling thread
// walks the trees as scan does, worker threads edit the files it hands on.
#pragma once

#include <string>
#include <vector>

#include "edit/edit_file.h"
#include "scan/progress.h"
#include "scan/walk.h"

namespace stubmeta_cli {

struct EditRunOptions {
    std::vector<std::string> paths;
    std::string files0From;  // a NUL-separated list of roots instead, "-" for stdin
    WalkOptions walk;
    FileEditOptions edit;     // its journal is opened from journalPath
    std::string journalPath;  // none: no journal
    std::string format = "text";
    unsigned jobs = 0;  // 0: as many as the hardware runs
    ProgressChoice progress = ProgressChoice::Auto;
};

// Edits every stub under the roots, prints rows and the summary, and
// returns the exit status (see EditReport::finish).  SIGINT and SIGTERM
// let every file in hand finish, the journal whole, and then end the
// process as the signal would have.
int run_edit(const EditRunOptions& options);

}  // namespace stubmeta_cli
