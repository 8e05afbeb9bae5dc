// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "support/console.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "support/hex_text.h"
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

namespace {
// "stubmeta COMMAND", or "stubmeta" before a command is known.  A fixed
// array, so that setting up the prefix can never fail.
std::array<char, 64> errorPrefix{"stubmeta"};

std::string_view error_prefix() { return errorPrefix.data(); }

// message with the prefix in front, its control bytes escaped.
std::string error_line(std::string_view message) {
    const std::string_view prefix = error_prefix();
    const std::string_view program = prefix.substr(0, prefix.find(' '));
    std::string line;
    if (message.starts_with(program) && message.substr(program.size()).starts_with(": "))
        message.remove_prefix(program.size() + 2);
    if (!message.starts_with(program))
        line.append(prefix).append(": ");
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            line += "\\x";
            append_hex(line, byte, 2);
        } else {
            line += c;
        }
    }
    return line;
}
}  // namespace

void set_error_prefix(std::string_view prefix) {
    // Command names are short; a longer prefix is cut rather than overrun.
    const std::size_t kept = std::min(prefix.size(), errorPrefix.size() - 1);
    std::copy_n(prefix.begin(), kept, errorPrefix.begin());
    errorPrefix[kept] = '\0';
}

void print_error(std::string_view message) noexcept {
    try {
        const std::string line = error_line(message) + '\n';
        if (std::fwrite(line.data(), 1, line.size(), stderr) != line.size() ||
            std::fflush(stderr) != 0)
            errorOutputLost = true;
    } catch (const std::bad_alloc&) {
        if (std::fwrite(message.data(), 1, message.size(), stderr) != message.size() ||
            std::fputc('\n', stderr) == EOF || std::fflush(stderr) != 0)
            errorOutputLost = true;
    }
}

void write_error_text(std::string_view text) noexcept {
    if (std::fwrite(text.data(), 1, text.size(), stderr) != text.size() || std::fflush(stderr) != 0)
        errorOutputLost = true;
}

bool error_output_lost() noexcept { return errorOutputLost; }

}  // namespace stubmeta_cli
