// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta edit: change the stubs of whole trees that match, journaled.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/options.h"
#include "edit/run.h"
#include "scan/command_line.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

struct EditCommandOptions {
    ScanCommandLine tree;  // PATH, --files0-from and the walk's options
    std::vector<std::string> where;
    std::vector<std::string> types;
    std::vector<std::string> set;
    std::vector<std::string> prefixes;  // FIELD OLD NEW, three by three
    bool dryRun = false;
    std::string journal;
    std::string format = "text";
    unsigned jobs = 0;
    bool alwaysProgress = false;
    bool noProgress = false;
    std::string notPreserved;
    MatchOptions match;
};

// --no-preserve=LIST: the identity the new stubs need not keep.
Preservation preservation(const std::string& notPreserved) {
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
            throw ToolError(kExitUsageOrIo, "stubmeta edit: --no-preserve: unknown attribute \"" +
                                                item +
                                                "\" (mode, ownership, timestamps, xattr or all)");
    }
    return keep;
}

EditRequest edit_request(const EditCommandOptions& options) {
    EditRequest request;
    for (const std::string& test : options.where)
        request.where.push_back(parse_field_test("--where", test));
    for (const std::string& type : options.types)
        request.types.push_back(type_option("--type", type));
    for (const std::string& assignment : options.set)
        request.set.push_back(parse_field_test("--set", assignment));
    for (std::size_t i = 0; i + 2 < options.prefixes.size(); i += 3)
        request.prefixes.push_back(parse_prefix_change(options.prefixes[i], options.prefixes[i + 1],
                                                       options.prefixes[i + 2]));
    if (request.set.empty() && request.prefixes.empty())
        throw ToolError(kExitUsageOrIo,
                        "stubmeta edit: give --set FIELD=VALUE or --replace-prefix FIELD OLD NEW");
    return request;
}

int run_edit_command(const EditCommandOptions& options) {
    EditRunOptions run;
    run.paths = options.tree.paths;
    run.files0From = options.tree.files0From;
    run.walk = options.tree.walk;
    run.edit.request = edit_request(options);
    run.edit.match = match_request(options.match);
    run.edit.followSymlinks = options.tree.walk.followSymlinks;
    run.edit.dryRun = options.dryRun;
    run.edit.preserve = preservation(options.notPreserved);
    run.journalPath = options.journal;
    run.format = options.format;
    run.jobs = options.jobs;
    run.progress = options.alwaysProgress ? ProgressChoice::On
                   : options.noProgress   ? ProgressChoice::Off
                                          : ProgressChoice::Auto;
    return run_edit(run);
}

void add_change_options(CLI::App& command, EditCommandOptions& options) {
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

void add_run_options(CLI::App& command, EditCommandOptions& options) {
    command.add_flag("--dry-run", options.dryRun, "Print what would change; write nothing");
    command
        .add_option("--journal", options.journal,
                    "Append a record of every replacement to FILE, synced before it (for undo)")
        ->type_name("FILE");
    command.add_option("--format", options.format, "Output format: text, json (JSON Lines) or csv")
        ->check(CLI::IsMember({"text", "json", "csv"}))
        ->default_str("text");
    command
        .add_option("-j,--jobs", options.jobs, "Threads editing files (default: the hardware's)")
        ->check(decimal_check(1, 1024));
    CLI::Option* progress =
        command.add_flag("--progress", options.alwaysProgress, "Show progress on stderr, always");
    command.add_flag("--no-progress", options.noProgress, "Never show progress")
        ->excludes(progress);
    command
        .add_flag("--no-preserve", options.notPreserved,
                  "Accept the loss of these attributes of the replaced stubs (--no-preserve=LIST: "
                  "mode, ownership, timestamps, xattr or all)")
        ->type_name("LIST");
}

const char* const kEditFooter =
    "Every stub under the PATHs (walked as scan walks them) that is of a --type given and\n"
    "whose --where fields all hold is changed: --set first, then --replace-prefix.  A\n"
    "stub keeps its type, layout and every other field; one whose layout cannot hold a\n"
    "change, or that would not read back as changed, is skipped with one line (exit 1).\n"
    "Each changed stub is written to a temporary file beside it with the replaced file's\n"
    "owner, mode, times and attributes, synced, and exchanged with the stub only if the\n"
    "stub still holds what was read; one changed meanwhile is put back and counted as a\n"
    "lost update (exit 1).  A stub with other hard links is skipped.  Every file is opened\n"
    "relative to its directory, and links inside the trees are not followed.\n\n"
    "One row per field changed (path, field, old and new value), then the counts.  With\n"
    "--journal each replacement is recorded and synced first; stubmeta undo FILE puts\n"
    "back every stub that still holds what edit wrote.  Running the same edit again after\n"
    "an interruption or a crash finishes it.  SIGINT lets the stubs in hand finish.\n\n"
    "Examples:\n"
    "  stubmeta edit --where headText=dm01 --set headText=dm02 /srv/archive\n"
    "  stubmeta edit --replace-prefix longText /vol1/ /vol2/ --journal j.log /srv/archive\n"
    "  stubmeta edit --dry-run --type 6 --type 7 --set number1=5 /srv/archive\n"
    "  stubmeta undo j.log\n\n";

}  // namespace

Command add_edit_command(CLI::App& app) {
    auto options = std::make_shared<EditCommandOptions>();
    CLI::App* command =
        app.add_subcommand("edit", "Change the stubs of directory trees that match, journaled");
    add_change_options(*command, *options);
    add_tree_options(*command, options->tree);
    add_match_options(*command, options->match);
    add_run_options(*command, *options);
    command->callback([options] { require_roots(options->tree); });
    command->footer(kEditFooter + exit_status_help());
    return {command, [options] { return run_edit_command(*options); }};
}

}  // namespace stubmeta_cli
