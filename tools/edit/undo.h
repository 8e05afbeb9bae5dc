/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// stubmeta undo: putting back what edit journals say it replaced.
#pragma once

#include <string>
#include <vector>

namespace stubmeta_cli {

// Walks each journal's records from the last to the first and gives every
// file still holding the new content its old content back, with the
// identity it had.  A file's directory is opened by its path and must be
// the directory edited (the same device and inode), and the file is
// opened in it without following a link, so a directory swapped for a
// link since cannot lead the restoration elsewhere.  A file holding
// anything else is reported and left alone; one already holding its old
// content is counted and passed over, so undo can run again after an
// interruption.  SIGINT and SIGTERM finish the file in hand and end the
// process as the signal would.  Returns 0, 1 when a file was left alone,
// 2 after an I/O error.
int run_undo(const std::vector<std::string>& journals);

}  // namespace stubmeta_cli
