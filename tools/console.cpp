#include "console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tool_status.h"

namespace stubmeta_cli {
namespace {

[[noreturn]] void output_failed(int error) {
    throw ToolError(kExitUsageOrIo, std::string("stubmeta: cannot write the output: ") +
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

void print_error(std::string_view message) noexcept {
    // A failed write to standard error has no better place to go.
    static_cast<void>(std::fwrite(message.data(), 1, message.size(), stderr));
    static_cast<void>(std::fputc('\n', stderr));
}

}  // namespace stubmeta_cli
