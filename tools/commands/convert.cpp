// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta convert: parse a stub and write it again as another type.
#include <memory>

#include "commands/options.h"
#include "support/printable.h"
#include "stub/type_names.h"
#include "commands/commands.h"
#include "record/fields.h"
#include "commands/file_output_options.h"
#include "stub/verdict.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

struct ConvertOptions {
    std::string file;
    std::string to;
    MatchOptions match;
    InputOptions input;
    StubOutputOptions output;
};

int run_convert(const ConvertOptions& options) {
    const StubType target = type_option("--to", options.to);
    const MatchRequest match = match_request(options.match);
    const Verdict verdict = judge_input(options.file, options.input, match);
    if (verdict.state != StubState::Ok)
        throw ToolError(kExitRefused, printable(options.file) + ": " + verdict_problem(verdict));
    const Detection* detection = &verdict.detection;
    const ReparseData& record = detection->record;
    StubRequest request{record, target, {}, record.stubType, options.file, std::nullopt};
    for (Field field : layout_fields(record, record.stubType))
        if (field != field_named("unixTextKind") || is_unix_type(target))
            request.checked.push_back(field);
    if (detection->envelope)
        request.envelopeValue = detection->envelope->value;
    request.unixLayout = detection->unixLayout;
    write_stub(request, options.output);
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
    add_stub_output_options(*command, options->output, true);
    command->footer(
        "A field holding a text or a number other than 0 that the target layout cannot hold\n"
        "is named and the conversion refused (--drop-fields converts anyway); a stub that\n"
        "would not read back the same is refused (--allow-differences writes it anyway).\n"
        "--dry-run shows the stub and the fields dropped without writing.\n\n" +
        file_output_help() +
        "\n"
        "Examples:\n"
        "  stubmeta convert --as celerra --to dmnas examples/stubs/celerra.stub -o d.stub\n"
        "  stubmeta convert --to 6 examples/stubs/unix-layout3.stub -o big-endian.stub\n\n" +
        exit_status_help());
    return {command, [options] { return run_convert(*options); }};
}

}  // namespace stubmeta_cli
