#include "scan_progress.h"

#include <cstdio>
#include <unistd.h>

namespace stubmeta_cli {
namespace {

constexpr auto kUpdateInterval = std::chrono::milliseconds(100);

}  // namespace

ScanProgress::ScanProgress(const ScanCounters& counters, bool enabled)
    : counters_(counters), start_(std::chrono::steady_clock::now()) {
    if (enabled && ::isatty(STDERR_FILENO) == 1)
        thread_ = std::thread([this] { show_until_stopped(); });
}

ScanProgress::~ScanProgress() { stop(); }

void ScanProgress::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
        // Progress is a courtesy on a terminal: a failed write of it changes nothing.
        static_cast<void>(std::fputs("\r\033[K", stderr));
        static_cast<void>(std::fflush(stderr));
    }
}

void ScanProgress::show_until_stopped() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, kUpdateInterval, [this] { return stopping_; })) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const auto examined = counters_.filesExamined.load(std::memory_order_relaxed);
        const auto stubs = counters_.stubsFound.load(std::memory_order_relaxed);
        static_cast<void>(std::fprintf(
            stderr, "\r\033[Kscan: %llu files examined, %llu stubs, %.0f files/s",
            static_cast<unsigned long long>(examined), static_cast<unsigned long long>(stubs),
            seconds > 0 ? static_cast<double>(examined) / seconds : 0.0));
        static_cast<void>(std::fflush(stderr));
    }
}

}  // namespace stubmeta_cli
