/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The tool's commands.  Each adds its subcommand and options to the
// application and returns how to run it once the command line is parsed.
#pragma once

#include <functional>

#include <CLI/CLI.hpp>

namespace stubmeta_cli {

struct Command {
    CLI::App* app;
    // Runs the command; returns the exit status or throws ToolError.
    std::function<int()> run;
};

Command add_types_command(CLI::App& app);
Command add_inspect_command(CLI::App& app);
Command add_verify_command(CLI::App& app);
Command add_scan_command(CLI::App& app);
Command add_create_command(CLI::App& app);
Command add_convert_command(CLI::App& app);
Command add_wrap_command(CLI::App& app);
Command add_unwrap_command(CLI::App& app);
Command add_edit_command(CLI::App& app);
Command add_undo_command(CLI::App& app);

}  // namespace stubmeta_cli
