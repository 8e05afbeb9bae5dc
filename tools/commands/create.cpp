// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta create: build a record from --set or JSON and write it as a stub.
#include <memory>
#include <string>

#include "commands/options.h"
#include "commands/commands.h"
#include "record/fields.h"
#include "record/json.h"
#include "stub/type_names.h"
#include "commands/file_output_options.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

struct CreateOptions {
    std::string type;
    std::vector<std::string> assignments;
    std::string fromJson;
    StubOutputOptions output;
};

// The largest JSON record accepted: every text full, escaped, is far less.
constexpr std::size_t kJsonLimit = 1 << 20;

JsonRecord record_from_file(const std::string& path) {
    const std::string content = read_small_file(path, kJsonLimit);
    return record_from_json_text(content, path == "-" ? "standard input" : path);
}

// Applies FIELD=VALUE; returns the field set (nothing for "type").
std::optional<Field> apply_assignment(ReparseData& record, const std::string& assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos)
        throw ToolError(kExitUsageOrIo, "stubmeta: --set " + assignment + ": expected FIELD=VALUE");
    const std::string name = assignment.substr(0, equals);
    const std::string value = assignment.substr(equals + 1);
    if (name == "type") {
        record.stubType = type_option("--set type", value);
        return std::nullopt;
    }
    std::optional<Field> field = field_by_name(name);
    if (!field)
        throw ToolError(kExitUsageOrIo, "stubmeta: --set " + name + ": not a field of the record");
    if (std::optional<std::string> cause = set_field_from_text(record, *field, value))
        throw ToolError(kExitUsageOrIo, "stubmeta: --set " + name + ": " + *cause);
    return field;
}

// The width the field names are folded to in the help.
constexpr std::size_t kHelpWidth = 80;

// --type, or else the JSON's "type"; the two must agree when both are given
// (4 and 5 name the same stub).
StubType type_to_write(const CreateOptions& options, const JsonRecord& given) {
    const StubType fromJson = given.record.stubType;  // 0: none given
    if (options.type.empty()) {
        if (fromJson == 0)
            throw ToolError(kExitUsageOrIo, "stubmeta create: give --type TYPE, or a JSON "
                                            "record holding \"type\" (see stubmeta create --help)");
        return fromJson;
    }
    const StubType type = type_option("--type", options.type);
    // A DMNas stub is read back as 4 whichever of 4 and 5 it was written as.
    if (fromJson != 0 && fromJson != type && !(is_dmnas_type(fromJson) && is_dmnas_type(type)))
        throw ToolError(kExitUsageOrIo, "stubmeta create: --type " + options.type + " is type " +
                                            std::to_string(type) + " " + type_name(type) +
                                            ", but the JSON record's \"type\" is " +
                                            std::to_string(fromJson) + " " + type_name(fromJson) +
                                            " (drop --type, or use convert to change the type)");
    return type;
}

int run_create(const CreateOptions& options) {
    if (options.assignments.empty() && options.fromJson.empty())
        throw ToolError(kExitUsageOrIo,
                        "stubmeta create: give --set FIELD=VALUE or --from-json FILE");
    if (!options.type.empty())
        static_cast<void>(type_option("--type", options.type));  // a bad --type before any read
    JsonRecord given = options.fromJson.empty() ? JsonRecord{} : record_from_file(options.fromJson);
    const StubType type = type_to_write(options, given);
    StubRequest request{given.record,    type, std::move(given.given), 0, {}, given.envelopeValue,
                        given.unixLayout};
    for (const std::string& assignment : options.assignments)
        if (std::optional<Field> field = apply_assignment(request.record, assignment))
            request.checked.push_back(*field);
    write_stub(request, options.output);
    return kExitOk;
}

}  // namespace

Command add_create_command(CLI::App& app) {
    auto options = std::make_shared<CreateOptions>();
    CLI::App* command =
        app.add_subcommand("create", "Build a record and write it as a stub of the given type");
    command->add_option("-t,--type", options->type,
                        "The stub type to write (see stubmeta types; default: the "
                        "--from-json record's \"type\")");
    command->add_option("--set", options->assignments,
                        "Set a record field, e.g. --set longText=/a/b (repeatable; applied after "
                        "--from-json)");
    command->add_option("--from-json", options->fromJson,
                        "Read the record from one JSON object as inspect --format json prints "
                        "it (- for standard input)");
    add_stub_output_options(*command, options->output, false);
    command->footer(
        "Fields are named as in the record:\n" + field_name_lines(kHelpWidth) +
        "and \"type\" (6 or 7) makes a Unix record's unixTextKind choose the layout.  Every\n"
        "field given must read back as given: a separator inside a text, a field the\n"
        "layout does not hold, a flag other than 0 or 1, a Unix longText beside a\n"
        "shortText are refused, naming the field and both values (--allow-differences\n"
        "writes anyway).\n"
        "A text in JSON is a string or {\"hex\": \"...\"} (any bytes).  Unix types 6 and 7\n"
        "store the checksum big- and little-endian; \"unix\" means this machine's order.\n\n" +
        file_output_help() +
        "\n"
        "Examples:\n"
        "  stubmeta create --type celerra --set common1=1 --set longText=/vol/a -o a.stub\n"
        "  stubmeta create --type ntfs --with-header --set longText='C:\\a' -o n.stub\n"
        "  stubmeta inspect --format json a.stub | jq '.longText = \"/vol/b\"' |\n"
        "    stubmeta create --from-json - -o b.stub\n\n" +
        exit_status_help());
    return {command, [options] { return run_create(*options); }};
}

}  // namespace stubmeta_cli
