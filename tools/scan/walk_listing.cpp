// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/walk_listing.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "support/printable.h"

namespace stubmeta_cli {
namespace {

// A batch is handed on at this many files or bytes of names, so that the
// readers start early and a huge directory is never held whole.
constexpr std::size_t kBatchFiles = 256;
constexpr std::size_t kBatchBytes = 16384;

// Entries listed between two questions whether the walk should stop.
constexpr unsigned kEntriesBetweenStopChecks = 256;

bool is_dot_or_dot_dot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The directory's path as reported: without its final '/' unless it is
// all there is.
std::string directory_path(const std::string& path) {
    return path.size() > 1 ? path.substr(0, path.size() - 1) : path;
}

}  // namespace

int open_directory(int parentFd, const char* name, bool followLink) {
    return ::openat(parentFd, name,
                    O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
}

int open_directory_path(const std::string& path, bool followLast) {
    constexpr std::size_t kMostAtOnce = PATH_MAX - 1;
    std::size_t at = 0;
    int parentFd = AT_FDCWD;
    while (path.size() - at > kMostAtOnce) {
        const std::size_t cut = path.rfind('/', at + kMostAtOnce);
        const int fd = cut == std::string::npos || cut <= at
                           ? -1  // a single name longer than any path
                           : open_directory(parentFd, path.substr(at, cut - at).c_str(), true);
        const int error = cut == std::string::npos || cut <= at ? ENAMETOOLONG : errno;
        if (parentFd != AT_FDCWD)
            ::close(parentFd);
        if (fd < 0) {
            errno = error;
            return -1;
        }
        parentFd = fd;
        at = cut + 1;
    }
    const int fd = open_directory(parentFd, path.c_str() + at, followLast);
    const int error = errno;
    if (parentFd != AT_FDCWD)
        ::close(parentFd);
    errno = error;
    return fd;
}

std::string EntryReader::list(const ListedDirectory& listed) {
    std::string subdirectories;
    const int listFd = ::dup(listed.fd->get());  // closedir closes the copy
    DIR* stream = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (stream == nullptr) {
        const int error = errno;
        if (listFd >= 0)
            ::close(listFd);
        unreadable(directory_path(listed.path),
                   std::string("cannot read the directory: ") + std::strerror(error));
        return subdirectories;
    }
    auto directory = std::make_shared<const OpenDirectory>(listed.fd, listed.path);
    FileBatch files(directory);
    unsigned sinceStopCheck = 0;
    bool stopped = false;
    errno = 0;
    while (const dirent* entry = ::readdir(stream)) {
        take_entry(listed, entry->d_name, entry->d_type, files, directory, subdirectories);
        if (++sinceStopCheck == kEntriesBetweenStopChecks) {
            sinceStopCheck = 0;
            stopped = options_.stopRequested();
            if (stopped)
                break;
        }
        errno = 0;  // readdir sets it only on failure
    }
    const int readError = stopped ? 0 : errno;
    ::closedir(stream);
    hand_on(files, directory);
    if (readError != 0)
        unreadable(directory_path(listed.path),
                   std::string("cannot read the directory: ") + std::strerror(readError));
    return subdirectories;
}

void EntryReader::take_entry(const ListedDirectory& listed, const char* name, unsigned char type,
                             FileBatch& files,
                             const std::shared_ptr<const OpenDirectory>& directory,
                             std::string& subdirectories) {
    if (is_dot_or_dot_dot(name))
        return;
    const Kind kind = kind_of(listed.fd->get(), name, type);
    // The entries of a directory at depth d are at depth d + 1: files
    // there are within reach, subdirectories only when deeper is too.
    if (kind == Kind::Skipped || (kind == Kind::Directory && listed.depth + 2 > options_.maxDepth))
        return;
    if (!excludes_.empty()) {
        relativePath_.assign(listed.path, listed.rootLength).append(name);
        if (excludes_.excludes(relativePath_, name, kind == Kind::Directory))
            return;
    }
    if (kind == Kind::File)
        add(files, directory, name);
    else
        subdirectories.append(name, std::strlen(name) + 1);
}

// Directory: a directory, or an entry that could not be stat'ed.
EntryReader::Kind EntryReader::kind_of(int directoryFd, const char* name,
                                       unsigned char type) const {
    switch (type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return Kind::Directory;
    case DT_LNK:
        if (!options_.followSymlinks)
            return Kind::Skipped;
        break;
    case DT_UNKNOWN:
        break;
    default:
        return Kind::Skipped;
    }
    // A link to follow, or a file system that does not give types.
    struct stat status {};
    if (::fstatat(directoryFd, name, &status, options_.followSymlinks ? 0 : AT_SYMLINK_NOFOLLOW) !=
        0)
        return Kind::Directory;  // entering it reports why
    if (S_ISREG(status.st_mode))
        return Kind::File;
    return S_ISDIR(status.st_mode) ? Kind::Directory : Kind::Skipped;
}

void EntryReader::add(FileBatch& batch, const std::shared_ptr<const OpenDirectory>& directory,
                      const char* name) {
    batch.add(name);
    if (batch.count() >= kBatchFiles || batch.bytes() >= kBatchBytes)
        hand_on(batch, directory);
}

void EntryReader::hand_on(FileBatch& batch, const std::shared_ptr<const OpenDirectory>& directory) {
    if (batch.count() == 0)
        return;
    onFiles_(std::exchange(batch, FileBatch(directory)));
}

void EntryReader::unreadable(const std::string& path, const std::string& cause) const {
    onUnreadable_(printable(path) + ": " + cause);
}

}  // namespace stubmeta_cli
