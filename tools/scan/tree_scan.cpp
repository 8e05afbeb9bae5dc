// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/tree_scan.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

#include "scan/examine.h"
#include "scan/progress.h"
#include "scan/queue.h"
#include "scan/read.h"
#include "scan/report.h"
#include "scan/roots.h"
#include "scan/stop.h"
#include "scan/walk.h"

namespace stubmeta_cli {
namespace {

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
std::function<bool(std::string&)> root_source(const TreeScanOptions& options,
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

WalkOptions walk_options(const TreeScanOptions& options, ScanStop& stop) {
    WalkOptions walk = options.walk;
    walk.stopRequested = [&stop] {
        stop.check_output();
        return stop.requested();
    };
    return walk;
}

}  // namespace

int run_tree_scan(const TreeScanOptions& options) {
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
    ScanProgress progress(counters, progress_style(options.progress));
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

}  // namespace stubmeta_cli
