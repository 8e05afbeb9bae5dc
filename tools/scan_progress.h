// Progress of a scan on a terminal: files examined, stubs found and rate on
// stderr, at most ten updates a second, and nothing when stderr is not a
// terminal.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace stubmeta_cli {

struct ScanCounters {
    std::atomic<std::uint64_t> filesExamined{0};
    std::atomic<std::uint64_t> stubsFound{0};
};

class ScanProgress {
public:
    // Starts showing progress when enabled and stderr is a terminal.
    ScanProgress(const ScanCounters& counters, bool enabled);
    ScanProgress(const ScanProgress&) = delete;
    ScanProgress& operator=(const ScanProgress&) = delete;
    // Stops and clears the progress line.
    ~ScanProgress();
    void stop();

private:
    void show_until_stopped();

    const ScanCounters& counters_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace stubmeta_cli
