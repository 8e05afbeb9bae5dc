// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/walk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "scan/walk_listing.h"
#include "support/file_kind.h"

namespace stubmeta_cli {
namespace {

// A directory of the branch being walked, from the root down.
struct Level {
    std::size_t pathLength = 0;  // of the walker's path, up to this directory's '/'
    std::size_t depth = 0;       // the root's is 0
    DirectoryId id{};
    std::shared_ptr<const Descriptor> fd;  // nullptr while closed to spare descriptors
    std::string subdirectories;            // names still to enter, each followed by a NUL
    std::size_t next = 0;                  // where the next name starts in subdirectories
};

// Where a directory stands in its tree: what a walk of the whole tree
// knows when it reaches it, and what a task carries to whoever lists it.
struct Place {
    std::string path;  // of the parent, ending in '/'; for a root its own
    std::size_t rootLength = 0;
    dev_t rootDevice = 0;
    std::set<DirectoryId> ancestors;
};

// A directory open to be listed.
struct OpenRoot {
    std::shared_ptr<const Descriptor> fd;
    DirectoryId id{};
};

}  // namespace

// Two ways through the same directories: walk_root() enters a whole tree
// depth first, keeping the branch it stands in as levels; list_one()
// lists one directory from what its task says and keeps nothing of it but
// the directories seen when links are followed.
class TreeWalk::Walker {
public:
    Walker(const WalkOptions& options, std::function<void(FileBatch&&)> onFiles,
           std::function<void(const std::string&)> onUnreadable)
        : options_(options), reader_(options, std::move(onFiles), std::move(onUnreadable)),
          roots_(std::make_shared<const OpenDirectory>(nullptr, std::string())),
          rootFiles_(roots_) {}

    void walk_root(const std::string& root) {
        std::optional<OpenRoot> directory = open_root(root, place_);
        if (!directory)
            return;
        place_.ancestors.insert(directory->id);
        push_level(directory->id, std::move(directory->fd), 0);
        walk_branches();
    }

    void list_one(const DirectoryTask& task, std::vector<DirectoryTask>& subdirectories) {
        Place place;
        std::optional<OpenRoot> directory;
        std::string path;
        if (task.depth == 0) {
            directory = open_root(task.name, place);
            hand_on_root_files();
            path = place.path;
        } else {
            place.path = task.parent;
            place.rootLength = task.rootLength;
            place.rootDevice = static_cast<dev_t>(task.rootDevice);
            for (const DirectoryTask::Id& above : task.ancestors)
                place.ancestors.insert(
                    {static_cast<dev_t>(above.device), static_cast<ino_t>(above.inode)});
            auto fd = std::make_shared<const Descriptor>(
                open_directory_path(task.parent + task.name, options_.followSymlinks));
            if (const std::optional<DirectoryId> id = admit(*fd, place, task.name))
                directory = OpenRoot{std::move(fd), *id};
            path = task.parent + task.name + '/';
        }
        if (!directory)
            return;
        const std::string names = reader_.list({directory->fd, path, place.rootLength, task.depth});
        hand_out(task, *directory, path, place.rootDevice, place.rootLength, names, subdirectories);
    }

    void hand_on_root_files() { reader_.hand_on(rootFiles_, roots_); }

private:
    // Opens a root and returns it when it is a directory to enter, with
    // place set for its tree; a root that is a file joins the root files.
    std::optional<OpenRoot> open_root(const std::string& root, Place& place) {
        struct stat status {};
        if (::stat(root.c_str(), &status) != 0) {
            reader_.unreadable(root, std::string("cannot stat: ") + std::strerror(errno));
            return std::nullopt;
        }
        if (S_ISREG(status.st_mode))
            reader_.add(rootFiles_, roots_, root.c_str());
        // Named, so said: a FIFO, socket or device is not read, and a
        // silent skip would look like a file without stubs.
        else if (!S_ISDIR(status.st_mode))
            reader_.unreadable(root, file_kind_name(status.st_mode) +
                                         ", not a regular file or directory; not read");
        if (!S_ISDIR(status.st_mode) || options_.maxDepth == 0)
            return std::nullopt;
        auto fd = std::make_shared<const Descriptor>(open_directory(AT_FDCWD, root.c_str(), true));
        if (fd->get() < 0 || ::fstat(fd->get(), &status) != 0) {
            reader_.unreadable(root,
                               std::string("cannot open the directory: ") + std::strerror(errno));
            return std::nullopt;
        }
        place.path = root;
        if (place.path.back() != '/')
            place.path += '/';
        place.rootLength = place.path.size();
        place.rootDevice = status.st_dev;
        if (options_.followSymlinks)
            visited_.insert(id_of(status));
        return OpenRoot{std::move(fd), id_of(status)};
    }

    // The subdirectories (names) list_one found in directory, whose path
    // is path, as tasks of their own.
    void hand_out(const DirectoryTask& task, const OpenRoot& directory, const std::string& path,
                  dev_t rootDevice, std::size_t rootLength, const std::string& names,
                  std::vector<DirectoryTask>& subdirectories) const {
        std::vector<DirectoryTask::Id> ancestors = task.ancestors;
        ancestors.push_back({static_cast<std::uint64_t>(directory.id.first),
                             static_cast<std::uint64_t>(directory.id.second)});
        for (std::size_t at = 0; at < names.size();) {
            const std::size_t end = names.find('\0', at);
            DirectoryTask& sub = subdirectories.emplace_back();
            sub.parent = path;
            sub.name = names.substr(at, end - at);
            sub.depth = task.depth + 1;
            sub.rootLength = rootLength;
            sub.rootDevice = static_cast<std::uint64_t>(rootDevice);
            sub.ancestors = ancestors;
            struct stat status {};
            // With links followed, one directory may be reached by several
            // paths: its identity lets whoever hands out the tasks keep one.
            if (options_.followSymlinks &&
                ::fstatat(directory.fd->get(), sub.name.c_str(), &status, 0) == 0)
                sub.id = {static_cast<std::uint64_t>(status.st_dev),
                          static_cast<std::uint64_t>(status.st_ino)};
            at = end + 1;
        }
    }

    // The identity of the directory name, open at fd below place, when it
    // is to be entered; otherwise nothing, said when worth saying.
    std::optional<DirectoryId> admit(const Descriptor& fd, const Place& place,
                                     const std::string& name) {
        struct stat status {};
        if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0) {
            reader_.unreadable(place.path + name, errno == ENOENT && options_.followSymlinks
                                                      ? "dangling symbolic link or missing file"
                                                      : std::string("cannot open the directory: ") +
                                                            std::strerror(errno));
            return std::nullopt;
        }
        if (options_.sameFileSystem && status.st_dev != place.rootDevice)
            return std::nullopt;
        const DirectoryId id = id_of(status);
        if (place.ancestors.contains(id)) {
            reader_.unreadable(place.path + name,
                               "symbolic link loop (leads back to a directory above it)");
            return std::nullopt;
        }
        // A directory reached twice through links is walked once.
        if (options_.followSymlinks && !visited_.insert(id).second)
            return std::nullopt;
        return id;
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
        auto fd = std::make_shared<const Descriptor>(
            open_directory(parentFd, name.c_str(), options_.followSymlinks));
        const std::optional<DirectoryId> id = admit(*fd, place_, name);
        if (!id)
            return;
        place_.path += name;
        place_.path += '/';
        place_.ancestors.insert(*id);
        push_level(*id, std::move(fd), depth);
    }

    // Makes the directory open at fd, whose path place_.path is, the
    // deepest level, and lists it.
    void push_level(DirectoryId id, std::shared_ptr<const Descriptor> fd, std::size_t depth) {
        Level& level = levels_.emplace_back();
        level.pathLength = place_.path.size();
        level.depth = depth;
        level.id = id;
        level.fd = std::move(fd);
        ++openCount_;
        level.subdirectories = reader_.list({level.fd, place_.path, place_.rootLength, depth});
        spare_descriptors();
    }

    void leave() {
        const Level& deepest = levels_.back();
        place_.ancestors.erase(deepest.id);
        if (deepest.fd != nullptr)
            --openCount_;
        levels_.pop_back();
        place_.path.resize(levels_.empty() ? 0 : levels_.back().pathLength);
        lowestOpen_ = std::min(lowestOpen_, levels_.size());
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
            place_.path.substr(start, level.pathLength - start - (index == 0 ? 0 : 1));
        const int parentFd = index == 0 ? AT_FDCWD : levels_[index - 1].fd->get();
        auto fd = std::make_shared<const Descriptor>(
            open_directory(parentFd, name.c_str(), index == 0 || options_.followSymlinks));
        struct stat status {};
        const bool same =
            fd->get() >= 0 && ::fstat(fd->get(), &status) == 0 && id_of(status) == level.id;
        if (!same) {
            reader_.unreadable(place_.path.substr(0, level.pathLength),
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

    const WalkOptions& options_;
    EntryReader reader_;
    std::shared_ptr<const OpenDirectory> roots_;  // files named by their paths
    FileBatch rootFiles_;
    std::set<DirectoryId> visited_;  // only when following links

    // The branch walk_root() stands in; place_.path is its deepest level's.
    Place place_;
    std::deque<Level> levels_;
    std::size_t openCount_ = 0;   // levels holding a descriptor
    std::size_t lowestOpen_ = 0;  // every level above it is closed
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
