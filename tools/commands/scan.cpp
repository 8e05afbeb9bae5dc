// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta scan: walk trees and report every Unix and DMNas stub file.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

#include "commands/options.h"
#include "commands/commands.h"
#include "support/file_reading.h"
#include "ntfs/scan_run.h"
#include "scan/examine.h"
#include "scan/progress.h"
#include "scan/queue.h"
#include "scan/read.h"
#include "scan/report.h"
#include "scan/roots.h"
#include "scan/stop.h"
#include "scan/walk.h"
#include "support/tool_status.h"
#include "scan/command_line.h"

namespace stubmeta_cli {
namespace {

struct ScanOptions : ScanCommandLine {
    unsigned jobs = 0;
    bool progress = false;
    bool noProgress = false;
    bool ntfs = false;        // PATHs are NTFS volumes
    bool allReparse = false;  // with ntfs: reparse points holding no stub listed too
};

// Batches waiting for each reader, and for all of them at most.
constexpr std::size_t kBatchesPerReader = 4;
constexpr std::size_t kMostBatches = 64;

// Every reader holds a file and a directory open, every batch waiting its
// directory, and the walker the directories of one branch: raises the
// soft limit on descriptors, as far as the hard one allows, when it leaves
// too little room for them.
void make_room_for_descriptors(std::size_t readers, std::size_t batches) {
    const std::size_t needed =
        2 * readers + batches + kBranchDescriptors + 64;  // 64: standard streams and spare
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur >= needed)
        return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY || limit.rlim_max > needed
                         ? static_cast<rlim_t>(needed)
                         : limit.rlim_max;
    // Should this fail, a file that cannot be opened is reported as usual.
    static_cast<void>(::setrlimit(RLIMIT_NOFILE, &limit));
}

// What a reader thread needs, shared by all of them.
struct ReadingContext {
    BatchQueue& queue;
    const ExamineOptions& inTrees;  // links followed only with --follow-symlinks
    const ExamineOptions& roots;    // named by the user: links followed
    ScanCounters& counters;
    ScanReport& report;
    ScanStop& stop;
};

// Examines the files of one batch; false when the scan is stopping.
bool read_batch(const FileBatch& batch, FileExaminer& inTrees, FileExaminer& roots,
                const ReadingContext& context) {
    BatchTally tally;
    const bool whole = examine_batch(
        batch, inTrees, roots, [&context] { return context.stop.requested(); },
        [&context](const ScanRow& row) { context.report.add_row(row); },
        [&context](const std::string& message) { context.report.add_unreadable(message); }, tally);
    context.counters.filesExamined.fetch_add(tally.examined, std::memory_order_relaxed);
    context.counters.stubsFound.fetch_add(tally.stubs, std::memory_order_relaxed);
    return whole;
}

void read_files(const ReadingContext& context) {
    FileExaminer inTrees(context.inTrees);
    FileExaminer roots(context.roots);
    try {
        while (std::optional<FileBatch> batch = context.queue.pop()) {
            context.stop.check_output();
            if (!read_batch(*batch, inTrees, roots, context))
                break;
        }
    } catch (...) {
        context.stop.fail(std::current_exception());
    }
    // Stopping: the walker, perhaps waiting for room, must not wait for us.
    if (context.stop.requested())
        context.queue.cancel();
}

// The roots: the paths given, or the names of the --files0-from list.
std::function<bool(std::string&)> root_source(const ScanOptions& options,
                                              std::optional<NulSeparatedNames>& list,
                                              ScanReport& report) {
    if (list.has_value()) {
        return [&list, &report](std::string& root) {
            while (list->next(root)) {
                if (!root.empty())
                    return true;
                report.add_unreadable(list->where() + ": invalid zero-length file name");
            }
            return false;
        };
    }
    return [&options, given = std::size_t{0}](std::string& root) mutable {
        if (given == options.paths.size())
            return false;
        root = options.paths[given++];
        return true;
    };
}

ProgressChoice progress_choice(const ScanOptions& options) {
    if (options.progress)
        return ProgressChoice::On;
    // A list of paths for another command is usually read on the same
    // terminal, where progress would get in the way.
    if (options.noProgress || options.report.print0)
        return ProgressChoice::Off;
    return ProgressChoice::Auto;
}

WalkOptions walk_options(const ScanOptions& options, ScanStop& stop) {
    WalkOptions walk = options.walk;
    walk.stopRequested = [&stop] {
        stop.check_output();
        return stop.requested();
    };
    return walk;
}

int run_scan(const ScanOptions& options) {
    if (options.ntfs)
        return run_ntfs_scan({options.paths, options.allReparse}, options.report,
                             progress_choice(options));
    const auto start = std::chrono::steady_clock::now();
    unsigned jobs = options.jobs != 0 ? options.jobs : std::thread::hardware_concurrency();
    if (jobs == 0)
        jobs = 1;
    const ExamineOptions inTrees = options.examine_in_trees();
    const ExamineOptions roots = options.examine_roots();
    const std::size_t batches = std::min<std::size_t>(kBatchesPerReader * jobs, kMostBatches);
    make_room_for_descriptors(jobs, batches);

    ScanStop stop;
    const WalkOptions walk = walk_options(options, stop);
    ScanCounters counters;
    BatchQueue queue(batches);
    std::optional<InterruptsHeldFromNewThreads> held(std::in_place);
    ScanProgress progress(counters, progress_style(progress_choice(options)));
    ScanReport report(options.report, progress);
    std::vector<std::thread> readers;
    const ReadingContext context{queue, inTrees, roots, counters, report, stop};
    try {
        for (unsigned i = 0; i < jobs; ++i)
            readers.emplace_back([&context] { read_files(context); });
        held.reset();  // signals reach this thread, the walker, from now on
        report.begin();
        TreeWalk walker(
            walk, [&queue](FileBatch&& batch) { queue.push(std::move(batch)); },
            [&report](const std::string& message) { report.add_unreadable(message); });
        std::optional<NulSeparatedNames> list;
        if (!options.files0From.empty())
            list.emplace(options.files0From, walk.stopRequested,
                         [&walker] { walker.hand_on_root_files(); });
        const std::function<bool(std::string&)> nextRoot = root_source(options, list, report);
        std::string root;
        while (!stop.requested() && nextRoot(root))
            walker.walk(root);
        walker.hand_on_root_files();
    } catch (...) {
        stop.fail(std::current_exception());
        queue.cancel();
    }
    queue.close();
    for (std::thread& reader : readers)
        reader.join();
    progress.stop();

    return end_scan(stop, report, counters.filesExamined.load(), start);
}

const char* const kScanFooter =
    "A Unix stub is a file opening with the envelope magic, a DMNas stub one whose first\n"
    "line opens with QZSTUB:.  At most the first 65,536 bytes of a file are read.  Rows are\n"
    "printed as the stubs are found, in no set order (--sort: by path, at the end); the\n"
    "summary comes last.  Unreadable entries are reported once each on stderr.  The summary\n"
    "(stdout; stderr for csv) gives the files examined, the stubs by type, the damaged\n"
    "ones, the unreadable paths, the stubs' apparent size (st_size) beside the space they\n"
    "occupy (st_blocks), the elapsed time and the rate.\n\n"
    "A symbolic link named as a PATH is followed; links met inside a tree are not, unless\n"
    "--follow-symlinks.  FIFOs, sockets and devices are never opened.  Any depth is walked.\n"
    "--exclude patterns (fnmatch) without '/' match a name at any depth; with '/' the path\n"
    "relative to the root (anchored there; '*' stops at '/'); a trailing '/' matches\n"
    "directories only.  Roots are at depth 0.\n\n"
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
    "attributes.  A reparse point of a tag outside the system's own (bit 31 clear) holds a\n"
    "stub when its data after the 24-byte header opens with QZSTUB: (type 2) or with\n"
    "digits and a colon (type 1); other reparse points are counted by tag in the summary\n"
    "and listed, in state \"other\", with --all-reparse.  An MFT record that cannot be\n"
    "read is reported once and the scan goes on.\n\n";

void add_output_options(CLI::App& command, ScanOptions& options) {
    add_report_options(command, options.report);
    CLI::Option* progress =
        command.add_flag("--progress", options.progress, "Show progress on stderr, always");
    command.add_flag("--no-progress", options.noProgress, "Never show progress")
        ->excludes(progress);
}

void add_walk_options(CLI::App& command, ScanOptions& options) {
    add_tree_options(command, options);
    command
        .add_option("-j,--jobs", options.jobs, "Threads reading files (default: the hardware's)")
        ->check(CLI::Range(1u, 1024u));
    add_attribute_options(command, options.xattr, options.attribute,
                          "Look at each file's reparse-data attribute instead of its content");
}

// After the walk options, which --ntfs excludes: a volume is read whole.
void add_ntfs_options(CLI::App& command, ScanOptions& options) {
    CLI::Option* ntfs = command.add_flag(
        "--ntfs", options.ntfs,
        "Read each PATH as an NTFS volume (image file or block device), without mounting it");
    for (const char* walkOnly : {"--files0-from", "--follow-symlinks", "--xdev", "--exclude",
                                 "--max-depth", "--jobs", "--xattr", "--attribute"})
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
    command->callback([options] { require_roots(*options); });
    command->footer(kScanFooter + exit_status_help());
    return {command, [options] { return run_scan(*options); }};
}

}  // namespace stubmeta_cli
