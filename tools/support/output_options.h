/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// How a command writes its output file: what it may replace and what of
// the replaced file's identity the new content keeps.  Plain data: the
// command line fills it (commands/file_output_options.h), the writers
// below it only read it.
#pragma once

#include <string>

namespace stubmeta_cli {

// The replaced file's attributes that the new content takes over.  All of
// them by default: on an archive's stub the owner, mode, times and
// attributes are the file's identity for its users and the archiving
// product.
struct Preservation {
    bool mode = true;        // permission bits, set-id and sticky bits
    bool ownership = true;   // owner and group
    bool timestamps = true;  // access and modification times
    bool xattr = true;       // extended attributes, ACLs among them
};

struct FileOutputOptions {
    std::string output;  // -o
    bool force = false;  // replace an existing file
    // Rewrite an existing file's content in its own inode instead of
    // renaming a new file over it: keeps hard links, is not atomic.
    bool inPlace = false;
    Preservation preserve;
    std::string notPreserved;  // --no-preserve's last list, applied to preserve as parsed
};

}  // namespace stubmeta_cli
