// Walking directory trees for scan: every regular file is handed on, and
// every entry that cannot be read is reported once.
#pragma once

#include <cstddef>
#include <dirent.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace stubmeta_cli {

struct WalkOptions {
    bool followSymlinks = false;  // otherwise symbolic links are skipped
};

// A directory being walked, kept open for as long as a batch of its files
// is waiting to be read, so that each file is opened by its name alone.
class OpenDirectory {
public:
    // Takes ownership of stream; nullptr stands for the current directory,
    // whose files are named by their whole paths.
    OpenDirectory(DIR* stream, const std::string& prefix);
    OpenDirectory(const OpenDirectory&) = delete;
    OpenDirectory& operator=(const OpenDirectory&) = delete;
    ~OpenDirectory();

    // The descriptor to open the files at (AT_FDCWD for the current one).
    int fd() const noexcept { return fd_; }
    // The directory's path ending in '/', or nothing: prefix + name is the
    // path of one of its files.
    const std::string& prefix() const noexcept { return prefix_; }

private:
    DIR* stream_;
    int fd_;
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

// Walks each root (a file or a directory) depth first, handing every
// regular file on through onFiles, in batches of files from one directory,
// and calling onUnreadable with "path: cause" for every entry that cannot
// be opened or stat'ed, a dangling or looping link, and a directory that
// would be entered a second time through a link that leads back into its
// own ancestry.  Other entries (FIFOs, sockets, devices) are passed over
// without being opened.  A root that is a symbolic link is reported, not
// followed, unless links are followed.  The type a directory entry gives
// is trusted: only entries of unknown type and, when links are followed,
// links are stat'ed, besides the directories themselves.
void walk_trees(const std::vector<std::string>& roots, const WalkOptions& options,
                const std::function<void(FileBatch&&)>& onFiles,
                const std::function<void(const std::string&)>& onUnreadable);

}  // namespace stubmeta_cli
