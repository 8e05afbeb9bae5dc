// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/stub_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "stub/envelope_report.h"
#include "stub/verdict.h"
#include "support/file_reading.h"
#include "support/printable.h"

namespace stubmeta_cli {
namespace {

// The first read: the opening of any stub and the whole of most.
constexpr std::size_t kFirstChunk = 4096;

bool opens_like_stub(const std::string& bytes, std::uint64_t size) {
    const std::string_view view(bytes);
    return view.starts_with(kEnvelopeMagic) || view.starts_with(kDmnasPrefix) ||
           has_reparse_header(bytes.data(), bytes.size(), size);
}

FileRead2 failed(FileRead2 read, const std::string& path, const char* doing, int error) {
    read.result = ReadResult::Unreadable;
    read.message = printable(path) + ": " + doing + ": " + std::strerror(error);
    return read;
}

// Reads up to most bytes more into bytes; -1 with errno on failure.
ssize_t read_up_to(int fd, std::string& bytes, std::size_t most) {
    const std::size_t at = bytes.size();
    bytes.resize(at + most);
    ssize_t got = 0;
    do
        got = ::pread(fd, bytes.data() + at, most, static_cast<off_t>(at));
    while (got < 0 && errno == EINTR);
    bytes.resize(at + (got > 0 ? static_cast<std::size_t>(got) : 0));
    return got;
}

}  // namespace

bool same_version(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

FileRead2 read_tree_file(int directoryFd, const char* name, const std::string& path,
                         bool followLinks, bool byOpening) {
    FileRead2 read;
    // O_NONBLOCK keeps a FIFO put in a file's place from stalling the edit.
    const int flags = O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    auto fd = std::make_unique<Descriptor>(open_for_reading(directoryFd, name, flags));
    if (fd->get() < 0)
        return failed(std::move(read), path, "cannot open", errno);
    if (::fstat(fd->get(), &read.status) != 0)
        return failed(std::move(read), path, "cannot stat", errno);
    if (!S_ISREG(read.status.st_mode)) {
        read.message = printable(path) + ": not a regular file";
        return read;
    }
    const auto size = static_cast<std::uint64_t>(read.status.st_size);
    std::string& bytes = read.content.bytes;
    bytes.reserve(size < kReadLimit ? size : kReadLimit);
    if (read_up_to(fd->get(), bytes, kFirstChunk) < 0)
        return failed(std::move(read), path, "cannot read", errno);
    if (byOpening && !opens_like_stub(bytes, size)) {
        read.result = ReadResult::NotStub;
        return read;
    }
    for (ssize_t got = 1; got > 0 && bytes.size() < kReadLimit + 1;) {
        got = read_up_to(fd->get(), bytes, kReadLimit + 1 - bytes.size());
        if (got < 0)
            return failed(std::move(read), path, "cannot read", errno);
    }
    read.content.size = bytes.size();
    if (bytes.size() > kReadLimit) {
        read.result = ReadResult::TooLarge;
        read.message = printable(path) + ": holds more than the " + std::to_string(kReadLimit) +
                       " bytes any stub takes; not edited";
        return read;
    }
    read.result = ReadResult::Read;
    read.fd = std::move(fd);
    return read;
}

}  // namespace stubmeta_cli
