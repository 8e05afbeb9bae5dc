// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/command_line.h"

#include <optional>
#include <sstream>

#include "stub/type_names.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// --no-preserve=LIST: the identity the new stubs need not keep.
Preservation preservation(const std::string& notPreserved, const std::string& command) {
    Preservation keep;
    std::istringstream items(notPreserved == "true" ? std::string("all") : notPreserved);
    std::string item;
    while (std::getline(items, item, ',')) {
        keep.mode = keep.mode && item != "mode" && item != "all";
        keep.ownership = keep.ownership && item != "ownership" && item != "all";
        keep.timestamps = keep.timestamps && item != "timestamps" && item != "all";
        keep.xattr = keep.xattr && item != "xattr" && item != "all";
        if (item != "mode" && item != "ownership" && item != "timestamps" && item != "xattr" &&
            item != "all")
            throw ToolError(kExitUsageOrIo,
                            std::string(command)
                                .append(": --no-preserve: unknown attribute \"")
                                .append(item)
                                .append("\" (mode, ownership, timestamps, xattr or all)"));
    }
    return keep;
}

EditRequest edit_request(const EditCommandLine& options, const std::string& command) {
    EditRequest request;
    for (const std::string& test : options.where)
        request.where.push_back(parse_field_test("--where", test));
    for (const std::string& name : options.types) {
        const std::optional<StubType> type = parse_type(name);
        if (!type)
            throw ToolError(kExitUsageOrIo, "stubmeta: --type: unknown stub type \"" + name +
                                                "\" (see stubmeta types)");
        request.types.push_back(*type);
    }
    for (const std::string& assignment : options.set)
        request.set.push_back(parse_field_test("--set", assignment));
    for (std::size_t i = 0; i + 2 < options.prefixes.size(); i += 3)
        request.prefixes.push_back(parse_prefix_change(options.prefixes[i], options.prefixes[i + 1],
                                                       options.prefixes[i + 2]));
    if (request.set.empty() && request.prefixes.empty())
        throw ToolError(kExitUsageOrIo,
                        command + ": give --set FIELD=VALUE or --replace-prefix FIELD OLD NEW");
    return request;
}

}  // namespace

void add_edit_change_options(CLI::App& command, EditCommandLine& options) {
    command
        .add_option("--where", options.where,
                    "Edit only stubs whose FIELD holds VALUE (repeatable: all must hold)")
        ->type_name("FIELD=VALUE")
        ->allow_extra_args(false);
    command.add_option("--type", options.types, "Edit only stubs of this type (repeatable)")
        ->type_name("N")
        ->allow_extra_args(false);
    command.add_option("--set", options.set, "Set FIELD to VALUE, as create --set (repeatable)")
        ->type_name("FIELD=VALUE")
        ->allow_extra_args(false);
    command
        .add_option("--replace-prefix", options.prefixes,
                    "A text FIELD starting with OLD gets NEW in its place (repeatable)")
        ->type_name("FIELD OLD NEW")
        ->expected(3)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void add_edit_attribute_options(CLI::App& command, EditCommandLine& options) {
    add_attribute_options(command, options.tree.xattr, options.tree.attribute,
                          "Change each file's reparse-data attribute instead of its content");
}

void add_edit_output_options(CLI::App& command, EditCommandLine& options) {
    command.add_flag("--dry-run", options.dryRun, "Print what would change; write nothing");
    command
        .add_option("--journal", options.journal,
                    "Append a record of every replacement to FILE, synced before it (for undo)")
        ->type_name("FILE");
    command.add_option("--format", options.format, "Output format: text, json (JSON Lines) or csv")
        ->check(CLI::IsMember({"text", "json", "csv"}))
        ->default_str("text");
    command
        .add_flag("--no-preserve", options.notPreserved,
                  "Accept the loss of these attributes of the replaced stubs (--no-preserve=LIST: "
                  "mode, ownership, timestamps, xattr or all)")
        ->type_name("LIST");
}

FileEditOptions file_edit_options(const EditCommandLine& options, const std::string& command) {
    FileEditOptions edit;
    edit.request = edit_request(options, command);
    edit.followSymlinks = options.tree.walk.followSymlinks;
    edit.dryRun = options.dryRun;
    edit.xattr = options.tree.xattr;
    edit.attribute = options.tree.attribute;
    edit.preserve = preservation(options.notPreserved, command);
    return edit;
}

}  // namespace stubmeta_cli
