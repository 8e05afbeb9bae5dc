// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/stop.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// The signal that asked to stop, or 0.  Lock-free, so the handler may set it.
std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void note_signal(int signal) { caughtSignal.store(signal); }

bool standard_output_is_pipe() noexcept {
    struct stat status {};
    return ::fstat(STDOUT_FILENO, &status) == 0 && S_ISFIFO(status.st_mode);
}

sigset_t interrupt_set(std::span<const int> signals) noexcept {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : signals)
        sigaddset(&set, signal);
    return set;
}

[[noreturn]] void end_by_signal(int signal) {
    static_cast<void>(std::signal(signal, SIG_DFL));
    sigset_t just{};
    sigemptyset(&just);
    sigaddset(&just, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &just, nullptr);
    static_cast<void>(std::raise(signal));
    // Only when something beyond reach keeps the signal from ending us.
    throw ToolError(kExitUsageOrIo, std::string("stubmeta: stopped by ") + ::strsignal(signal));
}

}  // namespace

ScanStop::ScanStop(std::span<const int> signals)
    : outputIsPipe_(standard_output_is_pipe()),
      signals_(signals.first(std::min(signals.size(), kWriterInterrupts.size()))) {
    caughtSignal.store(0);
    struct sigaction action {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    // Reads and writes carry on as if nothing came (the threads ask
    // between files), so no row is cut short by an interrupted write.  A
    // wait that may last for ever (for the writer of a --files0-from FIFO,
    // for more of the list) is a poll after an open that does not block,
    // and a signal ends a poll whatever these flags say.  A second signal
    // finds the default action again.
    action.sa_flags = static_cast<int>(SA_RESTART | SA_RESETHAND);
    // A signal the tool was started with ignored (nohup, a background job
    // of a script) stays ignored.
    for (std::size_t i = 0; i < signals_.size(); ++i)
        if (::sigaction(signals_[i], nullptr, &previous_[i]) == 0 &&
            previous_[i].sa_handler != SIG_IGN)
            ::sigaction(signals_[i], &action, nullptr);
}

ScanStop::~ScanStop() {
    for (std::size_t i = 0; i < signals_.size(); ++i)
        ::sigaction(signals_[i], &previous_[i], nullptr);
}

bool ScanStop::requested() const noexcept {
    return caughtSignal.load(std::memory_order_relaxed) != 0 ||
           outputClosed_.load(std::memory_order_relaxed) || failed_.load(std::memory_order_relaxed);
}

bool ScanStop::interrupted() noexcept { return caughtSignal.load() != 0; }

void ScanStop::fail(std::exception_ptr error) noexcept {
    const std::lock_guard<std::mutex> lock(failureMutex_);
    if (failure_ == nullptr)
        failure_ = std::move(error);
    failed_.store(true);
}

void ScanStop::check_output() noexcept {
    if (!outputIsPipe_ || outputClosed_.load(std::memory_order_relaxed))
        return;
    // A pipe's writing end reports POLLERR once no reader is left.
    pollfd output{STDOUT_FILENO, 0, 0};
    if (::poll(&output, 1, 0) == 1 && (output.revents & POLLERR) != 0)
        outputClosed_.store(true);
}

void ScanStop::rethrow_failure() {
    if (failed_.load()) {
        const std::lock_guard<std::mutex> lock(failureMutex_);
        std::rethrow_exception(failure_);
    }
}

void ScanStop::end_if_stopped() {
    rethrow_failure();
    if (const int signal = caughtSignal.load(); signal != 0)
        end_by_signal(signal);
    if (!outputClosed_.load())
        return;
    // What writing one more row would have done.
    struct sigaction pipeAction {};
    if (::sigaction(SIGPIPE, nullptr, &pipeAction) == 0 && pipeAction.sa_handler == SIG_DFL)
        static_cast<void>(std::raise(SIGPIPE));
    throw OutputLost(std::string("stubmeta: cannot write the output: ") + std::strerror(EPIPE));
}

InterruptsHeldFromNewThreads::InterruptsHeldFromNewThreads(std::span<const int> signals) noexcept {
    const sigset_t set = interrupt_set(signals);
    ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

InterruptsHeldFromNewThreads::~InterruptsHeldFromNewThreads() {
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace stubmeta_cli
