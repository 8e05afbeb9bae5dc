/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Shell completion generated from the command line's own definitions, so
// it names exactly the commands and options the tool accepts.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "commands/commands.h"

namespace stubmeta_cli {

// A bash completion script for app: its commands, each command's options,
// and files for everything else.
std::string bash_completion(const CLI::App& app);

// Adds the unlisted command "completion bash", which prints that script.
Command add_completion_command(CLI::App& app);

}  // namespace stubmeta_cli
