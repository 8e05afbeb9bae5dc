/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The walk's parts below TreeWalk: opening directories, and reading one
// directory's entries into batches of files and names of subdirectories.
// Only scan/walk.cpp uses them; callers use TreeWalk (scan/walk.h).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <utility>

#include "scan/exclude.h"
#include "scan/walk.h"

namespace stubmeta_cli {

using DirectoryId = std::pair<dev_t, ino_t>;

inline DirectoryId id_of(const struct stat& status) { return {status.st_dev, status.st_ino}; }

// Opens a directory for listing and for opening its entries.  A root is
// opened through a link (as find -H does); a directory inside a tree only
// when links are followed.  -1 and errno on failure.
int open_directory(int parentFd, const char* name, bool followLink);

// Opens a directory by its path, links on the way followed, the last one
// only when followLast.  A path too long for the system is opened a part
// at a time, each part from the directory the one before it opened.
int open_directory_path(const std::string& path, bool followLast);

// Where a directory being listed sits in its walk.
struct ListedDirectory {
    std::shared_ptr<const Descriptor> fd;  // open
    const std::string& path;               // ending in '/'
    std::size_t rootLength = 0;            // of its root's path with its '/'
    std::size_t depth = 0;                 // its root's is 0
};

// Reads directories for a walk: hands their regular files on in batches,
// reports what cannot be read, and gives back the subdirectories to enter.
class EntryReader {
public:
    // options must outlive the reader.
    EntryReader(const WalkOptions& options, std::function<void(FileBatch&&)> onFiles,
                std::function<void(const std::string&)> onUnreadable)
        : options_(options), onFiles_(std::move(onFiles)), onUnreadable_(std::move(onUnreadable)),
          excludes_(options.excludes) {}

    // Lists the directory: its regular files within reach of maxDepth and
    // not excluded are handed on by name; the names of its subdirectories
    // to enter (and of the entries that could not be stat'ed, whose
    // entering reports why) are returned, each followed by a NUL.  Stops
    // early when stopRequested says so.
    std::string list(const ListedDirectory& listed);

    // Adds name to batch, handing the batch on once it is full.
    void add(FileBatch& batch, const std::shared_ptr<const OpenDirectory>& directory,
             const char* name);
    // Hands batch on unless empty, leaving an empty batch of directory.
    void hand_on(FileBatch& batch, const std::shared_ptr<const OpenDirectory>& directory);
    // Reports "path: cause", the path made printable.
    void unreadable(const std::string& path, const std::string& cause) const;

private:
    enum class Kind { File, Directory, Skipped };

    void take_entry(const ListedDirectory& listed, const char* name, unsigned char type,
                    FileBatch& files, const std::shared_ptr<const OpenDirectory>& directory,
                    std::string& subdirectories);
    Kind kind_of(int directoryFd, const char* name, unsigned char type) const;

    const WalkOptions& options_;
    const std::function<void(FileBatch&&)> onFiles_;
    const std::function<void(const std::string&)> onUnreadable_;
    const ExcludeRules excludes_;
    std::string relativePath_;  // reused for matching excludes
};

}  // namespace stubmeta_cli
