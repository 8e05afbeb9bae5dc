/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// A file's identity beyond its content (owner, group, mode, times,
// extended attributes and the ACLs stored among them), taken from the file
// being replaced and given to the file that replaces it: all of it, or the
// replacement does not happen.
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
// An attribute that cannot be listed or read throws ToolError (status 2)
// naming it: what cannot be read cannot be kept, and the file is not
// replaced without it unless preserve leaves attributes out.
FileIdentity read_identity(const std::string& path, const struct stat& status,
                           const Preservation& preserve);

// As read_identity, from the file open at fd (its attributes read
// through the descriptor, so no path is resolved again); path names the
// file in messages.
FileIdentity read_identity_of(int fd, const std::string& path, const struct stat& status,
                              const Preservation& preserve);

// Gives the open file fd what preserve asks of identity: owner and group
// first (a change of owner clears set-id bits and file capabilities), then
// the attributes (and removes an ACL the file inherited from its directory
// that the replaced file did not have), the mode, and the times last.  The
// first part that cannot be set throws ToolError (status 2) naming it and
// the cause; path names the file in that message.
void apply_identity(int fd, const FileIdentity& identity, const Preservation& preserve,
                    const std::string& path);

}  // namespace stubmeta_cli
