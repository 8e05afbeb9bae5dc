// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "mpi/interrupt.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace stubmeta_cli {
namespace {

// Set before the handlers are installed and only read by them.
volatile std::sig_atomic_t saysInterrupted = 0;
volatile std::sig_atomic_t editing = 0;
// Any thread may take the signal (MPI runs threads of its own), so these
// are atomics, lock-free and so safe in a handler.
std::atomic<int> fileInHand{0};
std::atomic<int> pendingSignal{0};

// Only async-signal-safe calls: the message is a constant, written whole.
extern "C" void end_interrupted(int signal) {
    if (saysInterrupted != 0) {
        const char* const scan =
            signal == SIGINT ? "stubmeta-mpi: interrupted (SIGINT); the scan is incomplete\n"
                             : "stubmeta-mpi: interrupted (SIGTERM); the scan is incomplete\n";
        const char* const edit =
            signal == SIGINT ? "stubmeta-mpi: interrupted (SIGINT); the edit is incomplete\n"
                             : "stubmeta-mpi: interrupted (SIGTERM); the edit is incomplete\n";
        const char* const message = editing != 0 ? edit : scan;
        static_cast<void>(::write(STDERR_FILENO, message, std::strlen(message)));
    }
    if (fileInHand.load() != 0) {
        pendingSignal.store(signal);  // raised once the file is done
        return;
    }
    // The handler was reset on entry (SA_RESETHAND): the signal, pending
    // until it returns, then ends the process.
    static_cast<void>(std::raise(signal));
}

}  // namespace

void end_on_interrupt(bool saysSo, bool edit) {
    saysInterrupted = saysSo ? 1 : 0;
    editing = edit ? 1 : 0;
    struct sigaction action {};
    action.sa_handler = end_interrupted;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    for (int signal : std::array{SIGINT, SIGTERM}) {
        struct sigaction previous {};
        // A signal the job was started with ignored stays ignored.
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

void finish_file_before_interrupt(bool inHand) {
    fileInHand.store(inHand ? 1 : 0);
    if (!inHand && pendingSignal.load() != 0)
        static_cast<void>(std::raise(pendingSignal.load()));
}

}  // namespace stubmeta_cli
