/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The words for a kind of file, in messages.
#pragma once

#include <string>
#include <sys/stat.h>

namespace stubmeta_cli {

// "a directory", "a character device", "a FIFO", ... for a file's st_mode.
inline std::string file_kind_name(mode_t mode) {
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISLNK(mode))
        return "a symbolic link";
    return "a regular file";
}

}  // namespace stubmeta_cli
