// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/batch.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// Edits one file; returns whether its directory changed.
bool edit_one(const BatchEditor& w, const FileEditOptions& options, const EditDirectory& directory,
              const char* name, const std::string& path) {
    if (w.fileInHand)
        w.fileInHand(true);
    const FileEdit edit = edit_file(options, directory, name, path);
    if (w.fileInHand)
        w.fileInHand(false);
    w.counters.filesExamined.fetch_add(1, std::memory_order_relaxed);
    if (edit.outcome != FileOutcome::NotStub && edit.outcome != FileOutcome::Failed)
        w.counters.stubsFound.fetch_add(1, std::memory_order_relaxed);
    w.report.add(path, edit);
    return !options.dryRun &&
           (edit.outcome == FileOutcome::Changed || edit.outcome == FileOutcome::LostUpdate);
}

// A directory's path for the journal, so that undo finds it from anywhere.
std::string absolute(const BatchEditor& w, const std::string& path) {
    if (path.starts_with('/'))
        return path;
    if (path != ".")
        return w.workingDirectory + path;
    return w.workingDirectory.size() == 1
               ? w.workingDirectory
               : w.workingDirectory.substr(0, w.workingDirectory.size() - 1);
}

bool identify(EditDirectory& directory, const std::string& path, std::string& message) {
    struct stat status {};
    if (::fstat(directory.fd, &status) != 0) {
        message = printable(path) + ": cannot stat: " + std::strerror(errno);
        return false;
    }
    directory.device = status.st_dev;
    directory.inode = status.st_ino;
    return true;
}

// A root that is a file: edited in its directory, opened once.  A root
// that is a symbolic link is followed, as every root is.
void edit_root_file(const BatchEditor& w, const std::string& path) {
    std::string target = path;
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
        if (real)
            target = real.get();
    }
    const std::size_t slash = target.find_last_of('/');
    EditDirectory directory;
    const std::string parent = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const Descriptor fd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC));
    directory.path = absolute(w, parent);
    directory.fd = fd.get();
    std::string message;
    if (fd.get() < 0)
        message = printable(directory.path) + ": cannot open: " + std::strerror(errno);
    if (fd.get() < 0 || !identify(directory, directory.path, message)) {
        w.report.add_unreadable(message);
        return;
    }
    edit_one(w, w.options, directory, name.c_str(), path);
}

// ".NAME.tmp.XXXXXX": a temporary file of an edit a crash cut short,
// holding the old stub or the new one, never a stub of its own.
bool is_edit_temporary(std::string_view name) {
    constexpr std::size_t kSuffix = 11;  // ".tmp.XXXXXX"
    return name.size() > kSuffix + 1 && name.front() == '.' &&
           name.substr(name.size() - kSuffix, 5) == ".tmp.";
}

}  // namespace

std::string working_directory(bool needed) {
    const std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (cwd == nullptr) {
        if (needed)
            throw ToolError(kExitUsageOrIo, std::string("stubmeta: cannot find the current "
                                                        "directory for the journal's paths: ") +
                                                std::strerror(errno));
        return "/";
    }
    return std::string(cwd.get()) + (cwd.get()[1] == '\0' ? "" : "/");
}

void edit_batch(const BatchEditor& editor, const FileBatch& batch) {
    const OpenDirectory& open = batch.directory();
    if (open.holds_roots()) {
        batch.for_each([&editor](const char* path) {
            if (!editor.stopRequested())
                edit_root_file(editor, path);
        });
        return;
    }
    EditDirectory directory;
    directory.fd = open.fd();
    directory.path = absolute(editor, open.prefix().size() == 1
                                          ? open.prefix()
                                          : open.prefix().substr(0, open.prefix().size() - 1));
    std::string message;
    if (!identify(directory, open.prefix(), message)) {
        editor.report.add_unreadable(message);
        return;
    }
    // The directory is synced once, after the batch's last file.
    FileEditOptions options = editor.options;
    options.directorySyncedByCaller = true;
    std::string path;
    bool changed = false;
    batch.for_each([&](const char* name) {
        if (editor.stopRequested() || is_edit_temporary(name))
            return;
        path.assign(open.prefix()).append(name);
        changed = edit_one(editor, options, directory, name, path) || changed;
    });
    if (changed && ::fsync(directory.fd) != 0 && errno != EINVAL && errno != ENOTSUP)
        editor.report.add_unreadable(printable(directory.path) +
                                     ": cannot sync the directory: " + std::strerror(errno));
}

}  // namespace stubmeta_cli
