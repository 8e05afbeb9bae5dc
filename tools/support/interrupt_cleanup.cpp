// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "support/interrupt_cleanup.h"

#include <array>
#include <climits>
#include <cstring>
#include <unistd.h>

#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

constexpr std::array<int, kEndingSignalCount> kInterrupts{SIGHUP,  SIGINT,  SIGQUIT,   SIGTERM,
                                                          SIGUSR1, SIGUSR2, SIGALRM,   SIGPIPE,
                                                          SIGXFSZ, SIGXCPU, SIGVTALRM, SIGPROF};

// The file the handler removes.  Written only while the handler is not
// installed; the handler reads it and calls nothing but getpid, unlink,
// signal and raise, all safe in a signal handler.
std::array<char, PATH_MAX> guardedPath{};
volatile std::sig_atomic_t guarding = 0;

// The SIGXFSZ a write past the file size limit (ulimit -f) brings is sent
// by the system in the name of the process itself; that write then fails
// with EFBIG and is reported like any failed write.
bool sent_for_file_size_limit(int signal, const siginfo_t* info) noexcept {
    return signal == SIGXFSZ && info != nullptr && info->si_code == SI_USER &&
           info->si_pid == ::getpid();
}

extern "C" void remove_and_reraise(int signal, siginfo_t* info, void* /*context*/) {
    if (sent_for_file_size_limit(signal, info))
        return;
    if (guarding != 0)
        ::unlink(guardedPath.data());
    (void)std::signal(signal, SIG_DFL);
    (void)std::raise(signal);
}

}  // namespace

RemoveOnInterrupt::RemoveOnInterrupt() {
    hold();
    struct sigaction action {};
    action.sa_sigaction = remove_and_reraise;
    action.sa_flags = SA_SIGINFO;
    // One signal at a time runs the handler.
    sigemptyset(&action.sa_mask);
    for (int signal : kInterrupts)
        sigaddset(&action.sa_mask, signal);
    for (std::size_t i = 0; i < kInterrupts.size(); ++i) {
        // A signal ignored by whoever started the tool (nohup, a shell
        // ignoring SIGPIPE) cannot end it, so it is left as it is.
        if (::sigaction(kInterrupts[i], nullptr, &previous_[i]) == 0 &&
            previous_[i].sa_handler == SIG_DFL)
            ::sigaction(kInterrupts[i], &action, nullptr);
    }
    installed_ = true;
}

void RemoveOnInterrupt::guard(const std::string& path) {
    if (path.size() >= guardedPath.size())
        throw ToolError(kExitUsageOrIo, printable(path) + ": path too long for a temporary file");
    std::memcpy(guardedPath.data(), path.c_str(), path.size() + 1);
    guarding = 1;
    release();
}

RemoveOnInterrupt::~RemoveOnInterrupt() {
    release();
    restore_handlers();
}

void RemoveOnInterrupt::hold() noexcept {
    sigset_t interrupts;
    sigemptyset(&interrupts);
    for (int signal : kInterrupts)
        sigaddset(&interrupts, signal);
    holding_ = ::sigprocmask(SIG_BLOCK, &interrupts, &held_) == 0;
}

void RemoveOnInterrupt::disarm() noexcept {
    restore_handlers();
    release();
}

void RemoveOnInterrupt::release() noexcept {
    if (holding_) {
        holding_ = false;
        ::sigprocmask(SIG_SETMASK, &held_, nullptr);
    }
}

void RemoveOnInterrupt::restore_handlers() noexcept {
    if (!installed_)
        return;
    installed_ = false;
    guarding = 0;
    for (std::size_t i = 0; i < kInterrupts.size(); ++i)
        ::sigaction(kInterrupts[i], &previous_[i], nullptr);
}

}  // namespace stubmeta_cli
