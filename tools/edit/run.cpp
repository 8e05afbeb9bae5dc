// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/run.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <unistd.h>

#include "edit/report.h"
#include "scan/queue.h"
#include "scan/roots.h"
#include "scan/stop.h"
#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

struct Workers {
    const EditRunOptions& options;
    const std::string& workingDirectory;  // ends in '/': makes the journal's paths absolute
    BatchQueue& queue;
    EditReport& report;
    ScanCounters& counters;
    ScanStop& stop;
    const FileEditOptions& inBatches;  // options.edit, each directory synced once a batch
};

// Edits one file; returns whether its directory changed.
bool edit_one(const Workers& w, const FileEditOptions& options, const EditDirectory& directory,
              const char* name, const std::string& path) {
    const FileEdit edit = edit_file(options, directory, name, path);
    w.counters.filesExamined.fetch_add(1, std::memory_order_relaxed);
    if (edit.outcome != FileOutcome::NotStub && edit.outcome != FileOutcome::Failed)
        w.counters.stubsFound.fetch_add(1, std::memory_order_relaxed);
    w.report.add(path, edit);
    return !options.dryRun &&
           (edit.outcome == FileOutcome::Changed || edit.outcome == FileOutcome::LostUpdate);
}

// A directory's path for the journal, so that undo finds it from anywhere.
std::string absolute(const Workers& w, const std::string& path) {
    if (path.starts_with('/'))
        return path;
    if (path != ".")
        return w.workingDirectory + path;
    return w.workingDirectory.size() == 1
               ? w.workingDirectory
               : w.workingDirectory.substr(0, w.workingDirectory.size() - 1);
}

bool identify(EditDirectory& directory, const std::string& path, std::string& message) {
    struct stat status {};
    if (::fstat(directory.fd, &status) != 0) {
        message = printable(path) + ": cannot stat: " + std::strerror(errno);
        return false;
    }
    directory.device = status.st_dev;
    directory.inode = status.st_ino;
    return true;
}

// A root that is a file: edited in its directory, opened once.  A root
// that is a symbolic link is followed, as every root is.
void edit_root_file(const Workers& w, const std::string& path) {
    std::string target = path;
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
        if (real)
            target = real.get();
    }
    const std::size_t slash = target.find_last_of('/');
    EditDirectory directory;
    const std::string parent = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const Descriptor fd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC));
    directory.path = absolute(w, parent);
    directory.fd = fd.get();
    std::string message;
    if (fd.get() < 0)
        message = printable(directory.path) + ": cannot open: " + std::strerror(errno);
    if (fd.get() < 0 || !identify(directory, directory.path, message)) {
        w.report.add_unreadable(message);
        return;
    }
    edit_one(w, w.options.edit, directory, name.c_str(), path);
}

// ".NAME.tmp.XXXXXX": a temporary file of an edit a crash cut short,
// holding the old stub or the new one, never a stub of its own.
bool is_edit_temporary(std::string_view name) {
    constexpr std::size_t kSuffix = 11;  // ".tmp.XXXXXX"
    return name.size() > kSuffix + 1 && name.front() == '.' &&
           name.substr(name.size() - kSuffix, 5) == ".tmp.";
}

void edit_batch(const Workers& w, const FileBatch& batch) {
    const OpenDirectory& open = batch.directory();
    if (open.holds_roots()) {
        batch.for_each([&w](const char* path) {
            if (!w.stop.requested())
                edit_root_file(w, path);
        });
        return;
    }
    EditDirectory directory;
    directory.fd = open.fd();
    directory.path =
        absolute(w, open.prefix().size() == 1 ? open.prefix()
                                              : open.prefix().substr(0, open.prefix().size() - 1));
    std::string message;
    if (!identify(directory, open.prefix(), message)) {
        w.report.add_unreadable(message);
        return;
    }
    std::string path;
    bool changed = false;
    batch.for_each([&](const char* name) {
        if (w.stop.requested() || is_edit_temporary(name))
            return;
        path.assign(open.prefix()).append(name);
        changed = edit_one(w, w.inBatches, directory, name, path) || changed;
    });
    if (changed && ::fsync(directory.fd) != 0 && errno != EINVAL && errno != ENOTSUP)
        w.report.add_unreadable(printable(directory.path) +
                                ": cannot sync the directory: " + std::strerror(errno));
}

void work(const Workers& w) {
    try {
        while (std::optional<FileBatch> batch = w.queue.pop()) {
            w.stop.check_output();
            if (w.stop.requested())
                break;
            edit_batch(w, *batch);
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

// The current directory ending in '/', which makes the journal's paths
// absolute.  Without it a journal could not lead undo back to the files,
// so an edit that keeps one does not start.
std::string working_directory(bool needed) {
    const std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (cwd == nullptr) {
        if (needed)
            throw ToolError(kExitUsageOrIo, std::string("stubmeta: cannot find the current "
                                                        "directory for the journal's paths: ") +
                                                std::strerror(errno));
        return "/";
    }
    return std::string(cwd.get()) + (cwd.get()[1] == '\0' ? "" : "/");
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
    FileEditOptions inBatches = run.edit;
    inBatches.directorySyncedByCaller = true;
    const Workers w{run, workingDirectory, queue, report, counters, stop, inBatches};
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
