// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "support/atomic_write.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "support/console.h"
#include "support/file_identity.h"
#include "support/file_reading.h"
#include "support/interrupt_cleanup.h"
#include "support/output_target.h"
#include "support/printable.h"
#include "support/temporary_beside.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// "PATH: what was being done: cause", the path escaped.
[[noreturn]] void fail(const std::string& path, std::string_view doing, int error) {
    throw ToolError(kExitUsageOrIo,
                    printable(path) + ": " + std::string(doing) + ": " + std::strerror(error));
}

// A temporary file of mode 0600 in the target's directory (so the final
// rename stays within one file system), removed unless moved into place,
// also when a signal ends the tool.
class TemporaryFile {
public:
    // mode is the permission the file is created with, before the umask
    // and the directory's default ACL apply to it as to any new file.
    TemporaryFile(const std::string& target, mode_t mode) {
        guard_.emplace();
        fd_ = create_temporary_beside(AT_FDCWD, target, mode, name_);
        if (fd_ < 0)
            fail(target, "cannot create a temporary file beside it", errno);
        try {
            guard_->guard(name_);
        } catch (...) {
            ::close(fd_);
            ::unlink(name_.c_str());
            throw;
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!moved_)
            ::unlink(name_.c_str());
        // guard_ ends after the file is gone.
    }
    int fd() const noexcept { return fd_; }
    const char* name() const noexcept { return name_.c_str(); }
    int close() noexcept {
        const int status = ::close(fd_);
        fd_ = -1;
        return status;
    }
    // Moves the file to target: with replace by rename, else by link, which
    // refuses a name that appeared since the target was checked.  A signal
    // arriving meanwhile takes effect once the file is in place.
    int move_to(const std::string& target, bool replace) {
        guard_->hold();
        int status = replace ? ::rename(name(), target.c_str()) : ::link(name(), target.c_str());
        if (status == 0 && !replace)
            status = ::unlink(name());
        if (status == 0) {
            moved_ = true;
            guard_->disarm();
        }
        return status;
    }

private:
    std::string name_;
    int fd_ = -1;
    bool moved_ = false;
    std::optional<RemoveOnInterrupt> guard_;
};

void write_all(int fd, const std::string& bytes, const std::string& path) {
    if (write_whole(fd, bytes) != 0)
        fail(path, "cannot write", errno);
}

// Makes a rename durable.  File systems that cannot sync a directory say
// so with EINVAL; that is not a failure of the write.
void sync_directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    Descriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        fail(directory, "cannot open the directory to sync it", errno);
    if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != ENOTSUP)
        fail(directory, "cannot sync the directory", errno);
}

// A test hook: stops the tool just before the rename, so that a test can
// deliver a signal while the temporary file exists.
void stop_before_rename_if_asked() {
    if (std::getenv("STUBMETA_TEST_STOP_BEFORE_RENAME") != nullptr)
        (void)std::raise(SIGSTOP);
}

// A file that replaces another keeps the identity asked for, all of it or
// the replacement is abandoned.  A new file, or one whose mode is not
// kept, is created as any new file is (0666 less the umask, or the
// directory's default ACL), so it gets what touch would give it.
void replace_by_rename(const std::string& bytes, const OutputTarget& target,
                       const FileOutputOptions& options) {
    FileIdentity identity;
    Preservation preserve{false, false, false, false};
    if (target.existing) {
        preserve = options.preserve;
        identity = read_identity(target.path, *target.existing, preserve);
    }
    const mode_t creation = preserve.mode ? 0600 : 0666;

    TemporaryFile temporary(target.path, creation);
    write_all(temporary.fd(), bytes, options.output);
    apply_identity(temporary.fd(), identity, preserve, options.output);
    if (::fsync(temporary.fd()) != 0 || temporary.close() != 0)
        fail(options.output, "cannot write", errno);
    stop_before_rename_if_asked();
    if (temporary.move_to(target.path, target.existing.has_value()) != 0) {
        if (errno == EEXIST)
            throw ToolError(kExitRefused,
                            printable(options.output) +
                                ": appeared while writing; use --force to replace it");
        fail(options.output, "cannot replace", errno);
    }
    sync_directory_of(target.path);
}

// Rewrites an existing file's content in its own inode: its links, owner,
// mode and attributes stay as they are, and its times are put back.
void rewrite_in_place(const std::string& bytes, const OutputTarget& target,
                      const FileOutputOptions& options) {
    Descriptor fd(::open(target.path.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        fail(options.output, "cannot open for writing", errno);
    struct stat opened {};
    if (::fstat(fd.get(), &opened) != 0)
        fail(options.output, "cannot stat", errno);
    if (opened.st_ino != target.existing->st_ino || opened.st_dev != target.existing->st_dev)
        throw ToolError(kExitRefused, printable(options.output) +
                                          ": changed while being written; not "
                                          "rewritten");
    write_all(fd.get(), bytes, options.output);
    if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0)
        fail(options.output, "cannot truncate", errno);
    if (options.preserve.timestamps) {
        const struct timespec times[2] = {target.existing->st_atim, target.existing->st_mtim};
        if (::futimens(fd.get(), times) != 0)
            throw ToolError(kExitUsageOrIo, printable(options.output) +
                                                ": rewritten, but its access and modification "
                                                "times cannot be put back (" +
                                                std::strerror(errno) + ")");
    }
    if (::fsync(fd.get()) != 0 || fd.close() != 0)
        fail(options.output, "cannot write", errno);
}

}  // namespace

void write_output_file(const std::string& bytes, const FileOutputOptions& options) {
    if (options.output == "-") {
        write_out(bytes);
        flush_out();
        return;
    }
    const OutputTarget target = resolve_output_target(options);
    if (target.existing && options.inPlace)
        rewrite_in_place(bytes, target, options);
    else
        replace_by_rename(bytes, target, options);
}

}  // namespace stubmeta_cli
