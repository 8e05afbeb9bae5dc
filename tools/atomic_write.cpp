#include "atomic_write.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tool_status.h"

namespace stubmeta_cli {
namespace {

[[noreturn]] void fail(const std::string& path, int error) {
    throw ToolError(kExitUsageOrIo, path + ": " + std::strerror(error));
}

[[noreturn]] void refuse_existing(const std::string& path) {
    throw ToolError(kExitRefused, path + ": exists; use --force to replace it");
}

mode_t new_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

// Removes the temporary file unless it was moved into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string name) : name_(std::move(name)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!name_.empty())
            ::unlink(name_.c_str());
    }
    const std::string& name() const noexcept { return name_; }
    void release() noexcept { name_.clear(); }

private:
    std::string name_;
};

// Writes every byte to fd and makes it durable with the mode a new file
// gets; closes fd in every case.
void write_and_close(int fd, const std::string& bytes, const std::string& path) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            fail(path, error);
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::fchmod(fd, new_file_mode()) != 0 || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        fail(path, error);
    }
    if (::close(fd) != 0)
        fail(path, errno);
}

// Moves the finished temporary file to path; without replace, an existing
// path is refused even when it appeared after the first check.
void move_into_place(TemporaryFile& temporary, const std::string& path, bool replace) {
    if (!replace) {
        // link() refuses an existing name, so a file that appeared since
        // the first check is not replaced either; the guard then removes
        // the temporary name.
        if (::link(temporary.name().c_str(), path.c_str()) == 0)
            return;
        if (errno == EEXIST)
            refuse_existing(path);
        if (errno != EPERM && errno != ENOTSUP)
            fail(path, errno);
        // A file system without hard links: fall back to a checked rename.
        struct stat existing {};
        if (::lstat(path.c_str(), &existing) == 0)
            refuse_existing(path);
    }
    if (::rename(temporary.name().c_str(), path.c_str()) != 0)
        fail(path, errno);
    temporary.release();
}

}  // namespace

void write_file_atomically(const std::string& path, const std::string& bytes, bool replace) {
    struct stat existing {};
    if (!replace && ::lstat(path.c_str(), &existing) == 0)
        refuse_existing(path);

    // The temporary file sits beside the target, so the final rename stays
    // within one file system.
    const std::size_t slash = path.rfind('/');
    std::string pattern = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    pattern += '.';
    pattern += slash == std::string::npos ? path : path.substr(slash + 1);
    pattern += ".tmp.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        fail(path, errno);
    TemporaryFile temporary(name.data());
    write_and_close(fd, bytes, path);
    move_into_place(temporary, path, replace);
}

}  // namespace stubmeta_cli
