// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/roots.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

constexpr std::size_t kChunk = 65536;

// How long a wait for more of the list lasts before the scan is asked
// again whether to stop (a signal interrupts the wait anyway).  A FIFO
// without a writer yet is not ready, so the same wait holds until one comes.
constexpr int kWaitMilliseconds = 100;

// No path the system opens is longer; a longer "name" is most likely a
// list of lines given where NUL-separated names are expected, and holding
// it whole would cost as much memory as the list.
constexpr std::size_t kLongestName = PATH_MAX - 1;

[[noreturn]] void fail(const std::string& label, int error) {
    throw ToolError(kExitUsageOrIo, printable(label) + ": " + std::strerror(error));
}

}  // namespace

NulSeparatedNames::NulSeparatedNames(const std::string& file, std::function<bool()> stopRequested,
                                     std::function<void()> beforeWaiting)
    : label_(file == "-" ? std::string("standard input") : file),
      stopRequested_(std::move(stopRequested)), beforeWaiting_(std::move(beforeWaiting)),
      buffer_(kChunk) {
    if (file == "-") {
        fd_ = STDIN_FILENO;
        return;
    }
    // O_NONBLOCK: the open of a FIFO returns at once instead of waiting
    // for a writer, which a signal asking to stop could not cut short (the
    // scan's handlers restart what they interrupt); the polls in fill() wait
    // for the writer instead, as they wait for more of the list.
    fd_ = ::open(file.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        fail(label_, errno);
    owned_ = true;
}

NulSeparatedNames::~NulSeparatedNames() {
    if (owned_)
        ::close(fd_);
}

bool NulSeparatedNames::next(std::string& name) {
    name.clear();
    for (;;) {
        const char* start = buffer_.data() + at_;
        const char* end = buffer_.data() + filled_;
        const auto* nul = static_cast<const char*>(std::memchr(start, '\0', filled_ - at_));
        name.append(start, nul != nullptr ? nul : end);
        if (name.size() > kLongestName)
            throw ToolError(kExitUsageOrIo, printable(label_) + ":" + std::to_string(count_ + 1) +
                                                ": a name longer than " +
                                                std::to_string(kLongestName) +
                                                " bytes (are the names separated by NULs?)");
        if (nul != nullptr) {
            at_ = static_cast<std::size_t>(nul - buffer_.data()) + 1;
            ++count_;
            return true;
        }
        at_ = filled_ = 0;
        if (!fill()) {
            if (name.empty() || stopRequested_())
                return false;
            ++count_;
            return true;
        }
    }
}

std::string NulSeparatedNames::where() const {
    return printable(label_) + ":" + std::to_string(count_);
}

bool NulSeparatedNames::fill() {
    for (bool waited = false;; waited = true) {
        if (stopRequested_())
            return false;
        pollfd input{fd_, POLLIN, 0};
        const int ready = ::poll(&input, 1, waited ? kWaitMilliseconds : 0);
        if (ready < 0 && errno != EINTR)
            fail(label_, errno);
        if (ready == 0 && !waited)
            beforeWaiting_();
        if (ready <= 0)
            continue;
        const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
        if (got >= 0) {
            filled_ = static_cast<std::size_t>(got);
            return got > 0;
        }
        if (errno != EINTR && errno != EAGAIN)
            fail(label_, errno);
    }
}

}  // namespace stubmeta_cli
