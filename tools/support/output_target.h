/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Where an output really goes: the path named on the command line, or the
// regular file a symbolic link there leads to, checked before anything is
// written.
#pragma once

#include <optional>
#include <string>
#include <sys/stat.h>

#include "support/output_options.h"
#include "support/file_kind.h"

namespace stubmeta_cli {

struct OutputTarget {
    std::string path;                     // the file to create or replace, links resolved
    std::optional<struct stat> existing;  // what is there now, if anything
};

// Resolves options.output once and checks it may be written.  Refuses
// (ToolError, status 1), --force or not: a device, FIFO, socket or
// directory; a symbolic link that leads nowhere or to anything but a
// regular file; and, without --in-place, a file with other hard links.
// An existing regular file needs --force.  A path that cannot be examined
// is status 2.
OutputTarget resolve_output_target(const FileOutputOptions& options);

}  // namespace stubmeta_cli
