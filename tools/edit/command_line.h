/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The options of an edit that stubmeta edit and stubmeta-mpi edit share:
// what to change, in which stubs, and how the result is kept and shown.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "edit/edit_file.h"
#include "scan/command_line.h"

namespace stubmeta_cli {

struct EditCommandLine {
    ScanCommandLine tree;  // PATH, --files0-from, the walk's options, --xattr
    std::vector<std::string> where;
    std::vector<std::string> types;
    std::vector<std::string> set;
    std::vector<std::string> prefixes;  // FIELD OLD NEW, three by three
    bool dryRun = false;
    std::string journal;
    std::string format = "text";
    std::string notPreserved;
};

// --where, --type, --set and --replace-prefix.
void add_edit_change_options(CLI::App& command, EditCommandLine& options);
// --xattr and --attribute, about the stub changed.
void add_edit_attribute_options(CLI::App& command, EditCommandLine& options);
// --dry-run, --journal, --format and --no-preserve.
void add_edit_output_options(CLI::App& command, EditCommandLine& options);

// The edit the options ask for (its journal left to the caller).  Throws
// ToolError (status 2), its message after command ("stubmeta edit"), for
// a value that means nothing or an edit that changes nothing.
FileEditOptions file_edit_options(const EditCommandLine& options, const std::string& command);

}  // namespace stubmeta_cli
