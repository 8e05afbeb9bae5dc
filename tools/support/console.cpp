// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "support/console.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

[[noreturn]] void output_failed(int error) {
    throw OutputLost(std::string("stubmeta: cannot write the output: ") +
                     (error != 0 ? std::strerror(error) : "write refused"));
}

}  // namespace

void write_out(std::string_view text) {
    if (text.empty())
        return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        output_failed(errno);
}

void write_line(std::string_view text) {
    write_out(text);
    errno = 0;
    if (std::fputc('\n', stdout) == EOF)
        output_failed(errno);
}

void flush_out() {
    errno = 0;
    if (std::fflush(stdout) != 0)
        output_failed(errno);
}

namespace {
// Set once a write to standard error failed; the exit status then says so.
std::atomic<bool> errorOutputLost{false};
}  // namespace

void print_error(std::string_view message) noexcept {
    if (std::fwrite(message.data(), 1, message.size(), stderr) != message.size() ||
        std::fputc('\n', stderr) == EOF || std::fflush(stderr) != 0)
        errorOutputLost = true;
}

void write_error_text(std::string_view text) noexcept {
    if (std::fwrite(text.data(), 1, text.size(), stderr) != text.size() || std::fflush(stderr) != 0)
        errorOutputLost = true;
}

bool error_output_lost() noexcept { return errorOutputLost; }

}  // namespace stubmeta_cli
