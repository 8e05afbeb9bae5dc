/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The roots of a scan named in a file, as --files0-from gives them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace stubmeta_cli {

// Reads NUL-separated names from a file ("-" is standard input), a piece
// at a time, so that a list as long as a whole volume's costs no more
// memory than a short one, and the scan of the first names starts before
// the list is complete (it may come from a pipe).
class NulSeparatedNames {
public:
    // Opens the file; throws ToolError (status 2) when it cannot.
    // stopRequested is asked while waiting for more of the list, and
    // beforeWaiting called before a wait (so that the names read so far
    // are dealt with while the writer of the list is still at work).
    NulSeparatedNames(const std::string& file, std::function<bool()> stopRequested,
                      std::function<void()> beforeWaiting);
    NulSeparatedNames(const NulSeparatedNames&) = delete;
    NulSeparatedNames& operator=(const NulSeparatedNames&) = delete;
    ~NulSeparatedNames();

    // The next name, possibly empty (which names no file).  A last name
    // without its NUL counts.  Returns false at the end of the list or
    // when asked to stop; throws ToolError (status 2) when reading fails
    // or a name runs past PATH_MAX - 1 bytes, which no path can (memory
    // stays bounded by that, whatever the list).
    bool next(std::string& name);

    // "FILE:N" for the name last returned, the N-th of the list.
    std::string where() const;

private:
    // Reads more of the list; false at its end or when asked to stop.
    bool fill();

    std::string label_;
    int fd_ = -1;
    bool owned_ = false;
    std::function<bool()> stopRequested_;
    std::function<void()> beforeWaiting_;
    std::vector<char> buffer_;
    std::size_t at_ = 0;
    std::size_t filled_ = 0;
    std::size_t count_ = 0;
};

}  // namespace stubmeta_cli
