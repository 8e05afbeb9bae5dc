// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "commands/file_output_options.h"

#include <sstream>

#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// Reads a --preserve or --no-preserve list (mode, ownership, timestamps,
// xattr, all) as the attributes it names; prefix opens an error message.
Preservation preservation_from_list(const std::string& list, const std::string& option) {
    Preservation named{false, false, false, false};
    std::istringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        if (item == "mode")
            named.mode = true;
        else if (item == "ownership")
            named.ownership = true;
        else if (item == "timestamps")
            named.timestamps = true;
        else if (item == "xattr")
            named.xattr = true;
        else if (item == "all")
            named = Preservation{};
        else
            throw CLI::ValidationError(
                std::string(option)
                    .append("unknown attribute \"")
                    .append(item)
                    .append("\" (mode, ownership, timestamps, xattr or all)"));
    }
    return named;
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
    // --preserve sets the list, then --no-preserve takes its items away, so
    // "--preserve=all --no-preserve=xattr" keeps all but the attributes.
    command
        .add_option_function<std::string>(
            "--preserve",
            [&options](const std::string& list) {
                options.preserve = preservation_from_list(list, "--preserve: ");
            },
            "The replaced file's attributes to keep: a comma-separated list of mode, "
            "ownership, timestamps, xattr (extended attributes and ACLs) or all "
            "(the default)")
        ->type_name("LIST");
    // A flag, so that a bare --no-preserve never takes the next argument as
    // its list; a list is given as --no-preserve=LIST.
    command
        .add_flag("--no-preserve", options.notPreserved,
                  "Accept the loss of these attributes of the replaced file (--no-preserve=LIST, "
                  "as --preserve; alone: all of them, the file is written as a new one)")
        ->each([&options](const std::string& given) {
            // A bare flag's value is "true".
            const std::string list = given == "true" ? "all" : given;
            const Preservation dropped = preservation_from_list(list, "");
            options.preserve.mode = options.preserve.mode && !dropped.mode;
            options.preserve.ownership = options.preserve.ownership && !dropped.ownership;
            options.preserve.timestamps = options.preserve.timestamps && !dropped.timestamps;
            options.preserve.xattr = options.preserve.xattr && !dropped.xattr;
        });
}

void add_stub_output_options(CLI::App& command, StubOutputOptions& options, bool allowDrop) {
    add_file_output_options(command, options.file, true, "Replace an existing file");
    command.add_flag("--allow-differences", options.allowDifferences,
                     "Write a stub that would not read back as given (each difference is a "
                     "warning); without it such a stub is refused");
    CLI::Option* withHeader = command.add_flag(
        "--with-header", options.withHeader,
        "Types 1 and 2: write the 24-byte reparse header (tag 0, the text's length, zero GUID) "
        "before the text, as a reparse buffer holds it (the default)");
    command
        .add_flag("--bare-text", options.bareText,
                  "Types 1 and 2: write the text without its reparse header (read it back with "
                  "--no-header or --as)")
        ->excludes(withHeader);
    if (allowDrop)
        command.add_flag("--drop-fields", options.dropFields,
                         "Convert although fields the target layout cannot hold would be lost");
    command.add_flag("--dry-run", options.dryRun,
                     "Print the stub that would be written (as inspect shows it) and the fields "
                     "that would be dropped; write nothing");
}

std::string file_output_help() {
    return "An existing output is replaced only with --force, and keeps its owner, group,\n"
           "mode, times, ACLs and extended attributes (--preserve, --no-preserve=LIST); if\n"
           "one cannot be kept the file is left as it was (exit 2).  A new file gets the\n"
           "permissions touch would give it.  A device, FIFO, socket or directory is\n"
           "never replaced, a symbolic link is written through to the regular file it\n"
           "leads to, and a file with other hard links is refused unless --in-place.\n";
}

}  // namespace stubmeta_cli
