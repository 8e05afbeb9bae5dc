// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta scan: walk trees and report every Unix and DMNas stub file.
#include <memory>
#include <string>

#include "commands/commands.h"
#include "commands/options.h"
#include "ntfs/scan_run.h"
#include "scan/command_line.h"
#include "scan/progress.h"
#include "scan/tree_scan.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

struct ScanOptions : TreeScanOptions {
    bool alwaysProgress = false;  // --progress
    bool noProgress = false;
    bool ntfs = false;          // PATHs are NTFS volumes
    bool allReparse = false;    // with ntfs: reparse points holding no stub listed too
    MatchOptions matchOptions;  // --as, --family, --first-match
};

// --progress, --no-progress, or as the output suggests.
ProgressChoice progress_choice(const ScanOptions& options) {
    if (options.alwaysProgress)
        return ProgressChoice::On;
    // A list of paths for another command is usually read on the same
    // terminal, where progress would get in the way.
    if (options.noProgress || options.report.print0)
        return ProgressChoice::Off;
    return ProgressChoice::Auto;
}

int run_scan(ScanOptions options) {
    options.progress = progress_choice(options);
    options.match = match_request(options.matchOptions);
    if (options.ntfs)
        return run_ntfs_scan({options.paths, options.allReparse}, options.report, options.progress);
    return run_tree_scan(options);
}

const char* const kScanFooter =
    "A Unix stub is a file opening with the envelope magic, a DMNas stub one whose first\n"
    "line opens with QZSTUB:.  At most the first 65,536 bytes of a file are read.  With\n"
    "--as or --family every file is read as a bare text of those types (a share known to\n"
    "hold Celerra stubs) and judged as inspect and verify judge it.  Rows are\n"
    "printed as the stubs are found, in no set order (--sort: by path, at the end); the\n"
    "summary comes last.  Unreadable entries are reported once each on stderr.  The summary\n"
    "(stdout; stderr for csv) gives the files examined, the stubs by type, the damaged\n"
    "ones, the unreadable paths, the stubs' apparent size (st_size) beside the space they\n"
    "occupy (st_blocks), the elapsed time and the rate.\n\n"
    "A symbolic link named as a PATH is followed; links met inside a tree are not, unless\n"
    "--follow-symlinks.  FIFOs, sockets and devices are never opened.  Any depth is walked.\n"
    "--exclude patterns (fnmatch) follow gitignore's rules: without '/' they match a name\n"
    "at any depth; with '/' the path relative to the root (anchored there; '*' stops at\n"
    "'/'), where a '**' component matches any number of them ('**/cache' at any depth,\n"
    "'a/**/b' below a, 'a/**' all below a); a trailing '/' matches directories only.\n"
    "Roots are never excluded and are at depth 0.\n\n"
    "Progress is shown on stderr when it is a terminal and TERM is not dumb (plain, without\n"
    "escape sequences, under NO_COLOR).  SIGINT stops the scan with every row found so far\n"
    "printed whole.  Exit status 1 when a stub is damaged, 2 when an entry could not be\n"
    "read.\n\n"
    "Examples:\n"
    "  stubmeta scan examples/stubs\n"
    "  stubmeta scan --jobs 8 --format json /srv/archive | jq 'select(.state == \"damaged\")'\n"
    "  stubmeta scan --state damaged --print0 /srv/archive | xargs -0 stubmeta verify\n"
    "  stubmeta scan --xdev --exclude .snapshot --exclude '*.iso' /srv/archive\n"
    "  find /srv -name '*.stub' -print0 | stubmeta scan --files0-from -\n"
    "  stubmeta scan --ntfs --format csv server.img > stubs.csv\n\n"
    "With --ntfs every PATH is an NTFS volume, read (never written) record by record\n"
    "through libntfs-3g.  A row gives the file's path in the volume ('/'-separated;\n"
    "\"<orphan N>\" or \"<loop N>\" open the path of a file whose parents cannot be\n"
    "followed, N the record at fault; with several volumes the path follows \"IMAGE:\"),\n"
    "its MFT record, reparse tag, GUID, size, allocated size and offline/sparse\n"
    "attributes.  A reparse point of a tag outside the system's own (bit 31 clear) is\n"
    "judged as inspect and verify judge a reparse buffer: a stub of type 2 (its data\n"
    "after the 24-byte header opens with QZSTUB:) or 1, damaged when its text does not\n"
    "parse but holds a colon; other reparse points are counted by tag in the summary\n"
    "and listed, in state \"other\", with --all-reparse.  An MFT record that cannot be\n"
    "read is reported once and the scan goes on.\n\n";

void add_output_options(CLI::App& command, ScanOptions& options) {
    add_report_options(command, options.report);
    CLI::Option* progress =
        command.add_flag("--progress", options.alwaysProgress, "Show progress on stderr, always");
    command.add_flag("--no-progress", options.noProgress, "Never show progress")
        ->excludes(progress);
}

void add_walk_options(CLI::App& command, ScanOptions& options) {
    add_tree_options(command, options);
    command
        .add_option("-j,--jobs", options.jobs, "Threads reading files (default: the hardware's)")
        ->check(decimal_check(1, 1024));
    add_attribute_options(command, options.xattr, options.attribute,
                          "Look at each file's reparse-data attribute instead of its content");
    add_match_options(command, options.matchOptions);
}

// After the walk options, which --ntfs excludes: a volume is read whole.
void add_ntfs_options(CLI::App& command, ScanOptions& options) {
    CLI::Option* ntfs = command.add_flag(
        "--ntfs", options.ntfs,
        "Read each PATH as an NTFS volume (image file or block device), without mounting it");
    for (const char* walkOnly :
         {"--files0-from", "--follow-symlinks", "--xdev", "--exclude", "--max-depth", "--jobs",
          "--xattr", "--attribute", "--as", "--family", "--first-match"})
        ntfs->excludes(walkOnly);
    command
        .add_flag("--all-reparse", options.allReparse,
                  "With --ntfs, list the reparse points holding no stub too")
        ->needs(ntfs);
}

}  // namespace

Command add_scan_command(CLI::App& app) {
    auto options = std::make_shared<ScanOptions>();
    CLI::App* command = app.add_subcommand(
        "scan", "Walk directory trees and report every Unix and DMNas stub file");
    add_walk_options(*command, *options);
    add_ntfs_options(*command, *options);
    add_output_options(*command, *options);
    command->callback([options] {
        // --files0-from is refused with --ntfs: ask for what is missing.
        if (options->ntfs && options->paths.empty())
            throw CLI::RequiredError("IMAGE (with --ntfs)");
        require_roots(*options);
        check_report_options(options->report);
    });
    command->footer(kScanFooter + exit_status_help());
    return {command, [options] { return run_scan(*options); }};
}

}  // namespace stubmeta_cli
