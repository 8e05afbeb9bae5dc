// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "mpi/distribute.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <thread>
#include <utility>

#include <mpi.h>

#include "mpi/messages.h"
#include "scan/roots.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

constexpr int kCoordinator = 0;
constexpr int kToCoordinator = 1;  // findings, from any other process
constexpr int kToWorker = 2;       // a batch of directories; none: the scan is over

// The first byte of a message to process 0.
constexpr char kMoreFindings = 'F';  // findings; the sender is still busy
constexpr char kIdle = 'I';          // findings; the sender wants work

// A busy process passes on its rows and messages once it holds this many,
// so that a large directory's stubs are printed while it is being read.
constexpr std::size_t kFindingsToPassOn = 256;

// Directories per batch: a share of the queue, so that every process gets
// some while it is short and a long queue costs few messages.
constexpr std::size_t kMostPerBatch = 32;

void send_bytes(const std::string& bytes, int to, int tag) {
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        throw ToolError(kExitUsageOrIo, "stubmeta-mpi: a message between processes is too long");
    MPI_Send(bytes.data(), static_cast<int>(bytes.size()), MPI_BYTE, to, tag, MPI_COMM_WORLD);
}

// Waits for a message without spinning: a blocking receive keeps a core
// busy polling, which the processes of a job sharing a host would feel.
// The pauses grow from a few microseconds to a quarter of a millisecond.
MPI_Status await_message(int from, int tag) {
    MPI_Status status{};
    std::chrono::microseconds pause(2);
    for (;;) {
        int arrived = 0;
        MPI_Iprobe(from, tag, MPI_COMM_WORLD, &arrived, &status);
        if (arrived != 0)
            return status;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(250));
    }
}

std::string receive_bytes(const MPI_Status& probed) {
    int size = 0;
    MPI_Get_count(&probed, MPI_BYTE, &size);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    MPI_Recv(bytes.data(), size, MPI_BYTE, probed.MPI_SOURCE, probed.MPI_TAG, MPI_COMM_WORLD,
             MPI_STATUS_IGNORE);
    return bytes;
}

void send_findings(char kind, DirectoryWork& work, std::vector<DirectoryTask>& subdirectories) {
    std::string bytes(1, kind);
    pack_tasks(subdirectories, bytes);
    work.pack(bytes);
    send_bytes(bytes, kCoordinator, kToCoordinator);
    subdirectories.clear();
}

class Coordinator {
public:
    Coordinator(const ScanCommandLine& options, DirectoryWork& work, int processes)
        : options_(options), processes_(processes), work_(work), busy_(processes - 1) {}

    int run() {
        const auto start = std::chrono::steady_clock::now();
        open_roots();
        work_.begin();
        for (;;) {
            work_until_idle();
            if (!rootsLeft_)
                break;
            read_roots();
        }
        // Every other process waits for work: the scan is over.
        for (const int process : idle_)
            send_bytes(std::string(), process, kToWorker);
        idle_.clear();
        // A process that died took its part of the scan with it, and
        // mpirun then ends the job: no summary may come before every
        // process is known to have finished.
        MPI_Barrier(MPI_COMM_WORLD);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return work_.finish(elapsed);
    }

private:
    // Lists directories and hands them out until the queue is empty and
    // every other process waits for work.
    void work_until_idle() {
        const std::function<void()> betweenBatches = [this] {
            work_.report_held();
            absorb(local_);
            poll();
        };
        for (;;) {
            poll();
            if (!queue_.empty()) {
                // Process 0 takes the newest directory (depth first, so the
                // queue stays short); the others get the oldest ones.
                const DirectoryTask task = std::move(queue_.back());
                queue_.pop_back();
                work_.list(task, local_, betweenBatches);
                work_.report_held();
                absorb(local_);
            } else if (busy_ == 0) {
                return;
            } else {
                receive(await_message(MPI_ANY_SOURCE, kToCoordinator));
            }
        }
    }

    void open_roots() {
        if (!options_.files0From.empty()) {
            // The roots read so far are scanned whole before the list is
            // waited for: a list from a pipe may be long in coming.
            list_.emplace(
                options_.files0From, [] { return false; }, [this] { work_until_idle(); });
            return;
        }
        for (const std::string& path : options_.paths) {
            DirectoryTask& root = queue_.emplace_front();
            root.name = path;
        }
        rootsLeft_ = false;
    }

    // A few more roots from the --files0-from list, oldest first.
    void read_roots() {
        std::string name;
        while (queue_.size() < 2 * static_cast<std::size_t>(processes_)) {
            if (!list_->next(name)) {
                rootsLeft_ = false;
                break;
            }
            if (name.empty()) {
                work_.add_unreadable(list_->where() + ": invalid zero-length file name");
                continue;
            }
            DirectoryTask& root = queue_.emplace_front();
            root.name = name;
        }
        dispatch();
    }

    // Takes in every message waiting, then hands out work.
    void poll() {
        for (;;) {
            int arrived = 0;
            MPI_Status status{};
            MPI_Iprobe(MPI_ANY_SOURCE, kToCoordinator, MPI_COMM_WORLD, &arrived, &status);
            if (arrived == 0)
                break;
            receive(status);
        }
        dispatch();
    }

    void receive(const MPI_Status& probed) {
        const std::string bytes = receive_bytes(probed);
        if (bytes.empty())
            throw ToolError(kExitUsageOrIo, "stubmeta-mpi: an empty message between processes");
        std::size_t at = 1;
        std::vector<DirectoryTask> subdirectories = unpack_tasks(bytes, at);
        work_.report_packed(bytes, at);
        absorb(subdirectories);
        if (bytes[0] == kIdle) {
            --busy_;
            idle_.push_back(probed.MPI_SOURCE);
        }
        dispatch();
    }

    // Queues the subdirectories; with links followed, a directory
    // reached by a second path is left out.
    void absorb(std::vector<DirectoryTask>& subdirectories) {
        for (DirectoryTask& task : subdirectories) {
            const bool known = task.id.device != 0 || task.id.inode != 0;
            if (!known || seen_.insert({task.id.device, task.id.inode}).second)
                queue_.push_back(std::move(task));
        }
        subdirectories.clear();
    }

    void dispatch() {
        while (!idle_.empty() && !queue_.empty()) {
            const std::size_t share = std::clamp<std::size_t>(
                queue_.size() / (2 * static_cast<std::size_t>(processes_)), 1, kMostPerBatch);
            std::vector<DirectoryTask> batch;
            for (std::size_t i = 0; i < share; ++i) {
                batch.push_back(std::move(queue_.front()));
                queue_.pop_front();
            }
            std::string bytes;
            pack_tasks(batch, bytes);
            send_bytes(bytes, idle_.back(), kToWorker);
            idle_.pop_back();
            ++busy_;
        }
    }

    const ScanCommandLine& options_;
    const int processes_;
    DirectoryWork& work_;
    std::optional<NulSeparatedNames> list_;
    bool rootsLeft_ = true;
    std::deque<DirectoryTask> queue_;
    std::vector<int> idle_;  // processes waiting for work
    int busy_;               // processes given work that have not asked again
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen_;
    std::vector<DirectoryTask> local_;  // subdirectories process 0 found
};

// With nothing else left to list, a process keeps one subdirectory it
// found for itself: a chain of single folders is then walked without a
// round trip to process 0 per folder.  Not when links are followed: such
// a folder must pass process 0, which keeps one path to each folder.
void keep_one_to_list(std::vector<DirectoryTask>& found, std::vector<DirectoryTask>& tasks) {
    if (!tasks.empty() || found.empty())
        return;
    const DirectoryTask& last = found.back();
    if (last.id.device != 0 || last.id.inode != 0)
        return;
    tasks.push_back(std::move(found.back()));
    found.pop_back();
}

}  // namespace

int coordinate(const ScanCommandLine& line, DirectoryWork& work, int processes) {
    Coordinator coordinator(line, work, processes);
    return coordinator.run();
}

void take_part(DirectoryWork& work) {
    std::vector<DirectoryTask> found;  // subdirectories, not yet sent
    const std::function<void()> betweenBatches = [&work, &found] {
        if (work.held() >= kFindingsToPassOn)
            send_findings(kMoreFindings, work, found);
    };
    send_findings(kIdle, work, found);
    for (;;) {
        const std::string bytes = receive_bytes(await_message(kCoordinator, kToWorker));
        if (bytes.empty()) {
            MPI_Barrier(MPI_COMM_WORLD);  // process 0 prints the summary after it
            return;
        }
        std::size_t at = 0;
        std::vector<DirectoryTask> tasks = unpack_tasks(bytes, at);
        while (!tasks.empty()) {
            const DirectoryTask task = std::move(tasks.back());
            tasks.pop_back();
            work.list(task, found, betweenBatches);
            keep_one_to_list(found, tasks);
            // Subdirectories found go back at once, for idle processes,
            // unless the request for more work is about to carry them.
            if (!found.empty() && !tasks.empty())
                send_findings(kMoreFindings, work, found);
        }
        send_findings(kIdle, work, found);
    }
}

}  // namespace stubmeta_cli
