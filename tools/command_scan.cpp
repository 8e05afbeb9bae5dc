// stubmeta scan: walk trees and report every Unix and DMNas stub file.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "command_options.h"
#include "commands.h"
#include "file_reading.h"
#include "scan_examine.h"
#include "scan_output.h"
#include "scan_progress.h"
#include "scan_walk.h"
#include "tool_status.h"

namespace stubmeta_cli {
namespace {

struct ScanOptions {
    std::vector<std::string> paths;
    std::string format = "text";
    unsigned jobs = 0;
    bool followSymlinks = false;
    bool print0 = false;
    std::string state;
    bool xattr = false;
    std::string attribute = kDefaultReparseAttribute;
};

// Paths from the walker to the readers.
class PathQueue {
public:
    void push(std::string path) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            paths_.push_back(std::move(path));
        }
        ready_.notify_one();
    }
    void close() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }
    // The next path, or nothing once the queue is closed and empty.
    std::optional<std::string> pop() {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return closed_ || !paths_.empty(); });
        if (paths_.empty())
            return std::nullopt;
        std::string path = std::move(paths_.front());
        paths_.pop_front();
        return path;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::string> paths_;
    bool closed_ = false;
};

// What the readers found, gathered under one lock.
struct Findings {
    std::mutex mutex;
    std::vector<ScanRow> rows;
    std::vector<std::string> unreadable;

    void add_row(ScanRow row) {
        std::lock_guard<std::mutex> lock(mutex);
        rows.push_back(std::move(row));
    }
    void add_unreadable(std::string message) {
        std::lock_guard<std::mutex> lock(mutex);
        unreadable.push_back(std::move(message));
    }
};

void read_files(PathQueue& queue, const ExamineOptions& examine, ScanCounters& counters,
                Findings& findings) {
    while (std::optional<std::string> path = queue.pop()) {
        try {
            std::optional<ScanRow> row = examine_file(*path, examine);
            counters.filesExamined.fetch_add(1, std::memory_order_relaxed);
            if (row) {
                counters.stubsFound.fetch_add(1, std::memory_order_relaxed);
                findings.add_row(std::move(*row));
            }
        } catch (const ToolError& error) {
            findings.add_unreadable(error.what());
        }
    }
}

bool keep_row(const ScanRow& row, const std::string& state) {
    return state.empty() || (state == "damaged") == row.damaged;
}

void print_rows(const std::vector<ScanRow>& rows, const ScanOptions& options) {
    if (options.print0) {
        for (const ScanRow& row : rows)
            if (keep_row(row, options.state))
                std::fwrite(row.path.c_str(), 1, row.path.size() + 1, stdout);
        return;
    }
    if (options.format == "csv")
        std::printf("%s\n", csv_header().c_str());
    for (const ScanRow& row : rows) {
        if (!keep_row(row, options.state))
            continue;
        const std::string line = options.format == "json" ? row_json(row)
                                 : options.format == "csv" ? row_csv(row)
                                                           : row_text(row);
        std::printf("%s\n", line.c_str());
    }
}

int run_scan(const ScanOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    unsigned jobs = options.jobs != 0 ? options.jobs : std::thread::hardware_concurrency();
    if (jobs == 0)
        jobs = 1;
    const ExamineOptions examine{options.followSymlinks, options.xattr, options.attribute};

    ScanCounters counters;
    Findings findings;
    PathQueue queue;
    {
        ScanProgress progress(counters, !options.print0);
        std::vector<std::thread> readers;
        for (unsigned i = 0; i < jobs; ++i)
            readers.emplace_back(
                [&] { read_files(queue, examine, counters, findings); });
        walk_trees(
            options.paths, WalkOptions{options.followSymlinks},
            [&queue](const std::string& path) { queue.push(path); },
            [&findings](const std::string& message) { findings.add_unreadable(message); });
        queue.close();
        for (std::thread& reader : readers)
            reader.join();
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::sort(findings.rows.begin(), findings.rows.end(),
              [](const ScanRow& a, const ScanRow& b) { return a.path < b.path; });
    std::sort(findings.unreadable.begin(), findings.unreadable.end());
    std::fflush(stdout);
    for (const std::string& message : findings.unreadable)
        print_error(message);
    print_rows(findings.rows, options);

    const ScanSummary summary =
        summarize(findings.rows, counters.filesExamined.load(), findings.unreadable.size(), elapsed);
    if (options.print0) {
        // The paths alone on standard output, for xargs -0.
    } else if (options.format == "json") {
        std::printf("%s\n", summary_json(summary).c_str());
    } else if (options.format == "csv") {
        std::fflush(stdout);
        std::fprintf(stderr, "%s", summary_text(summary).c_str());
    } else {
        std::printf("\n%s", summary_text(summary).c_str());
    }
    std::fflush(stdout);
    if (!findings.unreadable.empty())
        return kExitUsageOrIo;
    return summary.damaged != 0 ? kExitRefused : kExitOk;
}

}  // namespace

Command add_scan_command(CLI::App& app) {
    auto options = std::make_shared<ScanOptions>();
    CLI::App* command = app.add_subcommand(
        "scan", "Walk directory trees and report every Unix and DMNas stub file");
    command->add_option("PATH", options->paths, "Files and directories to walk")->required();
    command->add_option("--format", options->format, "Output format: text, json (JSON Lines) or csv")
        ->check(CLI::IsMember({"text", "json", "csv"}))
        ->default_str("text");
    command->add_option("-j,--jobs", options->jobs, "Threads reading files (default: the hardware's)")
        ->check(CLI::Range(1u, 1024u));
    command->add_flag("--follow-symlinks", options->followSymlinks,
                      "Follow symbolic links (loops are detected and reported)");
    command->add_flag("--print0", options->print0,
                      "Print only the paths of the stubs found, each followed by a NUL, for "
                      "xargs -0 (no summary)");
    command->add_option("--state", options->state, "Keep only the rows in this state")
        ->check(CLI::IsMember({"ok", "damaged"}));
    command->add_flag("--xattr", options->xattr,
                      "Look at each file's reparse-data attribute instead of its content");
    command
        ->add_option("--attribute", options->attribute, "The attribute --xattr reads (implies --xattr)")
        ->default_str(kDefaultReparseAttribute)
        ->each([options](const std::string&) { options->xattr = true; });
    command->footer(
        "A Unix stub is a file opening with the envelope magic, a DMNas stub one whose first\n"
        "line opens with QZSTUB:.  At most the first 65,536 bytes of a file are read.  Rows\n"
        "are sorted by path whatever --jobs is; unreadable entries are reported once each on\n"
        "stderr.  The summary (stdout; stderr for csv) gives the files examined, the stubs by\n"
        "type, the damaged ones, the unreadable paths, the stubs' apparent size (st_size)\n"
        "beside the space they occupy (st_blocks), the elapsed time and the rate.  On a\n"
        "terminal, progress is shown on stderr.  Exit status 1 when a stub is damaged, 2 when\n"
        "an entry could not be read.\n\n"
        "Examples:\n"
        "  stubmeta scan examples/stubs\n"
        "  stubmeta scan --jobs 8 --format json /srv/archive | jq 'select(.state == \"damaged\")'\n"
        "  stubmeta scan --state damaged --print0 /srv/archive | xargs -0 stubmeta verify\n\n" +
        exit_status_help());
    return {command, [options] { return run_scan(*options); }};
}

}  // namespace stubmeta_cli
