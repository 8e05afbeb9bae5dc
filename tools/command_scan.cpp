// stubmeta scan: walk trees and report every Unix and DMNas stub file.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/resource.h>
#include <string_view>
#include <thread>

#include "command_options.h"
#include "commands.h"
#include "console.h"
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

// Batches of files from the walker to the readers.  The queue holds a few
// batches per reader at most: a walker that gets ahead waits, so memory
// stays the same however many files the trees hold.
class BatchQueue {
public:
    explicit BatchQueue(std::size_t capacity) : capacity_(capacity) {}

    void push(FileBatch&& batch) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            roomy_.wait(lock, [this] { return batches_.size() < capacity_; });
            batches_.push_back(std::move(batch));
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
    // The next batch, or nothing once the queue is closed and empty.
    std::optional<FileBatch> pop() {
        std::optional<FileBatch> batch;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [this] { return closed_ || !batches_.empty(); });
            if (batches_.empty())
                return batch;
            batch.emplace(std::move(batches_.front()));
            batches_.pop_front();
        }
        roomy_.notify_one();
        return batch;
    }

private:
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable roomy_;
    std::deque<FileBatch> batches_;
    bool closed_ = false;
};

// Batches waiting for each reader, and for all of them at most.
constexpr std::size_t kBatchesPerReader = 4;
constexpr std::size_t kMostBatches = 64;

// Every reader holds a file and a directory open, and every batch waiting
// its directory: raises the soft limit on descriptors, as far as the hard
// one allows, when it leaves too little room for them.
void make_room_for_descriptors(std::size_t readers, std::size_t batches) {
    const std::size_t needed = 2 * readers + batches + 64;  // 64: standard streams and spare
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

void read_files(BatchQueue& queue, const ExamineOptions& examine, ScanCounters& counters,
                Findings& findings) {
    FileExaminer examiner(examine);
    std::string path;
    std::string message;
    ScanRow row;
    while (std::optional<FileBatch> batch = queue.pop()) {
        const OpenDirectory& directory = batch->directory();
        std::uint64_t examined = 0;
        std::uint64_t stubs = 0;
        batch->for_each([&](const char* name) {
            path.assign(directory.prefix()).append(name);
            switch (examiner.examine(directory.fd(), name, path, row, message)) {
            case Examined::NotStub:
                ++examined;
                break;
            case Examined::Stub:
                ++examined;
                ++stubs;
                findings.add_row(std::move(row));
                break;
            case Examined::Unreadable:
                findings.add_unreadable(std::move(message));
                break;
            }
        });
        counters.filesExamined.fetch_add(examined, std::memory_order_relaxed);
        counters.stubsFound.fetch_add(stubs, std::memory_order_relaxed);
    }
}

bool keep_row(const ScanRow& row, const std::string& state) {
    return state.empty() || (state == "damaged") == row.damaged;
}

void print_rows(const std::vector<ScanRow>& rows, const ScanOptions& options) {
    if (options.print0) {
        for (const ScanRow& row : rows)
            if (keep_row(row, options.state))
                write_out(std::string_view(row.path.c_str(), row.path.size() + 1));
        return;
    }
    if (options.format == "csv")
        write_line(csv_header());
    for (const ScanRow& row : rows) {
        if (!keep_row(row, options.state))
            continue;
        const std::string line = options.format == "json"  ? row_json(row)
                                 : options.format == "csv" ? row_csv(row)
                                                           : row_text(row);
        write_line(line);
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
    const std::size_t batches = std::min<std::size_t>(kBatchesPerReader * jobs, kMostBatches);
    make_room_for_descriptors(jobs, batches);
    BatchQueue queue(batches);
    {
        ScanProgress progress(counters, !options.print0);
        std::vector<std::thread> readers;
        for (unsigned i = 0; i < jobs; ++i)
            readers.emplace_back([&] { read_files(queue, examine, counters, findings); });
        walk_trees(
            options.paths, WalkOptions{options.followSymlinks},
            [&queue](FileBatch&& batch) { queue.push(std::move(batch)); },
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
    flush_out();
    for (const std::string& message : findings.unreadable)
        print_error(message);
    print_rows(findings.rows, options);

    const ScanSummary summary = summarize(findings.rows, counters.filesExamined.load(),
                                          findings.unreadable.size(), elapsed);
    if (options.print0) {
        // The paths alone on standard output, for xargs -0.
    } else if (options.format == "json") {
        write_line(summary_json(summary));
    } else if (options.format == "csv") {
        flush_out();
        static_cast<void>(std::fputs(summary_text(summary).c_str(), stderr));
    } else {
        write_out("\n");
        write_out(summary_text(summary));
    }
    flush_out();
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
    command
        ->add_option("--format", options->format, "Output format: text, json (JSON Lines) or csv")
        ->check(CLI::IsMember({"text", "json", "csv"}))
        ->default_str("text");
    command
        ->add_option("-j,--jobs", options->jobs, "Threads reading files (default: the hardware's)")
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
        ->add_option("--attribute", options->attribute,
                     "The attribute --xattr reads (implies --xattr)")
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
