// stubmeta inspect: the type and every field of each stub file.
#include <cstdio>
#include <memory>

#include "command_options.h"
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
                    std::printf("%s\n", json_line(detection_to_json(path, *detection)).c_str());
                } else {
                    std::printf("%s%s", first ? "" : "\n",
                                detection_to_text(path, *detection, request).c_str());
                    first = false;
                }
                std::fflush(stdout);
                continue;
            }
            cause = not_a_stub_message(request);
            fileStatus = kExitRefused;
        } catch (const ToolError& error) {
            // The message names the path already; keep its cause for JSON.
            cause = error.what();
            if (cause.compare(0, path.size() + 2, path + ": ") == 0)
                cause.erase(0, path.size() + 2);
            fileStatus = error.status();
        }
        print_error(path + ": " + cause);
        if (json) {
            std::printf("%s\n", json_line(error_to_json(path, cause)).c_str());
            std::fflush(stdout);
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
