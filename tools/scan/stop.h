/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Ending a scan before it is done: on SIGINT or SIGTERM, when standard
// output is a pipe nobody reads any more, or when a thread fails.  Every
// thread asks requested() between files; the scan then ends the way the
// cause says, with every row found so far printed whole.
#pragma once

#include <array>
#include <atomic>
#include <csignal>
#include <exception>
#include <mutex>
#include <span>

namespace stubmeta_cli {

// The signals that ask a scan to stop: a user's interrupt and a polite kill.
inline constexpr std::array<int, 2> kScanInterrupts{SIGINT, SIGTERM};
// A command that replaces files (edit, undo) stops between files on every
// signal that would otherwise end it in the middle of a replacement and
// leave a temporary file behind, all but SIGXFSZ: that one a write past the
// file size limit brings, and it fails that write like any other error.
inline constexpr std::array<int, 11> kWriterInterrupts{SIGHUP,  SIGINT,    SIGQUIT, SIGTERM,
                                                       SIGUSR1, SIGUSR2,   SIGALRM, SIGPIPE,
                                                       SIGXCPU, SIGVTALRM, SIGPROF};

class ScanStop {
public:
    // Catches signals (kScanInterrupts or kWriterInterrupts) until
    // destroyed: the first one asks the work to stop, a second one ends
    // the process at once as usual.
    explicit ScanStop(std::span<const int> signals = kScanInterrupts);
    ScanStop(const ScanStop&) = delete;
    ScanStop& operator=(const ScanStop&) = delete;
    ~ScanStop();

    bool requested() const noexcept;
    // Whether a signal asked to stop.
    static bool interrupted() noexcept;

    // Asks to stop because of error (the first one is kept).
    void fail(std::exception_ptr error) noexcept;

    // Asks to stop when standard output is a pipe whose reading end has
    // been closed (`| head -1` has its line), rather than at the next row
    // written, which may be far off in a tree with few stubs.
    void check_output() noexcept;

    // Once every thread has ended: rethrows the failure that stopped the
    // scan, if one did.
    void rethrow_failure();

    // Then, with the rows found printed: ends as the cause would have
    // ended the process (killed by the signal that came, or by SIGPIPE;
    // a "Broken pipe" error when SIGPIPE is ignored).  Returns when the
    // scan was not stopped.
    void end_if_stopped();

private:
    const bool outputIsPipe_;
    std::atomic<bool> outputClosed_{false};
    std::atomic<bool> failed_{false};
    std::mutex failureMutex_;
    std::exception_ptr failure_;
    std::span<const int> signals_;
    std::array<struct sigaction, kWriterInterrupts.size()> previous_{};
};

// While an instance lives, signals (those ScanStop catches) are held back
// from the calling thread, and so from every thread it starts (which
// inherit its mask): the signals then reach the thread walking the trees,
// whose waits they interrupt.
class InterruptsHeldFromNewThreads {
public:
    explicit InterruptsHeldFromNewThreads(std::span<const int> signals = kScanInterrupts) noexcept;
    InterruptsHeldFromNewThreads(const InterruptsHeldFromNewThreads&) = delete;
    InterruptsHeldFromNewThreads& operator=(const InterruptsHeldFromNewThreads&) = delete;
    ~InterruptsHeldFromNewThreads();

private:
    sigset_t previous_{};
};

}  // namespace stubmeta_cli
