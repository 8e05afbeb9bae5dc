// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/walk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <climits>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "scan/exclude.h"
#include "support/file_kind.h"
#include "support/printable.h"

namespace stubmeta_cli {
namespace {

using DirectoryId = std::pair<dev_t, ino_t>;

// A batch is handed on at this many files or bytes of names, so that the
// readers start early and a huge directory is never held whole.
constexpr std::size_t kBatchFiles = 256;
constexpr std::size_t kBatchBytes = 16384;

// Entries listed between two questions whether the walk should stop.
constexpr unsigned kEntriesBetweenStopChecks = 256;

bool is_dot_or_dot_dot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

DirectoryId id_of(const struct stat& status) { return {status.st_dev, status.st_ino}; }

// Opens a directory for listing and for opening its entries.  A root is
// opened through a link (as find -H does); a directory inside a tree only
// when links are followed.
int open_directory(int parentFd, const char* name, bool followLink) {
    return ::openat(parentFd, name,
                    O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
}

// Opens a directory by its path, links on the way followed, the last one
// only when followLast.  A path too long for the system is opened a part
// at a time, each part from the directory the one before it opened.
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

// A directory of the branch being walked, from the root down.
struct Level {
    std::size_t pathLength = 0;  // of the walker's path, up to this directory's '/'
    std::size_t depth = 0;       // the root's is 0
    DirectoryId id{};
    std::shared_ptr<const Descriptor> fd;  // nullptr while closed to spare descriptors
    std::string subdirectories;            // names still to enter, each followed by a NUL
    std::size_t next = 0;                  // where the next name starts in subdirectories
};

}  // namespace

class TreeWalk::Walker {
public:
    Walker(const WalkOptions& options, std::function<void(FileBatch&&)> onFiles,
           std::function<void(const std::string&)> onUnreadable)
        : options_(options), onFiles_(std::move(onFiles)), onUnreadable_(std::move(onUnreadable)),
          excludes_(options.excludes),
          roots_(std::make_shared<const OpenDirectory>(nullptr, std::string())),
          rootFiles_(roots_) {}

    void walk_root(const std::string& root) {
        open_root(root);
        walk_branches();
    }

    void list_one(const DirectoryTask& task, std::vector<DirectoryTask>& subdirectories) {
        if (task.depth == 0) {
            open_root(task.name);
            hand_on_root_files();
        } else {
            path_ = task.parent;
            rootLength_ = task.rootLength;
            rootDevice_ = static_cast<dev_t>(task.rootDevice);
            for (const DirectoryTask::Id& above : task.ancestors)
                ancestors_.insert(
                    {static_cast<dev_t>(above.device), static_cast<ino_t>(above.inode)});
            admit(std::make_shared<const Descriptor>(
                      open_directory_path(path_ + task.name, options_.followSymlinks)),
                  task.name, task.depth);
        }
        if (!levels_.empty())
            hand_out_subdirectories(task, subdirectories);
        ancestors_.clear();
        path_.clear();
    }

    void hand_on_root_files() { hand_on(rootFiles_, roots_); }

private:
    enum class Kind { File, Directory, Skipped };

    // Opens a root and lists it when it is a directory to enter; a root
    // that is a file joins the root files.
    void open_root(const std::string& root) {
        struct stat status {};
        if (::stat(root.c_str(), &status) != 0) {
            unreadable(root, std::string("cannot stat: ") + std::strerror(errno));
            return;
        }
        if (S_ISREG(status.st_mode))
            add(rootFiles_, roots_, root.c_str());
        // Named, so said: a FIFO, socket or device is not read, and a
        // silent skip would look like a file without stubs.
        else if (!S_ISDIR(status.st_mode))
            unreadable(root, file_kind_name(status.st_mode) +
                                 ", not a regular file or directory; not read");
        if (!S_ISDIR(status.st_mode) || options_.maxDepth == 0)
            return;
        auto fd = std::make_shared<const Descriptor>(open_directory(AT_FDCWD, root.c_str(), true));
        if (fd->get() < 0 || ::fstat(fd->get(), &status) != 0) {
            unreadable(root, std::string("cannot open the directory: ") + std::strerror(errno));
            return;
        }
        path_ = root;
        if (path_.back() != '/')
            path_ += '/';
        rootLength_ = path_.size();
        rootDevice_ = status.st_dev;
        if (options_.followSymlinks)
            visited_.insert(id_of(status));
        push_level(id_of(status), std::move(fd), 0);
    }

    // The subdirectories list_one found, as tasks of their own; the level
    // is left.
    void hand_out_subdirectories(const DirectoryTask& task,
                                 std::vector<DirectoryTask>& subdirectories) {
        const Level& level = levels_.back();
        std::vector<DirectoryTask::Id> ancestors = task.ancestors;
        ancestors.push_back({static_cast<std::uint64_t>(level.id.first),
                             static_cast<std::uint64_t>(level.id.second)});
        for (std::size_t at = 0; at < level.subdirectories.size();) {
            const std::size_t end = level.subdirectories.find('\0', at);
            DirectoryTask& sub = subdirectories.emplace_back();
            sub.parent = path_;
            sub.name = level.subdirectories.substr(at, end - at);
            sub.depth = level.depth + 1;
            sub.rootLength = rootLength_;
            sub.rootDevice = static_cast<std::uint64_t>(rootDevice_);
            sub.ancestors = ancestors;
            struct stat status {};
            // With links followed, one directory may be reached by several
            // paths: its identity lets whoever hands out the tasks keep one.
            if (options_.followSymlinks && level.fd != nullptr &&
                ::fstatat(level.fd->get(), sub.name.c_str(), &status, 0) == 0)
                sub.id = {static_cast<std::uint64_t>(status.st_dev),
                          static_cast<std::uint64_t>(status.st_ino)};
            at = end + 1;
        }
        leave();
    }

    // Enters the subdirectories of the deepest level, depth first, until
    // the root's are done.
    void walk_branches() {
        while (!levels_.empty()) {
            if (options_.stopRequested()) {
                while (!levels_.empty())
                    leave();
                return;
            }
            Level& deepest = levels_.back();
            if (deepest.next >= deepest.subdirectories.size()) {
                leave();
                continue;
            }
            const std::size_t at = deepest.next;
            deepest.next = deepest.subdirectories.find('\0', at) + 1;
            enter(deepest.subdirectories.substr(at, deepest.next - 1 - at));
        }
    }

    // Opens the subdirectory name of the deepest level and lists it.
    void enter(const std::string& name) {
        const std::size_t depth = levels_.back().depth + 1;
        const int parentFd = descriptor_of_deepest();
        if (parentFd < 0)
            return;
        admit(std::make_shared<const Descriptor>(
                  open_directory(parentFd, name.c_str(), options_.followSymlinks)),
              name, depth);
    }

    // Enters the directory name open at fd (or reports why it cannot be
    // entered), and lists it.
    void admit(std::shared_ptr<const Descriptor> fd, const std::string& name, std::size_t depth) {
        struct stat status {};
        if (fd->get() < 0 || ::fstat(fd->get(), &status) != 0) {
            unreadable(path_ + name,
                       errno == ENOENT && options_.followSymlinks
                           ? "dangling symbolic link or missing file"
                           : std::string("cannot open the directory: ") + std::strerror(errno));
            return;
        }
        if (options_.sameFileSystem && status.st_dev != rootDevice_)
            return;
        const DirectoryId id = id_of(status);
        if (ancestors_.contains(id)) {
            unreadable(path_ + name, "symbolic link loop (leads back to a directory above it)");
            return;
        }
        // A directory reached twice through links is walked once.
        if (options_.followSymlinks && !visited_.insert(id).second)
            return;
        path_ += name;
        path_ += '/';
        push_level(id, std::move(fd), depth);
    }

    void push_level(DirectoryId id, std::shared_ptr<const Descriptor> fd, std::size_t depth) {
        Level& level = levels_.emplace_back();
        level.pathLength = path_.size();
        level.depth = depth;
        level.id = id;
        level.fd = std::move(fd);
        ancestors_.insert(id);
        ++openCount_;
        list(level);
        spare_descriptors();
    }

    void leave() {
        const Level& deepest = levels_.back();
        ancestors_.erase(deepest.id);
        if (deepest.fd != nullptr)
            --openCount_;
        levels_.pop_back();
        path_.resize(levels_.empty() ? 0 : levels_.back().pathLength);
        lowestOpen_ = std::min(lowestOpen_, levels_.size());
    }

    // Reads a directory's entries: its regular files are handed on by
    // name, the names of its subdirectories (and of the entries that
    // could not be stat'ed, whose entering reports why) kept in the level.
    void list(Level& level) {
        const int listFd = ::dup(level.fd->get());  // closedir closes the copy
        DIR* stream = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (stream == nullptr) {
            const int error = errno;
            if (listFd >= 0)
                ::close(listFd);
            unreadable(directory_path(),
                       std::string("cannot read the directory: ") + std::strerror(error));
            return;
        }
        auto directory = std::make_shared<const OpenDirectory>(level.fd, path_);
        FileBatch files(directory);
        unsigned sinceStopCheck = 0;
        bool stopped = false;
        errno = 0;
        while (const dirent* entry = ::readdir(stream)) {
            take_entry(level, *entry, files, directory);
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
            unreadable(directory_path(),
                       std::string("cannot read the directory: ") + std::strerror(readError));
    }

    void take_entry(Level& level, const dirent& entry, FileBatch& files,
                    const std::shared_ptr<const OpenDirectory>& directory) {
        const char* name = entry.d_name;
        if (is_dot_or_dot_dot(name))
            return;
        const Kind kind = kind_of(level.fd->get(), entry);
        // The entries of a directory at depth d are at depth d + 1: files
        // there are within reach, subdirectories only when deeper is too.
        if (kind == Kind::Skipped ||
            (kind == Kind::Directory && level.depth + 2 > options_.maxDepth))
            return;
        if (!excludes_.empty()) {
            relativePath_.assign(path_, rootLength_).append(name);
            if (excludes_.excludes(relativePath_, name, kind == Kind::Directory))
                return;
        }
        if (kind == Kind::File)
            add(files, directory, name);
        else
            level.subdirectories.append(name, std::strlen(name) + 1);
    }

    // Directory: a directory, or an entry that could not be stat'ed.
    Kind kind_of(int directoryFd, const dirent& entry) const {
        switch (entry.d_type) {
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
        if (::fstatat(directoryFd, entry.d_name, &status,
                      options_.followSymlinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
            return Kind::Directory;  // entering it reports why
        if (S_ISREG(status.st_mode))
            return Kind::File;
        return S_ISDIR(status.st_mode) ? Kind::Directory : Kind::Skipped;
    }

    // The deepest level's descriptor, opened again (with every closed
    // level above it) when it was closed to spare descriptors; -1 when a
    // directory on the way was moved or replaced meanwhile, which is
    // reported and ends the walk below it.
    int descriptor_of_deepest() {
        const std::size_t deepest = levels_.size() - 1;
        std::size_t first = deepest;
        while (first > 0 && levels_[first].fd == nullptr && levels_[first - 1].fd == nullptr)
            --first;
        for (std::size_t index = first; index <= deepest; ++index) {
            if (levels_[index].fd == nullptr && !reopen(index)) {
                for (std::size_t below = index; below <= deepest; ++below)
                    levels_[below].next = levels_[below].subdirectories.size();
                return -1;
            }
            spare_descriptors();
        }
        return levels_[deepest].fd->get();
    }

    // Opens level index again from its parent (the root by its path), and
    // checks that it is still the same directory.
    bool reopen(std::size_t index) {
        Level& level = levels_[index];
        // The root by its path as given; any other level by its name alone
        // (without the '/', which would follow a link put in its place).
        const std::size_t start = index == 0 ? 0 : levels_[index - 1].pathLength;
        const std::string name =
            path_.substr(start, level.pathLength - start - (index == 0 ? 0 : 1));
        const int parentFd = index == 0 ? AT_FDCWD : levels_[index - 1].fd->get();
        auto fd = std::make_shared<const Descriptor>(
            open_directory(parentFd, name.c_str(), index == 0 || options_.followSymlinks));
        struct stat status {};
        const bool same =
            fd->get() >= 0 && ::fstat(fd->get(), &status) == 0 && id_of(status) == level.id;
        if (!same) {
            unreadable(path_.substr(0, level.pathLength),
                       "moved or replaced during the scan; not walked further");
            return false;
        }
        level.fd = std::move(fd);
        ++openCount_;
        lowestOpen_ = std::min(lowestOpen_, index);
        return true;
    }

    // Closes the descriptors nearest the root while the branch holds more
    // than kBranchDescriptors; the deepest open one is always kept.
    void spare_descriptors() {
        while (openCount_ > kBranchDescriptors) {
            while (lowestOpen_ < levels_.size() && levels_[lowestOpen_].fd == nullptr)
                ++lowestOpen_;
            if (lowestOpen_ + 1 >= levels_.size())
                return;
            // Batches of its files still waiting keep their own copy open.
            levels_[lowestOpen_].fd.reset();
            --openCount_;
        }
    }

    // The deepest directory's path as reported: without its final '/'
    // unless it is all there is.
    std::string directory_path() const {
        return path_.size() > 1 ? path_.substr(0, path_.size() - 1) : path_;
    }

    void add(FileBatch& batch, const std::shared_ptr<const OpenDirectory>& directory,
             const char* name) {
        batch.add(name);
        if (batch.count() >= kBatchFiles || batch.bytes() >= kBatchBytes)
            hand_on(batch, directory);
    }

    void hand_on(FileBatch& batch, const std::shared_ptr<const OpenDirectory>& directory) {
        if (batch.count() == 0)
            return;
        onFiles_(std::exchange(batch, FileBatch(directory)));
    }

    void unreadable(const std::string& path, const std::string& cause) {
        onUnreadable_(printable(path) + ": " + cause);
    }

    const WalkOptions& options_;
    const std::function<void(FileBatch&&)> onFiles_;
    const std::function<void(const std::string&)> onUnreadable_;
    const ExcludeRules excludes_;
    std::shared_ptr<const OpenDirectory> roots_;  // files named by their paths
    FileBatch rootFiles_;

    std::string path_;  // of the deepest level, ending in '/'
    std::size_t rootLength_ = 0;
    dev_t rootDevice_ = 0;
    std::string relativePath_;  // reused for matching excludes
    std::deque<Level> levels_;
    std::size_t openCount_ = 0;   // levels holding a descriptor
    std::size_t lowestOpen_ = 0;  // every level above it is closed
    std::set<DirectoryId> ancestors_;
    std::set<DirectoryId> visited_;  // only when following links
};

TreeWalk::TreeWalk(const WalkOptions& options, std::function<void(FileBatch&&)> onFiles,
                   std::function<void(const std::string&)> onUnreadable)
    : walker_(std::make_unique<Walker>(options, std::move(onFiles), std::move(onUnreadable))) {}

TreeWalk::~TreeWalk() = default;

void TreeWalk::walk(const std::string& root) { walker_->walk_root(root); }

void TreeWalk::hand_on_root_files() { walker_->hand_on_root_files(); }

void TreeWalk::list_one(const DirectoryTask& task, std::vector<DirectoryTask>& subdirectories) {
    walker_->list_one(task, subdirectories);
}

int OpenDirectory::fd() const noexcept { return fd_ != nullptr ? fd_->get() : AT_FDCWD; }

void FileBatch::add(const char* name) {
    names_.append(name, std::strlen(name) + 1);
    ++count_;
}

}  // namespace stubmeta_cli
