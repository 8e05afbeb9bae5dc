// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta types: every stub type number with its name.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "stub/type_names.h"
#include "commands/options.h"
#include "support/console.h"
#include "commands/commands.h"
#include "record/json.h"

namespace stubmeta_cli {
namespace {

struct TypesOptions {
    std::string format = "text";
};

std::string description(StubType type) {
    switch (type) {
    case 1:
        return "NTFS reparse data: a 24-byte reparse header, then the text";
    case 2:
        return "the same on a cluster shared volume, text opening with QZSTUB:";
    case 3:
        return "a Celerra server's stub text";
    case 4:
        return "a DMNas stub file: a QZSTUB: line, a field line and a banner";
    case 5:
        return "a second number for 4; a DMNas parse records 4";
    case 6:
        return "a Unix stub file, envelope checksum stored big-endian (or a bare text)";
    case 7:
        return "a Unix stub file, envelope checksum stored little-endian";
    default:
        return "";
    }
}

// Appends text and the spaces that fill it out to width columns.
void append_padded(std::string& line, std::string_view text, std::size_t width) {
    line += text;
    if (text.size() < width)
        line.append(width - text.size(), ' ');
}

int run_types(const TypesOptions& options) {
    for (StubType type = 1; type <= 7; ++type) {
        const std::string name = type_name(type);
        const std::string alias = short_type_name(type);
        if (options.format == "json") {
            Json object;
            object["type"] = type;
            object["typeName"] = name;
            object["alias"] = alias;
            object["description"] = description(type);
            write_line(json_line(object));
        } else {
            std::string line = std::to_string(type) + "  ";
            append_padded(line, name, 20);
            line += ' ';
            append_padded(line, alias, 8);
            line += ' ';
            line += description(type);
            write_line(line);
        }
    }
    return 0;
}

}  // namespace

Command add_types_command(CLI::App& app) {
    auto options = std::make_shared<TypesOptions>();
    CLI::App* command = app.add_subcommand("types", "List every stub type number with its name");
    command->add_option("--format", options->format, "Output format")
        ->check(CLI::IsMember({"text", "json"}))
        ->default_str("text");
    command->footer("Examples:\n  stubmeta types\n  stubmeta types --format json\n\n" +
                    exit_status_help());
    return {command, [options] { return run_types(*options); }};
}

}  // namespace stubmeta_cli
