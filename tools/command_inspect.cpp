// stubmeta inspect: the type and every field of each stub file.
#include <memory>
#include <string>
#include <string_view>

#include "command_options.h"
#include "console.h"
#include "commands.h"
#include "record_json.h"
#include "record_text.h"
#include "tool_status.h"

namespace stubmeta_cli {
namespace {

struct InspectOptions {
    std::vector<std::string> files;
    std::string format = "text";
    MatchOptions match;
    InputOptions input;
};

int run_inspect(const InspectOptions& options) {
    const MatchRequest request = match_request(options.match);
    const bool json = options.format == "json";
    int status = kExitOk;
    bool first = true;
    for (const std::string& path : options.files) {
        std::string cause;
        int fileStatus = kExitOk;
        try {
            const PaddedBuffer stub = read_input(path, options.input);
            if (std::optional<Detection> detection = detect_stub(stub, request)) {
                if (json) {
                    write_line(json_line(detection_to_json(path, *detection)));
                } else {
                    if (!first)
                        write_out("\n");
                    write_out(detection_to_text(path, *detection, request));
                    first = false;
                }
                flush_out();
                continue;
            }
            cause = not_a_stub_message(request);
            fileStatus = kExitRefused;
        } catch (const ToolError& error) {
            // The message names the path already; keep its cause for JSON.
            cause = error.what();
            const std::string_view message = cause;
            if (message.starts_with(path) && message.substr(path.size()).starts_with(": "))
                cause.erase(0, path.size() + 2);
            fileStatus = error.status();
        }
        std::string message = path;
        message += ": ";
        message += cause;
        print_error(message);
        if (json) {
            write_line(json_line(error_to_json(path, cause)));
            flush_out();
        }
        status = worse_status(status, fileStatus);
    }
    return status;
}

}  // namespace

Command add_inspect_command(CLI::App& app) {
    auto options = std::make_shared<InspectOptions>();
    CLI::App* command = app.add_subcommand(
        "inspect", "Detect each file's stub type and print every field its layout carries");
    command->add_option("FILE", options->files, "Stub files to read")->required();
    command->add_option("--format", options->format, "Output format: text, or json (JSON Lines)")
        ->check(CLI::IsMember({"text", "json"}))
        ->default_str("text");
    add_match_options(*command, options->match);
    add_input_options(*command, options->input);
    command->footer(
        "Without --as or --family the library's first match decides (types 6, 7, 1, 2, 3, 4):\n"
        "a bare Celerra or CSVFS text then comes back as Unix type 6, and the output says so.\n\n"
        "Examples:\n"
        "  stubmeta inspect examples/stubs/dmnas.stub\n"
        "  stubmeta inspect --as celerra examples/stubs/celerra.stub\n"
        "  stubmeta inspect --no-header examples/stubs/ntfs-text.stub\n"
        "  stubmeta inspect --xattr /mnt/ntfs/archived.doc\n"
        "  stubmeta inspect --format json examples/stubs/*.stub | jq .type\n\n" +
        exit_status_help());
    return {command, [options] { return run_inspect(*options); }};
}

}  // namespace stubmeta_cli
