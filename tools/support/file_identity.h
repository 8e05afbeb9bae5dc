/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// A file's identity beyond its content (owner, group, mode, times,
// extended attributes and the ACLs stored among them), taken from the file
// being replaced and given to the file that replaces it.
#pragma once

#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "commands/file_output_options.h"

namespace stubmeta_cli {

struct FileIdentity {
    struct stat status {};
    // Every extended attribute this process may read: name and value.
    std::vector<std::pair<std::string, std::string>> attributes;
};

// Reads the identity of the regular file at path, whose status is known.
// Attributes that cannot be listed or read are named in warnings.
FileIdentity read_identity(const std::string& path, const struct stat& status,
                           const Preservation& preserve, std::vector<std::string>& warnings);

// Gives the open file fd what preserve asks of identity: owner and group
// first (a change of owner clears set-id bits and file capabilities), then
// the attributes, the mode, and the times last.  Whatever cannot be set is
// named in warnings; nothing here fails the write.
void apply_identity(int fd, const FileIdentity& identity, const Preservation& preserve,
                    std::vector<std::string>& warnings);

// The mode a newly created file gets: 0666 less the umask.
mode_t new_file_mode();

}  // namespace stubmeta_cli
