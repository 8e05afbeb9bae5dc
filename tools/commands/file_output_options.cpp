// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "commands/file_output_options.h"

#include <sstream>

#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// Reads --preserve's list: mode, ownership, timestamps, xattr, all.
Preservation preservation_from_list(const std::string& list) {
    Preservation kept{false, false, false, false};
    std::istringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        if (item == "mode")
            kept.mode = true;
        else if (item == "ownership")
            kept.ownership = true;
        else if (item == "timestamps")
            kept.timestamps = true;
        else if (item == "xattr")
            kept.xattr = true;
        else if (item == "all")
            kept = Preservation{};
        else
            throw CLI::ValidationError("--preserve", "unknown attribute \"" + item +
                                                         "\" (mode, ownership, timestamps, "
                                                         "xattr or all)");
    }
    return kept;
}

}  // namespace

void add_file_output_options(CLI::App& command, FileOutputOptions& options, bool required,
                             const std::string& forceHelp) {
    CLI::Option* output = command.add_option("-o,--output", options.output,
                                             "The file to write (- for standard output; a "
                                             "symbolic link is written through to the file it "
                                             "leads to)");
    if (required)
        output->required();
    command.add_flag("--force", options.force, forceHelp);
    command.add_flag("--in-place", options.inPlace,
                     "Rewrite an existing file inside its own inode (keeps its hard links; "
                     "not atomic) instead of renaming a new file over it");
    CLI::Option* preserve =
        command
            .add_option_function<std::string>(
                "--preserve",
                [&options](const std::string& list) {
                    options.preserve = preservation_from_list(list);
                },
                "The replaced file's attributes to keep: a comma-separated list of mode, "
                "ownership, timestamps, xattr (extended attributes and ACLs) or all "
                "(the default)")
            ->type_name("LIST");
    CLI::Option* noPreserve = command.add_flag_callback(
        "--no-preserve",
        [&options] {
            options.preserve = Preservation{false, false, false, false};
        },
        "Keep none of the replaced file's attributes: the file is written as a new one");
    preserve->excludes(noPreserve);
}

std::string file_output_help() {
    return "An existing output is replaced only with --force, and keeps its owner, group,\n"
           "mode, times, ACLs and extended attributes (--preserve, --no-preserve); one\n"
           "that cannot be kept is a warning.  A device, FIFO, socket or directory is\n"
           "never replaced, a symbolic link is written through to the regular file it\n"
           "leads to, and a file with other hard links is refused unless --in-place.\n";
}

}  // namespace stubmeta_cli
