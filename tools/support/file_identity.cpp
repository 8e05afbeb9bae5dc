// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "support/file_identity.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <sys/xattr.h>
#include <unistd.h>

#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// The ACL a new file inherits from its directory's default ACL.  The
// replaced file's own is copied with its other attributes; one it did not
// have must not stay on its replacement.
constexpr const char* kAccessAcl = "system.posix_acl_access";

std::string octal(mode_t mode) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + (mode & 7)));
        mode >>= 3;
    } while (mode != 0);
    return "0" + digits;
}

// The one line that abandons a replacement: what could not be kept, why,
// and the --no-preserve item that accepts its loss.
[[noreturn]] void cannot_keep(const std::string& path, const std::string& what, int error,
                              std::string_view item) {
    throw ToolError(kExitUsageOrIo, printable(path) + ": cannot keep " + what + " (" +
                                        std::strerror(error) + "); not replaced (--no-preserve=" +
                                        std::string(item) + " writes it without)");
}

// Calls get(buffer, size) until the value fits: attribute values may change
// size between the call that measures them and the one that reads them.
template <typename Reader>
bool read_sized(std::string& value, Reader get) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = get(nullptr, 0);
        if (size < 0)
            return false;
        value.assign(static_cast<std::size_t>(size), '\0');
        const ssize_t got = get(value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
    errno = ERANGE;
    return false;
}

// The attribute names of the file at path; none where the file system
// keeps no attributes at all.
std::vector<std::string> attribute_names(const std::string& path) {
    std::string list;
    if (!read_sized(list, [&path](char* buffer, std::size_t size) {
            return ::listxattr(path.c_str(), buffer, size);
        })) {
        if (errno == ENOTSUP)
            return {};
        cannot_keep(path, "its extended attributes: they cannot be listed", errno, "xattr");
    }
    std::vector<std::string> names;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = list.find('\0', at);
        const std::size_t stop = end == std::string::npos ? list.size() : end;
        if (stop > at)
            names.push_back(list.substr(at, stop - at));
        at = stop + 1;
    }
    return names;
}

bool has_attribute(const FileIdentity& identity, std::string_view name) {
    return std::any_of(identity.attributes.begin(), identity.attributes.end(),
                       [name](const auto& attribute) { return attribute.first == name; });
}

void apply_attributes(int fd, const FileIdentity& identity, const std::string& path) {
    for (const auto& [name, value] : identity.attributes)
        if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0)
            cannot_keep(path, "extended attribute " + name, errno, "xattr");
    if (!has_attribute(identity, kAccessAcl) && ::fremovexattr(fd, kAccessAcl) != 0 &&
        errno != ENODATA && errno != ENOTSUP)
        cannot_keep(path, "the file without the ACL it inherited from its directory", errno,
                    "xattr");
}

// As attribute_names, through an open descriptor.
std::vector<std::string> attribute_names_of(int fd, const std::string& path) {
    std::string list;
    if (!read_sized(list, [fd](char* buffer, std::size_t size) {
            return ::flistxattr(fd, buffer, size);
        })) {
        if (errno == ENOTSUP)
            return {};
        cannot_keep(path, "its extended attributes: they cannot be listed", errno, "xattr");
    }
    std::vector<std::string> names;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = list.find('\0', at);
        const std::size_t stop = end == std::string::npos ? list.size() : end;
        if (stop > at)
            names.push_back(list.substr(at, stop - at));
        at = stop + 1;
    }
    return names;
}

}  // namespace

FileIdentity read_identity_of(int fd, const std::string& path, const struct stat& status,
                              const Preservation& preserve) {
    FileIdentity identity{status, {}};
    if (!preserve.xattr)
        return identity;
    for (std::string& name : attribute_names_of(fd, path)) {
        std::string value;
        if (read_sized(value, [fd, &name](char* buffer, std::size_t size) {
                return ::fgetxattr(fd, name.c_str(), buffer, size);
            }))
            identity.attributes.emplace_back(std::move(name), std::move(value));
        else if (errno != ENODATA)
            cannot_keep(path, "extended attribute " + name + ": it cannot be read", errno, "xattr");
    }
    return identity;
}

FileIdentity read_identity(const std::string& path, const struct stat& status,
                           const Preservation& preserve) {
    FileIdentity identity{status, {}};
    if (!preserve.xattr)
        return identity;
    for (std::string& name : attribute_names(path)) {
        std::string value;
        if (read_sized(value, [&path, &name](char* buffer, std::size_t size) {
                return ::getxattr(path.c_str(), name.c_str(), buffer, size);
            }))
            identity.attributes.emplace_back(std::move(name), std::move(value));
        else if (errno != ENODATA)  // removed since it was listed: nothing to keep
            cannot_keep(path, "extended attribute " + name + ": it cannot be read", errno, "xattr");
    }
    return identity;
}

void apply_identity(int fd, const FileIdentity& identity, const Preservation& preserve,
                    const std::string& path) {
    const struct stat& status = identity.status;
    if (preserve.ownership && ::fchown(fd, status.st_uid, status.st_gid) != 0)
        cannot_keep(path,
                    "owner and group " + std::to_string(status.st_uid) + ":" +
                        std::to_string(status.st_gid),
                    errno, "ownership");
    if (preserve.xattr)
        apply_attributes(fd, identity, path);
    const mode_t mode = static_cast<mode_t>(status.st_mode & 07777);
    if (preserve.mode && ::fchmod(fd, mode) != 0)
        cannot_keep(path, "mode " + octal(mode), errno, "mode");
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    if (preserve.timestamps && ::futimens(fd, times) != 0)
        cannot_keep(path, "access and modification times", errno, "timestamps");
}

}  // namespace stubmeta_cli
