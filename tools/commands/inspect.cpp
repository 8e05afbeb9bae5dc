// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta inspect: the type and every field of each stub file.
#include <memory>
#include <string>
#include <string_view>

#include "commands/options.h"
#include "support/console.h"
#include "commands/commands.h"
#include "record/json.h"
#include "record/text.h"
#include "stub/verdict.h"
#include "support/tool_status.h"

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
            const Verdict verdict = judge_input(path, options.input, request);
            if (verdict.state == StubState::Ok) {
                const Detection& detection = verdict.detection;
                if (json) {
                    write_line(json_line(detection_to_json(path, detection)));
                } else {
                    if (!first)
                        write_out("\n");
                    write_out(detection_to_text(path, detection, verdict.foundBy,
                                                request.mode == MatchRequest::Mode::FirstMatch &&
                                                    !detection.envelope));
                    first = false;
                }
                flush_out();
                continue;
            }
            cause = verdict_problem(verdict);
            fileStatus = kExitRefused;
        } catch (const OutputLost&) {
            throw;
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
    add_file_report_format(*command, options->format);
    add_match_options(*command, options->match);
    add_input_options(*command, options->input);
    add_ntfs_input_option(*command, options->input);
    command->footer(
        "Without --as or --family the file's opening decides, as for scan and verify: an\n"
        "envelope (Unix, 6 or 7), a QZSTUB: first line (DMNas 4, else CSVFS 2) or a reparse\n"
        "header whose length counts the rest (NTFS 1, else CSVFS 2).  A bare text has none:\n"
        "name its type with --as or --family, or try the library's order with --first-match.\n\n"
        "Examples:\n"
        "  stubmeta inspect examples/stubs/dmnas.stub\n"
        "  stubmeta inspect --as celerra examples/stubs/celerra.stub\n"
        "  stubmeta inspect - < examples/stubs/unix-layout2.stub\n"
        "  stubmeta inspect --no-header examples/stubs/ntfs-text.stub\n"
        "  stubmeta inspect --xattr /mnt/ntfs/archived.doc\n"
        "  stubmeta inspect --format json examples/stubs/*.stub | jq .type\n\n" +
        exit_status_help());
    return {command, [options] { return run_inspect(*options); }};
}

}  // namespace stubmeta_cli
