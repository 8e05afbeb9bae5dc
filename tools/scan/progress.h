/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Progress of a scan: files examined, stubs found and rate on stderr, at
// most ten updates a second, on one line rewritten in place.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace stubmeta_cli {

struct ScanCounters {
    std::atomic<std::uint64_t> filesExamined{0};
    std::atomic<std::uint64_t> stubsFound{0};
};

enum class ProgressStyle {
    None,
    Escapes,  // "\r", the line, then ESC[K to clear what a longer one left
    Plain,    // "\r" and the line padded with spaces: no escape sequence
};

enum class ProgressChoice { Auto, On, Off };

// Auto shows progress only when stderr is a terminal and TERM is not
// "dumb"; On and Off (--progress, --no-progress) decide alone.  Shown
// progress uses no escape sequence under TERM=dumb, when NO_COLOR is set
// to anything but nothing, or on a stderr that is not a terminal.
ProgressStyle progress_style(ProgressChoice choice);

class ScanProgress {
public:
    // Starts showing progress in style (None shows nothing).
    ScanProgress(const ScanCounters& counters, ProgressStyle style);
    ScanProgress(const ScanProgress&) = delete;
    ScanProgress& operator=(const ScanProgress&) = delete;
    // Stops and clears the progress line.
    ~ScanProgress();
    void stop();

    // Runs write with the progress line cleared and kept away meanwhile,
    // so that what it writes to the same terminal stands alone; the next
    // update draws the line again.  Exceptions from write pass through.
    void while_paused(const std::function<void()>& write);

private:
    void show_until_stopped();
    void draw();   // with mutex_ held
    void clear();  // with mutex_ held

    const ScanCounters& counters_;
    const ProgressStyle style_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::size_t shownLength_ = 0;  // of the line on screen, 0 when none
    std::thread thread_;
};

}  // namespace stubmeta_cli
