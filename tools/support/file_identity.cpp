// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "support/file_identity.h"

#include <cerrno>
#include <cstring>
#include <sys/xattr.h>
#include <unistd.h>

namespace stubmeta_cli {
namespace {

std::string cause(int error) { return std::strerror(error); }

std::string octal(mode_t mode) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + (mode & 7)));
        mode >>= 3;
    } while (mode != 0);
    return "0" + digits;
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
    return false;
}

std::vector<std::string> attribute_names(const std::string& path,
                                         std::vector<std::string>& warnings) {
    std::string list;
    if (!read_sized(list, [&path](char* buffer, std::size_t size) {
            return ::listxattr(path.c_str(), buffer, size);
        })) {
        if (errno != ENOTSUP)
            warnings.push_back("cannot list its extended attributes (" + cause(errno) +
                               "); they are not kept");
        return {};
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

void apply_owner(int fd, const struct stat& status, std::vector<std::string>& warnings) {
    if (::fchown(fd, status.st_uid, status.st_gid) != 0)
        warnings.push_back("cannot keep owner and group " + std::to_string(status.st_uid) + ":" +
                           std::to_string(status.st_gid) + " (" + cause(errno) + ")");
}

void apply_attributes(int fd, const FileIdentity& identity, std::vector<std::string>& warnings) {
    for (const auto& [name, value] : identity.attributes)
        if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0)
            warnings.push_back("cannot keep extended attribute " + name + " (" + cause(errno) +
                               ")");
}

void apply_times(int fd, const struct stat& status, std::vector<std::string>& warnings) {
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    if (::futimens(fd, times) != 0)
        warnings.push_back("cannot keep access and modification times (" + cause(errno) + ")");
}

}  // namespace

mode_t new_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

FileIdentity read_identity(const std::string& path, const struct stat& status,
                           const Preservation& preserve, std::vector<std::string>& warnings) {
    FileIdentity identity{status, {}};
    if (!preserve.xattr)
        return identity;
    for (std::string& name : attribute_names(path, warnings)) {
        std::string value;
        if (read_sized(value, [&path, &name](char* buffer, std::size_t size) {
                return ::getxattr(path.c_str(), name.c_str(), buffer, size);
            }))
            identity.attributes.emplace_back(std::move(name), std::move(value));
        else
            warnings.push_back("cannot read extended attribute " + name + " (" + cause(errno) +
                               "); it is not kept");
    }
    return identity;
}

void apply_identity(int fd, const FileIdentity& identity, const Preservation& preserve,
                    std::vector<std::string>& warnings) {
    if (preserve.ownership)
        apply_owner(fd, identity.status, warnings);
    if (preserve.xattr)
        apply_attributes(fd, identity, warnings);
    const mode_t mode =
        preserve.mode ? static_cast<mode_t>(identity.status.st_mode & 07777) : new_file_mode();
    if (::fchmod(fd, mode) != 0)
        warnings.push_back("cannot set mode " + octal(mode) + " (" + cause(errno) + ")");
    if (preserve.timestamps)
        apply_times(fd, identity.status, warnings);
}

}  // namespace stubmeta_cli
