/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Exit statuses and the one error type the tool's commands raise.
#pragma once

#include <stdexcept>
#include <string>

#include "support/console.h"

namespace stubmeta_cli {

// 0: everything was a good stub and every output was written.
inline constexpr int kExitOk = 0;
// 1: something was not a stub, was damaged, or a write was refused.
inline constexpr int kExitRefused = 1;
// 2: the command line was wrong, or a file could not be read or written.
inline constexpr int kExitUsageOrIo = 2;

// A failure that ends the current file (or the command): its message is
// one line naming the file and the cause, and status is the exit status.
class ToolError : public std::runtime_error {
public:
    ToolError(int status, const std::string& message)
        : std::runtime_error(message), status_(status) {}
    int status() const noexcept { return status_; }

private:
    int status_;
};

// Standard output refused the output (a full disk, a closed pipe): not a
// failure of one file but of the whole command, reported once.
class OutputLost : public ToolError {
public:
    explicit OutputLost(const std::string& message) : ToolError(kExitUsageOrIo, message) {}
};

// Combines per-file statuses: the worst one wins (2 over 1 over 0).
constexpr int worse_status(int a, int b) noexcept { return a > b ? a : b; }

}  // namespace stubmeta_cli
