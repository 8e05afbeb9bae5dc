/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// A stub kept in an extended attribute (the reparse data an NTFS driver
// exposes) rather than in the file's content: read and replaced through
// the open file, never by path.
#pragma once

#include <optional>
#include <string>
#include <sys/stat.h>

namespace stubmeta_cli {

// The value of attribute on the open file fd; nothing when the file has
// none or its file system keeps no attributes.  Throws ToolError (status
// 2) naming path for any other failure.
std::optional<std::string> read_attribute(int fd, const std::string& attribute,
                                          const std::string& path);

// Sets attribute to value, only while the file still has the status seen
// (inode, size, times) and the attribute still holds expected; returns
// false, leaving it alone, otherwise.  An attribute is replaced whole by
// the file system, so no reader sees half of it.  Throws ToolError
// (status 2) when it cannot be set.
bool replace_attribute(int fd, const std::string& attribute, const struct stat& seen,
                       const std::string& expected, const std::string& value,
                       const std::string& path);

}  // namespace stubmeta_cli
