// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta undo: put back what edit journaled.
#include <memory>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/options.h"
#include "edit/undo.h"

namespace stubmeta_cli {

Command add_undo_command(CLI::App& app) {
    auto journals = std::make_shared<std::vector<std::string>>();
    CLI::App* command =
        app.add_subcommand("undo", "Put back the stubs an edit changed, from its journal");
    command->add_option("JOURNAL", *journals, "Journals written by edit --journal")->required();
    command->footer(
        "Every file a journal records, from the last record to the first, that still holds\n"
        "what edit wrote gets its old content back with the identity it had; any other is\n"
        "reported and left alone (exit 1), and one already holding its old content is\n"
        "passed over, so undo can be interrupted and run again.  Each file's directory must\n"
        "be the one edited, and the file is opened in it without following links.  A record\n"
        "a crash cut short at a journal's end is ignored.\n\n"
        "Examples:\n"
        "  stubmeta undo j.log\n"
        "  stubmeta undo j.log.0 j.log.1\n\n" +
        exit_status_help());
    return {command, [journals] { return run_undo(*journals); }};
}

}  // namespace stubmeta_cli
