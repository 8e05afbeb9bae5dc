// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "support/file_reading.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// "PATH: what was being done: cause", the path escaped.
[[noreturn]] void fail_io(const std::string& path, std::string_view doing, int error) {
    throw ToolError(kExitUsageOrIo,
                    printable(path) + ": " + std::string(doing) + ": " + std::strerror(error));
}

}  // namespace

Descriptor::~Descriptor() {
    if (fd_ >= 0)
        ::close(fd_);
}

int Descriptor::close() noexcept {
    const int status = ::close(fd_);
    fd_ = -1;
    return status;
}

StubBytes::StubBytes(const std::string& content)
    : bytes_(content.begin(), content.end()), size_(content.size()) {}

StubBytes StubBytes::with_zero_header() const {
    return StubBytes(std::string(kNtfsHeaderSize, '\0') + content());
}

ssize_t StubBytes::read_more(int fd, std::size_t most) {
    // Room for a whole read limit's worth of content, made once for a
    // buffer that is filled in place.
    if (bytes_.size() < kReadLimit)
        bytes_.resize(kReadLimit);
    const std::size_t room = kReadLimit - size_;
    const std::size_t wanted = most < room ? most : room;
    if (wanted == 0)
        return 0;
    ssize_t got = 0;
    do
        got = ::read(fd, bytes_.data() + size_, wanted);
    while (got < 0 && errno == EINTR);
    if (got > 0)
        size_ += static_cast<std::size_t>(got);
    return got;
}

int open_for_reading(int directoryFd, const char* name, int flags) {
    const int fd = ::openat(directoryFd, name, flags | O_NOATIME);
    if (fd >= 0 || errno != EPERM)
        return fd;
    return ::openat(directoryFd, name, flags);
}

namespace {

// Reads the first kReadLimit bytes of fd into result.  For a stream, whose
// size only reading tells, one byte more says whether anything follows
// (apparentSize is then kReadLimit + 1); the rest is never read, so an
// endless device (/dev/zero) cannot hold the tool.
void read_head(int fd, const std::string& path, FileRead& result, bool stream) {
    while (result.buffer.size() < kReadLimit) {
        const ssize_t got = result.buffer.read_more(fd, kReadLimit);
        if (got < 0)
            fail_io(path, "cannot read", errno);
        if (got == 0)
            break;
    }
    result.apparentSize = result.buffer.size();
    if (!stream || result.buffer.size() < kReadLimit)
        return;
    char next = 0;
    ssize_t got = 0;
    do {
        got = ::read(fd, &next, 1);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        fail_io(path, "cannot read", errno);
    result.apparentSize += static_cast<std::uint64_t>(got);
    result.dataPastRead = got > 0;
}

// Whether a regular file holds data past its first read bytes.  A file
// system without SEEK_DATA counts the whole file as data, so the answer
// errs towards data; only "nothing but holes" (ENXIO) says no.
bool data_past(int fd, std::uint64_t read, std::uint64_t size) {
    if (read >= size)
        return false;
    return ::lseek(fd, static_cast<off_t>(read), SEEK_DATA) >= 0 || errno != ENXIO;
}

// The open of a FIFO did not wait for a writer, but a read before one
// came would find it empty: waits until data comes or a writer has come
// and gone, as a blocking open and read (cat) would.
void wait_for_writer(int fd, const std::string& path) {
    pollfd input{fd, POLLIN, 0};
    while (::poll(&input, 1, -1) < 0)
        if (errno != EINTR)
            fail_io(path, "cannot wait for a writer", errno);
}

// A named path that cannot be opened for reading: a socket says what it
// is rather than "No such device or address".
[[noreturn]] void fail_open(const std::string& path, int error) {
    struct stat status {};
    if (error == ENXIO && ::stat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode))
        throw ToolError(kExitUsageOrIo,
                        printable(path) + ": cannot read: a socket, not a regular file");
    fail_io(path, "cannot open", error);
}

}  // namespace

FileRead read_stub_file(const std::string& path, bool followLinks) {
    FileRead result;
    if (path.empty())
        throw ToolError(kExitUsageOrIo, "\"\": an empty path names no file");
    if (path == "-") {
        read_head(STDIN_FILENO, "standard input", result, true);
        return result;
    }
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer.
    int flags = O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    if (!followLinks)
        flags |= O_NOFOLLOW;
    Descriptor fd(open_for_reading(AT_FDCWD, path.c_str(), flags));
    if (fd.get() < 0)
        fail_open(path, errno);
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        fail_io(path, "cannot stat", errno);
    if (S_ISDIR(status.st_mode))
        fail_io(path, "cannot read", EISDIR);
    if (!S_ISREG(status.st_mode)) {
        // A pipe or terminal named on the command line (/dev/stdin, a
        // process substitution) is read as it comes, waiting for data.
        if (S_ISFIFO(status.st_mode))
            wait_for_writer(fd.get(), path);
        const int streamFlags = ::fcntl(fd.get(), F_GETFL);
        if (streamFlags < 0 || ::fcntl(fd.get(), F_SETFL, streamFlags & ~O_NONBLOCK) != 0)
            fail_io(path, "cannot read", errno);
        read_head(fd.get(), path, result, true);
        return result;
    }
    read_head(fd.get(), path, result, false);
    result.apparentSize = static_cast<std::uint64_t>(status.st_size);
    result.allocatedSize = static_cast<std::uint64_t>(status.st_blocks) * 512u;
    result.dataPastRead = data_past(fd.get(), result.buffer.size(), result.apparentSize);
    return result;
}

StubBytes read_stub_attribute(const std::string& path, const std::string& attribute,
                              bool followLinks) {
    std::string value(kReadLimit, '\0');
    ssize_t got = followLinks
                      ? ::getxattr(path.c_str(), attribute.c_str(), value.data(), value.size())
                      : ::lgetxattr(path.c_str(), attribute.c_str(), value.data(), value.size());
    if (got < 0) {
        if (errno == ENODATA)
            throw ToolError(kExitRefused, printable(path) + ": has no attribute " + attribute);
        if (errno == ERANGE)
            throw ToolError(kExitRefused, printable(path) + ": attribute " + attribute +
                                              " is longer than " + std::to_string(kReadLimit) +
                                              " bytes");
        fail_io(path, "cannot read attribute " + attribute, errno);
    }
    value.resize(static_cast<std::size_t>(got));
    return StubBytes(value);
}

bool has_attribute(const std::string& path, const std::string& attribute, bool followLinks) {
    ssize_t got = followLinks ? ::getxattr(path.c_str(), attribute.c_str(), nullptr, 0)
                              : ::lgetxattr(path.c_str(), attribute.c_str(), nullptr, 0);
    if (got >= 0)
        return true;
    if (errno == ENODATA || errno == ENOTSUP)
        return false;
    fail_io(path, "cannot read attribute " + attribute, errno);
}

std::string read_small_file(const std::string& path, std::size_t limit) {
    int fd = path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail_io(path, "cannot open", errno);
    Descriptor owner(path == "-" ? -1 : fd);
    std::string content;
    char chunk[8192];
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            fail_io(path, "cannot read", errno);
        }
        if (got == 0)
            break;
        content.append(chunk, static_cast<std::size_t>(got));
        if (content.size() > limit)
            throw ToolError(kExitRefused,
                            printable(path) + ": longer than " + std::to_string(limit) + " bytes");
    }
    return content;
}

}  // namespace stubmeta_cli
