// Writing a record as a stub file, after checking it reads back the same.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "stubmeta.h"

namespace stubmeta_cli {

struct OutputOptions {
    std::string output;       // -o
    bool force = false;       // replace an existing file, write a refused record
    bool withHeader = false;  // NTFS: write the 24-byte reparse header
};

// Adds -o (required), --force and --with-header to a command.
void add_output_options(CLI::App& command, OutputOptions& options);

// Renders record as type, checks that it reads back the same, and writes it
// to options.output through a temporary file.  A record that would not read
// back is refused (ToolError, status 1) unless options.force, which writes
// it and warns on stderr.
void write_checked_stub(const ReparseData& record, StubType type, const OutputOptions& options);

}  // namespace stubmeta_cli
