// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "support/output_target.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw ToolError(kExitRefused, printable(path) + ": " + why);
}

// "PATH: what was being done: cause", the path escaped.
[[noreturn]] void fail(const std::string& path, std::string_view doing, int error) {
    throw ToolError(kExitUsageOrIo,
                    printable(path) + ": " + std::string(doing) + ": " + std::strerror(error));
}

// The file a symbolic link finally leads to, or a refusal.
std::string resolve_link(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    if (!resolved) {
        if (errno == ENOENT)
            refuse(path, "a symbolic link that leads nowhere; refusing to write through it");
        if (errno == ELOOP)
            refuse(path, "a symbolic link that loops; refusing to write through it");
        fail(path, "cannot follow the symbolic link", errno);
    }
    return resolved.get();
}

}  // namespace

OutputTarget resolve_output_target(const FileOutputOptions& options) {
    const std::string& named = options.output;
    OutputTarget target{named, std::nullopt};
    struct stat found {};
    if (named.empty())
        throw ToolError(kExitUsageOrIo, "stubmeta: --output: an empty path names no file");
    if (::lstat(named.c_str(), &found) != 0) {
        if (errno == ENOENT)
            return target;
        fail(named, "cannot stat", errno);
    }
    if (S_ISLNK(found.st_mode)) {
        target.path = resolve_link(named);
        if (::stat(target.path.c_str(), &found) != 0)
            fail(named, "cannot stat", errno);
        if (!S_ISREG(found.st_mode))
            refuse(named, "a symbolic link to " + file_kind_name(found.st_mode) + " (" +
                              printable(target.path) +
                              "), not a regular file; refusing to replace it");
    } else if (!S_ISREG(found.st_mode)) {
        refuse(named, "is " + file_kind_name(found.st_mode) +
                          ", not a regular file; refusing to replace it");
    }
    if (!options.force)
        refuse(named, "exists; use --force to replace it");
    if (found.st_nlink > 1 && !options.inPlace)
        refuse(named, "has " + std::to_string(found.st_nlink) +
                          " hard links, and replacing it would split them; --in-place "
                          "rewrites it in place");
    target.existing = found;
    return target;
}

}  // namespace stubmeta_cli
