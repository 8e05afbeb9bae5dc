// stubmeta: inspect, scan, verify, create, convert, wrap and unwrap the
// metadata of archived-file stubs.
#include <cstdio>
#include <exception>
#include <vector>

#include <CLI/CLI.hpp>

#include "command_options.h"
#include "commands.h"
#include "tool_status.h"

using namespace stubmeta_cli;

namespace {

// Usage errors are one line, like every other error.
std::string usage_failure(const CLI::App* app, const CLI::Error& error) {
    std::string name = app->get_name();
    for (const CLI::App* parent = app->get_parent(); parent != nullptr;
         parent = parent->get_parent())
        name.insert(0, parent->get_name() + " ");
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

int run_tool(int argc, char** argv) {
    CLI::App app{"Inspect, scan, verify, create, convert, wrap and unwrap the metadata "
                 "of archived-file stubs.",
                 "stubmeta"};
    app.set_version_flag("--version", "stubmeta " STUBMETA_TOOL_VERSION);
    app.require_subcommand(1);
    app.footer(std::string(kToolFooter) + exit_status_help());
    app.failure_message(usage_failure);

    std::vector<Command> commands{
        add_types_command(app),  add_inspect_command(app), add_scan_command(app),
        add_verify_command(app), add_create_command(app),  add_convert_command(app),
        add_wrap_command(app),   add_unwrap_command(app),
    };
    for (Command& command : commands)
        command.app->failure_message(usage_failure);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? kExitOk : kExitUsageOrIo;
    }
    try {
        for (Command& command : commands) {
            if (command.app->parsed()) {
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
        return run_tool(argc, argv);
    } catch (...) {
        // Setting up the command line itself failed (out of memory).
        print_error("stubmeta: cannot start: out of memory or an internal error");
        return kExitUsageOrIo;
    }
}
