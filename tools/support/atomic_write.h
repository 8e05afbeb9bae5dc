/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Writing an output file whole or not at all, keeping the identity of the
// file it replaces.
#pragma once

#include <string>

#include "commands/file_output_options.h"

namespace stubmeta_cli {

// Writes bytes to options.output ("-": standard output).  The target is checked first (see
// resolve_output_target: devices, FIFOs, sockets, directories, dangling
// links and split hard links are refused; an existing file needs --force).
// The bytes go to a temporary file of mode 0600 beside the target, which
// gets the replaced file's identity (options.preserve) or a new file's
// mode, is synced, renamed into place, and the directory synced: readers
// never see a partial file.  The temporary file is removed on every
// failure and on every signal that ends the tool.  With --in-place an existing
// file is rewritten inside its own inode instead.  Attributes that cannot
// be kept are warnings on stderr; failures throw ToolError (status 1 for a
// refusal, 2 for an I/O error).
void write_output_file(const std::string& bytes, const FileOutputOptions& options);

}  // namespace stubmeta_cli
