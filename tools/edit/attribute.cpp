// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/attribute.h"

#include <cerrno>
#include <cstring>
#include <sys/xattr.h>
#include <unistd.h>

#include "edit/stub_file.h"
#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {

std::optional<std::string> read_attribute(int fd, const std::string& attribute,
                                          const std::string& path) {
    // A value may grow between the call that measures it and the one
    // that reads it: measure again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::fgetxattr(fd, attribute.c_str(), nullptr, 0);
        if (size < 0 && (errno == ENODATA || errno == ENOTSUP))
            return std::nullopt;
        if (size < 0)
            break;
        std::string value(static_cast<std::size_t>(size), '\0');
        const ssize_t got = ::fgetxattr(fd, attribute.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return value;
        }
        if (errno != ERANGE)
            break;
    }
    throw ToolError(kExitUsageOrIo, printable(path) + ": cannot read attribute " + attribute +
                                        ": " + std::strerror(errno));
}

bool replace_attribute(int fd, const std::string& attribute, const struct stat& seen,
                       const std::string& expected, const std::string& value,
                       const std::string& path) {
    struct stat now {};
    if (::fstat(fd, &now) != 0 || !same_version(now, seen))
        return false;
    const std::optional<std::string> held = read_attribute(fd, attribute, path);
    if (!held || *held != expected)
        return false;
    if (::fsetxattr(fd, attribute.c_str(), value.data(), value.size(), XATTR_REPLACE) != 0)
        throw ToolError(kExitUsageOrIo, printable(path) + ": cannot set attribute " + attribute +
                                            ": " + std::strerror(errno));
    if (::fsync(fd) != 0 && errno != EINVAL)
        throw ToolError(kExitUsageOrIo, printable(path) + ": cannot sync: " + std::strerror(errno));
    return true;
}

}  // namespace stubmeta_cli
