/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Walking directory trees for scan: every regular file is handed on, and
// every entry that cannot be read is reported once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "support/file_reading.h"

namespace stubmeta_cli {

struct WalkOptions {
    bool followSymlinks = false;  // links inside a tree; roots are always followed
    bool sameFileSystem = false;  // --xdev: stay on each root's file system
    // --max-depth: a root is at depth 0, the entries of a root directory
    // at depth 1; deeper entries are neither examined nor entered.
    std::size_t maxDepth = std::numeric_limits<std::size_t>::max();
    std::vector<std::string> excludes;  // see ExcludeRules
    // Asked between directories and every few hundred entries: true ends
    // the walk early (an interrupt, or an output nobody reads any more).
    std::function<bool()> stopRequested = [] { return false; };
};

// A directory whose files wait to be read, kept open (shared by its
// batches) so that each file is opened by its name alone, at any depth.
class OpenDirectory {
public:
    // fd: the directory's descriptor, or nullptr for the current directory,
    // whose files are named by whole paths (the roots that are files).
    OpenDirectory(std::shared_ptr<const Descriptor> fd, std::string prefix)
        : fd_(std::move(fd)), prefix_(std::move(prefix)) {}

    // The descriptor to open the files at (AT_FDCWD for the current one).
    int fd() const noexcept;
    // The directory's path ending in '/', or nothing: prefix + name is the
    // path of one of its files.
    const std::string& prefix() const noexcept { return prefix_; }
    // True for roots named by the user, whose links are followed.
    bool holds_roots() const noexcept { return fd_ == nullptr; }

private:
    std::shared_ptr<const Descriptor> fd_;
    std::string prefix_;
};

// Regular files of one directory, by name.
class FileBatch {
public:
    explicit FileBatch(std::shared_ptr<const OpenDirectory> directory)
        : directory_(std::move(directory)) {}

    void add(const char* name);
    std::size_t count() const noexcept { return count_; }
    std::size_t bytes() const noexcept { return names_.size(); }
    const OpenDirectory& directory() const noexcept { return *directory_; }

    // Calls visit(name) for each file, in the order they were added.
    template <typename Visit>
    void for_each(Visit&& visit) const {
        for (std::size_t at = 0; at < names_.size(); at = names_.find('\0', at) + 1)
            visit(names_.c_str() + at);
    }

private:
    std::shared_ptr<const OpenDirectory> directory_;
    std::string names_;  // each name followed by a NUL
    std::size_t count_ = 0;
};

// One directory of a walk shared out among processes, with what the walk
// of its tree knows when it reaches it: enough for any process to list it
// exactly as a walk of the whole tree would.
struct DirectoryTask {
    struct Id {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        bool operator==(const Id&) const = default;
    };
    std::string parent;          // the parent's path ending in '/'; empty for a root
    std::string name;            // the entry's name, or the root's path as given
    std::size_t depth = 0;       // 0: a root named by the user
    std::size_t rootLength = 0;  // of the root's path with its '/': excludes match past it
    std::uint64_t rootDevice = 0;
    std::vector<Id> ancestors;  // the directories above it, from its root down
    Id id;                      // with links followed, as its lister stat'ed it; else zeros
};

// At most this many directories of the branch being walked hold a
// descriptor; a deeper walk closes the ones nearest the root and opens
// them again, name by name from the nearest one still open, when it comes
// back to them.  So a tree of any depth is walked with the same few
// descriptors, at the price of a few opens when a very deep branch ends.
inline constexpr std::size_t kBranchDescriptors = 32;

// Walks roots one at a time (a file or a directory; a symbolic link is
// followed) depth first, handing every regular file on through onFiles,
// in batches of files from one directory, and calling onUnreadable with
// "path: cause" for every entry that cannot be opened or stat'ed, a
// dangling or looping link, and a directory that would be entered a second
// time through a link that leads back into its own ancestry.  Directories
// are opened relative to their parent's descriptor, so no path is ever too
// long.  Other entries (FIFOs, sockets, devices) are passed over without
// being opened, as are links met inside a tree unless links are followed.
// The type a directory entry gives is trusted: only entries of unknown
// type and, when links are followed, links are stat'ed, besides the
// directories themselves.
//
// The one way into the walk for every command: walk() for a whole tree in
// one process (stubmeta scan), list_one() for one directory at a time when
// the tree is shared out (stubmeta-mpi scan), both with the same rules.
class TreeWalk {
public:
    TreeWalk(const WalkOptions& options, std::function<void(FileBatch&&)> onFiles,
             std::function<void(const std::string&)> onUnreadable);
    TreeWalk(const TreeWalk&) = delete;
    TreeWalk& operator=(const TreeWalk&) = delete;
    ~TreeWalk();

    // Walks root; the files among the roots are gathered into batches of
    // their own, named by their paths.
    void walk(const std::string& root);
    // Hands on the roots that are files gathered so far: call when no
    // root is left, and before waiting for more.
    void hand_on_root_files();

    // Lists task's directory alone (a root: walks it as walk() would, one
    // level deep, and hands on at once the file it may be), reporting
    // what cannot be read as walk() does, and appends its subdirectories
    // to subdirectories, as tasks for any TreeWalk with the same options,
    // instead of entering them.  A task of any depth is opened by its
    // path; a task for a root is {.name = the root's path}.
    void list_one(const DirectoryTask& task, std::vector<DirectoryTask>& subdirectories);

private:
    class Walker;
    std::unique_ptr<Walker> walker_;
};

}  // namespace stubmeta_cli
