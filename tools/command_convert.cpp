// stubmeta convert: parse a stub and write it again as another type.
#include <memory>

#include "command_options.h"
#include "commands.h"
#include "stub_output.h"
#include "tool_status.h"

namespace stubmeta_cli {
namespace {

struct ConvertOptions {
    std::string file;
    std::string to;
    MatchOptions match;
    InputOptions input;
    OutputOptions output;
};

int run_convert(const ConvertOptions& options) {
    const StubType target = type_option("--to", options.to);
    const MatchRequest request = match_request(options.match);
    const PaddedBuffer stub = read_input(options.file, options.input);
    std::optional<Detection> detection = detect_stub(stub, request);
    if (!detection)
        throw ToolError(kExitRefused, options.file + ": " + not_a_stub_message(request));
    write_checked_stub(detection->record, target, options.output);
    return kExitOk;
}

}  // namespace

Command add_convert_command(CLI::App& app) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* command =
        app.add_subcommand("convert", "Parse a stub and rewrite it as another type");
    command->add_option("FILE", options->file, "The stub to read")->required();
    command->add_option("--to", options->to, "The stub type to write (see stubmeta types)")
        ->required();
    add_match_options(*command, options->match);
    add_input_options(*command, options->input);
    add_output_options(*command, options->output);
    command->footer(
        "The fields the target layout carries are written; the stub is refused when it would\n"
        "not read back the same (--force writes it anyway).\n\n"
        "Examples:\n"
        "  stubmeta convert --as celerra --to dmnas examples/stubs/celerra.stub -o d.stub\n"
        "  stubmeta convert --to 6 examples/stubs/unix-layout3.stub -o big-endian.stub\n\n" +
        exit_status_help());
    return {command, [options] { return run_convert(*options); }};
}

}  // namespace stubmeta_cli
