/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Reading one file of a tree as edit and undo see it: opened by its name
// relative to its directory's descriptor, never through a symbolic link
// unless asked, and kept whole in memory with the status it had.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "support/file_reading.h"

namespace stubmeta_cli {

// A file's content.  A stub may keep the size of the file it stands for
// with zeros or holes after it: size may exceed bytes, zeros making up the
// difference.
struct FileContent {
    std::string bytes;
    std::uint64_t size = 0;
    bool operator==(const FileContent&) const = default;
};

enum class ReadResult {
    Read,
    NotStub,     // does not open like a stub (only when asked to judge the opening)
    TooLarge,    // data past the most a stub holds
    Unreadable,  // errno-style failure: message says it
};

struct FileRead2 {
    ReadResult result = ReadResult::Unreadable;
    struct stat status {};
    FileContent content;
    std::string message;             // Unreadable, TooLarge: "path: cause"
    std::unique_ptr<Descriptor> fd;  // Read: the file, still open (its attributes)
};

// Reads the regular file name in the directory open at directoryFd
// (O_NOFOLLOW unless followLinks).  With byOpening, a file that does not
// open like a stub (envelope, QZSTUB: line, reparse header) is NotStub
// after one small read.  A file holding more than any stub is TooLarge.
FileRead2 read_tree_file(int directoryFd, const char* name, const std::string& path,
                         bool followLinks, bool byOpening);

// Whether the file status describes the same content as before: the same
// inode, size, modification and change times.
bool same_version(const struct stat& a, const struct stat& b);

}  // namespace stubmeta_cli
