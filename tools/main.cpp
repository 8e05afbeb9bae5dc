// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta: inspect, scan, verify, create, convert, wrap and unwrap the
// metadata of archived-file stubs.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "commands/options.h"
#include "support/console.h"
#include "commands/commands.h"
#include "commands/completion.h"
#include "support/tool_status.h"

using namespace stubmeta_cli;

namespace {

// "stubmeta inspect" for the inspect command.
std::string command_path(const CLI::App* app) {
    std::string name = app->get_name();
    for (const CLI::App* parent = app->get_parent(); parent != nullptr;
         parent = parent->get_parent())
        name.insert(0, parent->get_name() + " ");
    return name;
}

// Usage errors are one line, like every other error.
std::string usage_failure(const CLI::App* app, const CLI::Error& error) {
    const std::string name = command_path(app);
    std::string message = name;
    message += ": ";
    message += error.what();
    message += " (see ";
    message += name;
    message += " --help)\n";
    return message;
}

const char* const kToolFooter =
    "Examples:\n"
    "  stubmeta types\n"
    "  stubmeta inspect examples/stubs/unix-layout1.stub\n"
    "  stubmeta inspect --family nas --format json examples/stubs/celerra.stub\n"
    "  stubmeta scan --jobs 4 --state damaged /srv/archive\n"
    "  stubmeta verify examples/stubs/unix-damaged.stub\n"
    "  stubmeta create --type celerra --set common1=1 --set longText=/a/b -o a.stub\n"
    "  stubmeta convert --to unix --as celerra a.stub -o a.unix.stub\n"
    "  stubmeta wrap --value 4096 text.txt -o text.stub\n\n";

// An argument that looks like an option but is none, which CLI11 leaves
// over and may then report only as a missing argument.
std::optional<std::string> unknown_option(const CLI::App& app,
                                          const std::vector<Command>& commands) {
    const CLI::App* parsed = &app;
    for (const Command& command : commands)
        if (command.app->parsed())
            parsed = command.app;
    const std::vector<std::string> left = parsed->remaining(true);
    const auto option = std::find_if(left.begin(), left.end(), [](const std::string& argument) {
        return argument.size() > 1 && argument[0] == '-';
    });
    if (option != left.end()) {
        std::string message = command_path(parsed);
        message += ": unknown option ";
        message += *option;
        // The tool itself takes no file operands.
        if (parsed != &app) {
            message += " (a file of that name is ./";
            message += *option;
            message += ", or follows --)";
        } else {
            message += " (see stubmeta --help)";
        }
        return message;
    }
    if (parsed == &app && !left.empty())
        return "stubmeta: unknown command " + left.front() + " (see stubmeta --help)";
    return std::nullopt;
}

// "stubmeta help [COMMAND]" as "stubmeta [COMMAND] --help"; an unknown
// COMMAND is left for the parser to name.
std::vector<std::string> help_as_option(const CLI::App& app, int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments.front() != "help")
        return arguments;
    arguments.erase(arguments.begin());
    if (!arguments.empty() && arguments.front() == "help")  // help on help
        arguments.erase(arguments.begin());
    const auto names = [&arguments](const CLI::App* command) {
        return command->get_name() == arguments.front();
    };
    if (!arguments.empty() && arguments.front()[0] != '-' &&
        std::ranges::none_of(app.get_subcommands({}), names))
        return arguments;
    arguments.emplace_back("--help");
    return arguments;
}

// True when what CLI11 printed reached standard output; says why if not.
// errno is 0 before the printing, so a failure's cause is still there.
bool printed_whole() {
    std::cout.flush();
    const bool written = std::cout.good();
    const int cause = errno;
    if (std::fflush(stdout) == 0 && written)
        return true;
    const int error = errno != 0 ? errno : cause;
    print_error(std::string("stubmeta: cannot write the output: ") +
                (error != 0 ? std::strerror(error) : "write refused"));
    return false;
}

int run_tool(int argc, char** argv) {
    CLI::App app{"Inspect, scan, verify, create, convert, wrap and unwrap the metadata "
                 "of archived-file stubs.",
                 "stubmeta"};
    app.set_version_flag("-V,--version", "stubmeta " STUBMETA_TOOL_VERSION);
    app.require_subcommand(1);
    app.footer(std::string(kToolFooter) + exit_status_help());
    app.failure_message(usage_failure);

    std::vector<Command> commands{
        add_types_command(app),  add_inspect_command(app),    add_scan_command(app),
        add_verify_command(app), add_create_command(app),     add_convert_command(app),
        add_wrap_command(app),   add_unwrap_command(app),     add_edit_command(app),
        add_undo_command(app),   add_completion_command(app),
    };
    for (Command& command : commands)
        command.app->failure_message(usage_failure);

    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> arguments = help_as_option(app, argc, argv);
        std::reverse(arguments.begin(), arguments.end());
        app.parse(arguments);
    } catch (const CLI::ParseError& error) {
        if (std::optional<std::string> unknown = unknown_option(app, commands)) {
            print_error(*unknown);
            return kExitUsageOrIo;
        }
        // A usage error names the command it was made in, and points to
        // that command's help; help itself is printed as CLI11 chose.
        CLI::App* where = &app;
        if (error.get_exit_code() != 0)
            for (Command& command : commands)
                if (command.app->parsed())
                    where = command.app;
        errno = 0;
        const int status = where->exit(error);
        // --help and --version print on standard output: a full disk or a
        // closed pipe there is a failure like any other output's.
        if (!printed_whole())
            return kExitUsageOrIo;
        return status == 0 ? kExitOk : kExitUsageOrIo;
    }
    try {
        for (Command& command : commands) {
            if (command.app->parsed()) {
                set_error_prefix("stubmeta " + command.app->get_name());
                const int status = command.run();
                // What is still buffered must reach its file as well; a
                // failure here is a lost part of the output.
                flush_out();
                return status;
            }
        }
    } catch (const ToolError& error) {
        print_error(error.what());
        return error.status();
    } catch (const std::exception& error) {
        print_error(std::string("stubmeta: ") + error.what());
        return kExitUsageOrIo;
    }
    return kExitUsageOrIo;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const int status = run_tool(argc, argv);
        // A message that could not reach standard error still fails the run.
        return error_output_lost() ? kExitUsageOrIo : status;
    } catch (...) {
        // Setting up the command line itself failed (out of memory).
        print_error("stubmeta: cannot start: out of memory or an internal error");
        return kExitUsageOrIo;
    }
}
