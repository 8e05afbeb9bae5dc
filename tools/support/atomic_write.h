/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Writing an output file whole or not at all, keeping the identity of the
// file it replaces.
#pragma once

#include <string>

#include "support/output_options.h"

namespace stubmeta_cli {

// Writes bytes to options.output ("-": standard output).  The target is checked first (see
// resolve_output_target: devices, FIFOs, sockets, directories, dangling
// links and split hard links are refused; an existing file needs --force).
// The bytes go to a temporary file beside the target, which gets the
// replaced file's identity (options.preserve) or, for a new file, the
// permissions any new file there gets (umask, default ACL); it is synced,
// moved into place, and the directory synced: readers never see a partial
// file.  All or nothing: a part of the identity that cannot be kept
// abandons the replacement, leaving the target as it was.  The temporary
// file is removed on every failure and on the signals that end the tool.
// With --in-place an existing file is rewritten inside its own inode
// instead.  Failures throw ToolError (status 1 for a refusal, 2 for an I/O
// error or an identity that cannot be kept).
void write_output_file(const std::string& bytes, const FileOutputOptions& options);

}  // namespace stubmeta_cli
