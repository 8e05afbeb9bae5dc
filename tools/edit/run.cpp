// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/run.h"

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "edit/batch.h"
#include "edit/report.h"
#include "scan/queue.h"
#include "scan/roots.h"
#include "scan/stop.h"

namespace stubmeta_cli {
namespace {

struct Workers {
    const BatchEditor& editor;
    BatchQueue& queue;
    ScanStop& stop;
};

void work(const Workers& w) {
    try {
        while (std::optional<FileBatch> batch = w.queue.pop()) {
            w.stop.check_output();
            if (w.stop.requested())
                break;
            edit_batch(w.editor, *batch);
        }
    } catch (...) {
        w.stop.fail(std::current_exception());
    }
    if (w.stop.requested())
        w.queue.cancel();
}

// Walks every root, the paths given or the --files0-from list.
void walk_roots(const EditRunOptions& options, const WalkOptions& walk, BatchQueue& queue,
                EditReport& report, const ScanStop& stop) {
    TreeWalk walker(
        walk, [&queue](FileBatch&& batch) { queue.push(std::move(batch)); },
        [&report](const std::string& message) { report.add_unreadable(message); });
    if (options.files0From.empty()) {
        for (const std::string& root : options.paths)
            if (!stop.requested())
                walker.walk(root);
    } else {
        NulSeparatedNames list(options.files0From, walk.stopRequested,
                               [&walker] { walker.hand_on_root_files(); });
        std::string root;
        while (!stop.requested() && list.next(root)) {
            if (root.empty())
                report.add_unreadable(list.where() + ": invalid zero-length file name");
            else
                walker.walk(root);
        }
    }
    walker.hand_on_root_files();
}

}  // namespace

int run_edit(const EditRunOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    EditRunOptions run = options;
    const std::string workingDirectory = working_directory(!run.journalPath.empty());
    std::optional<JournalWriter> journal;
    if (!run.journalPath.empty() && !run.edit.dryRun) {
        journal.emplace(run.journalPath);
        run.edit.journal = &*journal;
    }
    unsigned jobs = run.jobs != 0 ? run.jobs : std::thread::hardware_concurrency();
    jobs = jobs == 0 ? 1 : jobs;

    ScanStop stop(kWriterInterrupts);
    WalkOptions walk = run.walk;
    walk.stopRequested = [&stop] {
        stop.check_output();
        return stop.requested();
    };
    ScanCounters counters;
    BatchQueue queue(std::min<std::size_t>(4 * std::size_t{jobs}, 64));
    std::optional<InterruptsHeldFromNewThreads> held(std::in_place, kWriterInterrupts);
    ScanProgress progress(counters, progress_style(run.progress));
    EditReport report(run.format, run.edit.dryRun, progress);
    std::vector<std::thread> workers;
    const BatchEditor editor{
        run.edit, workingDirectory, report, counters, [&stop] { return stop.requested(); }, {}};
    const Workers w{editor, queue, stop};
    try {
        for (unsigned i = 0; i < jobs; ++i)
            workers.emplace_back([&w] { work(w); });
        held.reset();  // signals reach this thread, the walker, from now on
        report.begin();
        walk_roots(run, walk, queue, report, stop);
    } catch (...) {
        stop.fail(std::current_exception());
        queue.cancel();
    }
    queue.close();
    for (std::thread& worker : workers)
        worker.join();
    progress.stop();
    stop.rethrow_failure();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int status = report.finish(elapsed);
    stop.end_if_stopped();
    return status;
}

}  // namespace stubmeta_cli
