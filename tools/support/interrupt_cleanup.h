/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Removing a temporary file when a signal ends the tool before the file
// was moved into place.
#pragma once

#include <csignal>
#include <cstddef>
#include <string>

namespace stubmeta_cli {

// The signals whose default action ends the process and that a user, a
// parent or the system may send while a file is written: HUP, INT, QUIT,
// TERM, USR1, USR2, ALRM, PIPE, XFSZ, XCPU, VTALRM and PROF.
inline constexpr std::size_t kEndingSignalCount = 12;

// While an instance guards a file, those signals remove it and then end the
// process as they would have (so the exit status still tells the signal).
// A signal the tool was started with ignored stays ignored (nohup).  The
// SIGXFSZ the system sends when a write passes the file size limit does not
// end the process: that write fails with EFBIG, an error like any other.
// One instance at a time: the tool writes one file at a time.
//
// Creating the file and guarding it must leave no gap, so the instance
// starts with the signals held back: create the file, then guard() it.
class RemoveOnInterrupt {
public:
    RemoveOnInterrupt();
    RemoveOnInterrupt(const RemoveOnInterrupt&) = delete;
    RemoveOnInterrupt& operator=(const RemoveOnInterrupt&) = delete;
    ~RemoveOnInterrupt();

    // Guards the file at path and lets held signals through.  Throws
    // ToolError (status 2) for a path too long to keep, still holding.
    void guard(const std::string& path);
    // Holds the signals back: call before moving the file into place.
    void hold() noexcept;
    // Stops guarding (the file has been moved into place), then lets a
    // held signal through, which now ends the process without removing
    // anything.  Without disarm, the destructor lets a held signal through
    // first, while the file is still guarded.
    void disarm() noexcept;

private:
    void release() noexcept;
    void restore_handlers() noexcept;

    struct sigaction previous_[kEndingSignalCount] {};
    sigset_t held_{};
    bool holding_ = false;
    bool installed_ = false;
};

}  // namespace stubmeta_cli
