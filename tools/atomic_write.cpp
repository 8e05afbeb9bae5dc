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

}  // namespace

void write_file_atomically(const std::string& path, const std::string& bytes, bool replace) {
    struct stat existing {};
    if (!replace && ::lstat(path.c_str(), &existing) == 0)
        refuse_existing(path);

    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = (slash == std::string::npos ? "" : folder) + "." + base + ".tmp.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        fail(path, errno);
    TemporaryFile temporary(name.data());

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

    if (!replace) {
        // link() refuses an existing name, so a file that appeared since
        // the check above is not replaced either; the guard then removes
        // the temporary name.
        if (::link(temporary.name().c_str(), path.c_str()) == 0)
            return;
        if (errno == EEXIST)
            refuse_existing(path);
        if (errno != EPERM && errno != ENOTSUP)
            fail(path, errno);
        // A file system without hard links: fall back to a checked rename.
        if (::lstat(path.c_str(), &existing) == 0)
            refuse_existing(path);
    }
    if (::rename(temporary.name().c_str(), path.c_str()) != 0)
        fail(path, errno);
    temporary.release();
}

}  // namespace stubmeta_cli
