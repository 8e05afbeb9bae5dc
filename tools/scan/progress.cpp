// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/progress.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace stubmeta_cli {
namespace {

constexpr auto kUpdateInterval = std::chrono::milliseconds(100);

bool set_and_not_empty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

bool dumb_terminal() {
    const char* term = std::getenv("TERM");
    return term != nullptr && std::strcmp(term, "dumb") == 0;
}

// Progress is a courtesy on a terminal: a failed write of it changes nothing.
void put(const std::string& text) {
    static_cast<void>(std::fwrite(text.data(), 1, text.size(), stderr));
    static_cast<void>(std::fflush(stderr));
}

}  // namespace

ProgressStyle progress_style(ProgressChoice choice) {
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    const bool dumb = dumb_terminal();
    if (choice == ProgressChoice::Off || (choice == ProgressChoice::Auto && (!terminal || dumb)))
        return ProgressStyle::None;
    return !terminal || dumb || set_and_not_empty("NO_COLOR") ? ProgressStyle::Plain
                                                              : ProgressStyle::Escapes;
}

ScanProgress::ScanProgress(const ScanCounters& counters, ProgressStyle style)
    : counters_(counters), style_(style), start_(std::chrono::steady_clock::now()) {
    if (style_ != ProgressStyle::None)
        thread_ = std::thread([this] { show_until_stopped(); });
}

ScanProgress::~ScanProgress() { stop(); }

void ScanProgress::stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
        const std::lock_guard<std::mutex> lock(mutex_);
        clear();
    }
}

void ScanProgress::while_paused(const std::function<void()>& write) {
    const std::lock_guard<std::mutex> lock(mutex_);
    clear();
    write();
}

void ScanProgress::show_until_stopped() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, kUpdateInterval, [this] { return stopping_; }))
        draw();
}

void ScanProgress::draw() {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const auto examined = counters_.filesExamined.load(std::memory_order_relaxed);
    const auto stubs = counters_.stubsFound.load(std::memory_order_relaxed);
    std::array<char, 128> text{};
    const int length = std::snprintf(
        text.data(), text.size(), "scan: %llu files examined, %llu stubs, %.0f files/s",
        static_cast<unsigned long long>(examined), static_cast<unsigned long long>(stubs),
        seconds > 0 ? static_cast<double>(examined) / seconds : 0.0);
    if (length <= 0)
        return;
    const std::string line(text.data(),
                           std::min(static_cast<std::size_t>(length), text.size() - 1));
    if (style_ == ProgressStyle::Escapes) {
        put("\r" + line + "\033[K");
    } else {
        // Spaces cover what a longer line left; the cursor stays at the end.
        const std::size_t padding = shownLength_ > line.size() ? shownLength_ - line.size() : 0;
        put("\r" + line + std::string(padding, ' '));
    }
    shownLength_ = line.size();
}

void ScanProgress::clear() {
    if (shownLength_ == 0)
        return;
    put(style_ == ProgressStyle::Escapes ? std::string("\r\033[K")
                                         : "\r" + std::string(shownLength_, ' ') + "\r");
    shownLength_ = 0;
}

}  // namespace stubmeta_cli
