/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Replacing one file of a tree by new content, relative to its directory's
// descriptor, only while it still holds what was read from it.
#pragma once

#include <functional>
#include <string>
#include <sys/stat.h>

#include "edit/stub_file.h"
#include "support/file_identity.h"

namespace stubmeta_cli {

struct Replacement {
    int directoryFd = -1;
    const char* name = nullptr;  // within the directory
    std::string path;            // for messages
    struct stat seen {};         // the file's status when it was read
    const FileContent* seenContent = nullptr;
    const FileContent* content = nullptr;  // what replaces it
    const FileIdentity* identity = nullptr;
    Preservation preserve;
    // False when the caller syncs the directory once for all the files it
    // replaces there (see FileEditOptions::directorySyncedByCaller).
    bool syncDirectory = true;
};

enum class Replaced { Done, Changed };

// Writes the new content to a temporary file beside the file (created
// with O_EXCL and O_NOFOLLOW in the same directory descriptor), gives it
// the identity, syncs it, calls beforeSwap with its status (the journal's
// moment: the new content is durable, the file not yet replaced), then
// checks that the file still is the one read (inode, size, times, bytes)
// and puts the new one in its place by exchanging the two.  The file
// swapped out is checked once more, and a change since it was read swaps
// it back.  Where the file system cannot exchange, a plain rename follows
// the first check.  Returns Changed, the file left as it is, when it no
// longer holds what was read: never a lost update.  The directory is
// synced unless syncDirectory is false.  Failures throw ToolError (status 2); the temporary file is
// removed on every path.
Replaced replace_checked(const Replacement& replacement,
                         const std::function<void(const struct stat&)>& beforeSwap);

}  // namespace stubmeta_cli
