// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta edit: change the stubs of whole trees that match, journaled.
#include <memory>
#include <string>

#include "commands/commands.h"
#include "commands/options.h"
#include "edit/command_line.h"
#include "edit/run.h"

namespace stubmeta_cli {
namespace {

struct EditCommandOptions {
    EditCommandLine line;
    unsigned jobs = 0;
    bool alwaysProgress = false;
    bool noProgress = false;
    MatchOptions match;
};

int run_edit_command(const EditCommandOptions& options) {
    EditRunOptions run;
    run.paths = options.line.tree.paths;
    run.files0From = options.line.tree.files0From;
    run.walk = options.line.tree.walk;
    run.edit = file_edit_options(options.line, "stubmeta edit");
    run.edit.match = match_request(options.match);
    run.journalPath = options.line.journal;
    run.format = options.line.format;
    run.jobs = options.jobs;
    run.progress = options.alwaysProgress ? ProgressChoice::On
                   : options.noProgress   ? ProgressChoice::Off
                                          : ProgressChoice::Auto;
    return run_edit(run);
}

void add_run_options(CLI::App& command, EditCommandOptions& options) {
    add_edit_output_options(command, options.line);
    command
        .add_option("-j,--jobs", options.jobs, "Threads editing files (default: the hardware's)")
        ->check(decimal_check(1, 1024));
    CLI::Option* progress =
        command.add_flag("--progress", options.alwaysProgress, "Show progress on stderr, always");
    command.add_flag("--no-progress", options.noProgress, "Never show progress")
        ->excludes(progress);
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
    "relative to its directory, and links inside the trees are not followed; --exclude\n"
    "and the other tree options are scan's (see stubmeta scan --help).  With --xattr the\n"
    "stub is each file's reparse-data attribute, set in place once it is found unchanged.\n\n"
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
    add_edit_change_options(*command, options->line);
    add_tree_options(*command, options->line.tree);
    add_match_options(*command, options->match);
    add_edit_attribute_options(*command, options->line);
    add_run_options(*command, *options);
    command->callback([options] { require_roots(options->line.tree); });
    command->footer(kEditFooter + exit_status_help());
    return {command, [options] { return run_edit_command(*options); }};
}

}  // namespace stubmeta_cli
