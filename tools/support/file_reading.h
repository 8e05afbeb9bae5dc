/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Reading a stub: at most the first 64 KiB of a file or an attribute,
// without changing the file's access time where that is allowed; the bytes
// go to the library with their number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "stubmeta.hpp"

namespace stubmeta_cli {

// Owns an open file descriptor and closes it when it goes out of scope,
// however the read that uses it ends.  A negative descriptor is not closed.
class Descriptor {
public:
    explicit Descriptor(int fd) noexcept : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();
    int get() const noexcept { return fd_; }
    // Closes now, so that a failing close (a write that did not reach the
    // disk) is seen; returns close()'s status.
    int close() noexcept;

private:
    int fd_;
};

// openat() for reading a stub without changing its access time (an
// archiving product may read that time): O_NOATIME where the file's owner
// or a privileged user asks, a plain open for anyone else.
int open_for_reading(int directoryFd, const char* name, int flags);

// The most bytes read from any file or attribute: what the largest stub of
// any type needs.
inline constexpr std::size_t kReadLimit = STUBMETA_READ_MAX;

// The size of the reparse header in front of an NTFS text.
inline constexpr std::size_t kNtfsHeaderSize = STUBMETA_NTFS_HEADER_SIZE;

// A stub's bytes as read.  The library is always told their number (view()
// goes to stubmeta::parse and stubmeta::check_envelope), so nothing follows
// them.
class StubBytes {
public:
    StubBytes() = default;
    explicit StubBytes(const std::string& content);

    const char* data() const noexcept { return bytes_.data(); }
    std::size_t size() const noexcept { return size_; }
    std::string_view view() const noexcept { return {bytes_.data(), size_}; }
    // The content bytes only.
    std::string content() const { return std::string(bytes_.data(), size_); }

    // The same content behind 24 zero bytes, as an NTFS reparse header.
    StubBytes with_zero_header() const;

    // Forgets the content, so that one buffer can take file after file
    // without being allocated again.
    void clear() noexcept { size_ = 0; }
    // Reads once from fd, appending at most most bytes but never going
    // past kReadLimit in all (EINTR is retried).  Returns the bytes read,
    // 0 at the end of the file or when the buffer is full, or -1 with
    // errno set.
    ssize_t read_more(int fd, std::size_t most);

private:
    std::vector<char> bytes_;
    std::size_t size_ = 0;
};

// What reading a file found.
struct FileRead {
    StubBytes buffer;
    std::uint64_t apparentSize = 0;   // st_size
    std::uint64_t allocatedSize = 0;  // st_blocks * 512
    // Whether the file may hold data past the bytes read: false when they
    // are all of it, or when only holes follow them (a sparse stub of the
    // original's size); true for a stream with more to come.
    bool dataPastRead = false;
};

// Reads at most kReadLimit bytes from the start of a file named on the
// command line: a regular file, or a pipe or terminal read as it comes (a
// FIFO waited on for its writer, as cat waits); "-" is standard input.  apparentSize is the file's size; for a stream,
// the bytes read, or kReadLimit + 1 when more follow (never read further).  With followLinks false a symbolic link is not followed.
// Throws ToolError (status 2) naming path and cause when the file cannot be
// read (a directory, a socket).
FileRead read_stub_file(const std::string& path, bool followLinks = true);

// Reads an extended attribute of path instead of its content, never
// opening the file's data.  Throws ToolError: status 1 when the file has no
// such attribute, status 2 when it cannot be read.
StubBytes read_stub_attribute(const std::string& path, const std::string& attribute,
                              bool followLinks = true);

// True when path has the attribute; false when it has none.  Throws
// ToolError (status 2) for other failures.
bool has_attribute(const std::string& path, const std::string& attribute, bool followLinks);

// Reads a whole small input file ("-" is standard input), at most limit
// bytes; throws ToolError (status 2) on failure or when it is longer.
std::string read_small_file(const std::string& path, std::size_t limit);

// The default attribute for reparse data on an NTFS volume mounted on Linux.
inline constexpr const char* kDefaultReparseAttribute = "system.ntfs_reparse_data";

}  // namespace stubmeta_cli
