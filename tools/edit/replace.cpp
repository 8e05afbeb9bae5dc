// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/replace.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

#include "support/printable.h"
#include "support/temporary_beside.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

[[noreturn]] void fail(const std::string& path, std::string_view doing, int error) {
    throw ToolError(kExitUsageOrIo,
                    printable(path) + ": " + std::string(doing) + ": " + std::strerror(error));
}

// ".NAME.tmp.XXXXXX" in the file's directory, removed unless it took the
// file's place.
class TemporaryBeside {
public:
    TemporaryBeside(int directoryFd, std::string_view name, mode_t mode, const std::string& path)
        : directoryFd_(directoryFd), fd_(create_temporary_beside(directoryFd, name, mode, name_)) {
        if (fd_ < 0)
            fail(path, "cannot create a temporary file beside it", errno);
    }
    TemporaryBeside(const TemporaryBeside&) = delete;
    TemporaryBeside& operator=(const TemporaryBeside&) = delete;
    ~TemporaryBeside() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!kept_)
            ::unlinkat(directoryFd_, name_.c_str(), 0);
    }
    int fd() const noexcept { return fd_; }
    const char* name() const noexcept { return name_.c_str(); }
    int close() noexcept {
        const int status = ::close(fd_);
        fd_ = -1;
        return status;
    }
    // The name now holds a file that must stay (a plain rename moved it).
    void keep() noexcept { kept_ = true; }
    // Removes the file the name holds now.
    void remove(const std::string& path) {
        if (::unlinkat(directoryFd_, name_.c_str(), 0) != 0)
            fail(path, std::string("cannot remove ") + name_, errno);
        kept_ = true;
    }

private:
    int directoryFd_;
    std::string name_;  // set by fd_'s initialiser, so declared before it
    int fd_ = -1;
    bool kept_ = false;
};

void write_content(int fd, const FileContent& content, const std::string& path) {
    if (write_whole(fd, content.bytes) != 0)
        fail(path, "cannot write", errno);
    // Zeros after the stub, as holes where the file system keeps them.
    if (content.size > content.bytes.size() &&
        ::ftruncate(fd, static_cast<off_t>(content.size)) != 0)
        fail(path, "cannot write", errno);
}

// Whether name still holds what was read: the same inode and content,
// with the same times (the change time too, unless a rename since has
// changed it).
bool holds_what_was_read(const Replacement& r, const char* name, bool renamedSince) {
    const bool follow = false;
    const TreeFileRead now = read_tree_file(r.directoryFd, name, r.path, follow, false);
    if (now.result != ReadResult::Read || now.content != *r.seenContent)
        return false;
    if (renamedSince) {
        struct stat a = now.status;
        a.st_ctim = r.seen.st_ctim;
        return same_version(a, r.seen) && a.st_nlink == r.seen.st_nlink;
    }
    return same_version(now.status, r.seen) && now.status.st_nlink == r.seen.st_nlink;
}

// A test hook: stops the tool after the file was found unchanged and before
// it is replaced, so that a test can change it in that moment.
void stop_before_exchange_if_asked() {
    if (std::getenv("STUBMETA_TEST_STOP_BEFORE_RENAME") != nullptr)
        (void)std::raise(SIGSTOP);
}

void sync_directory(const Replacement& r) {
    if (r.syncDirectory && ::fsync(r.directoryFd) != 0 && errno != EINVAL && errno != ENOTSUP)
        fail(r.path, "cannot sync its directory", errno);
}

}  // namespace

Replaced replace_checked(const Replacement& r,
                         const std::function<void(const struct stat&)>& beforeSwap) {
    const mode_t creation = r.preserve.mode ? 0600 : 0666;
    TemporaryBeside temporary(r.directoryFd, r.name, creation, r.path);
    write_content(temporary.fd(), *r.content, r.path);
    apply_identity(temporary.fd(), *r.identity, r.preserve, r.path);
    struct stat written {};
    if (::fsync(temporary.fd()) != 0 || ::fstat(temporary.fd(), &written) != 0 ||
        temporary.close() != 0)
        fail(r.path, "cannot write", errno);
    beforeSwap(written);

    if (!holds_what_was_read(r, r.name, false))
        return Replaced::Changed;
    stop_before_exchange_if_asked();
    if (::renameat2(r.directoryFd, temporary.name(), r.directoryFd, r.name, RENAME_EXCHANGE) != 0) {
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
            fail(r.path, "cannot replace", errno);
        // No exchange here: the check above is the last word.
        if (::renameat(r.directoryFd, temporary.name(), r.directoryFd, r.name) != 0)
            fail(r.path, "cannot replace", errno);
        temporary.keep();
        sync_directory(r);
        return Replaced::Done;
    }
    // The temporary name now holds the file swapped out.
    if (!holds_what_was_read(r, temporary.name(), true)) {
        if (::renameat2(r.directoryFd, temporary.name(), r.directoryFd, r.name, RENAME_EXCHANGE) !=
            0) {
            temporary.keep();  // it holds the changed file: never removed
            fail(r.path,
                 std::string("changed while being replaced, and cannot be put back from ") +
                     temporary.name(),
                 errno);
        }
        temporary.remove(r.path);  // the new content
        sync_directory(r);
        return Replaced::Changed;
    }
    temporary.remove(r.path);  // the old content
    sync_directory(r);
    return Replaced::Done;
}

}  // namespace stubmeta_cli
