/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The command-line options that say how a command writes its output file
// (support/output_options.h) and, for the commands that write stubs, how
// the stub is written (record/file_output.h).
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "record/file_output.h"
#include "support/output_options.h"

namespace stubmeta_cli {

// Adds -o (required unless optional), --force, --in-place, --preserve and
// --no-preserve[=LIST] to a command.  forceHelp describes --force.
void add_file_output_options(CLI::App& command, FileOutputOptions& options, bool required,
                             const std::string& forceHelp);

// Adds -o, --force, --in-place, --preserve, --no-preserve, --with-header,
// --bare-text, --allow-differences and --dry-run to a command, and
// --drop-fields when allowDrop.
void add_stub_output_options(CLI::App& command, StubOutputOptions& options, bool allowDrop);

// The help text that explains how an existing output is treated.
std::string file_output_help();

}  // namespace stubmeta_cli
