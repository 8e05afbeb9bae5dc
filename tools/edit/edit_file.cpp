// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/edit_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

#include "edit/attribute.h"
#include "edit/replace.h"
#include "record/readback_check.h"
#include "stub/envelope_report.h"
#include "stub/type_names.h"
#include "stub/verdict.h"
#include "stub/writer.h"
#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

FileEdit outcome(FileOutcome what, std::string message = {}) {
    FileEdit edit;
    edit.outcome = what;
    edit.message = std::move(message);
    return edit;
}

std::string join(const std::vector<std::string>& phrases) {
    std::string line;
    for (const std::string& phrase : phrases)
        line += (line.empty() ? "" : "; ") + phrase;
    return line;
}

// The edited stub in the layout the file had: a Unix stub keeps its text
// layout and its envelope's value, a reparse buffer its header.  Empty,
// with problem set, when it would not read back as the record given.
std::string render_edited(const Detection& found, StubType type, const ReparseData& edited,
                          bool reparseHeader, const std::string& path, std::string& problem) {
    ReparseData record = edited;
    if (is_unix_type(type) && found.unixLayout != 0) {
        record.stubType = type;
        record.unixTextKind = found.unixLayout == 1 ? 1 : 2;
    }
    std::string text = render_stub(record, type, RenderOptions{false}, path);
    if (is_unix_type(type) && found.envelope) {
        const EnvelopeReport report = examine_envelope(StubBytes(text));
        if (report.ok && report.value != found.envelope->value)
            text = wrap_text(text.substr(kEnvelopeHeaderSize, report.textLength),
                             found.envelope->value, type, path);
        if (!examine_envelope(StubBytes(text)).ok) {
            problem = "the envelope would be damaged";
            return {};
        }
    }
    const std::vector<std::string> problems =
        readback_problems(edited, type, layout_fields(edited, type), text);
    if (!problems.empty()) {
        problem = join(problems) + "; it would not read back the same";
        return {};
    }
    return reparseHeader ? render_stub(record, type, RenderOptions{true}, path) : text;
}

// The replacement and its journal record; returns the outcome.
FileEdit replace(const FileEditOptions& options, const EditDirectory& directory, const char* name,
                 const std::string& path, const TreeFileRead& read, const FileContent& content) {
    const FileIdentity identity =
        read_identity_of(read.fd->get(), path, read.status, options.preserve);
    JournalRecord record;
    if (options.journal != nullptr)
        record = {directory.path,
                  name,
                  directory.device,
                  directory.inode,
                  read.status.st_dev,
                  read.status.st_ino,
                  0,
                  read.content,
                  content,
                  identity,
                  {}};
    const Replacement replacement{directory.fd,
                                  name,
                                  path,
                                  read.status,
                                  &read.content,
                                  &content,
                                  &identity,
                                  options.preserve,
                                  !options.directorySyncedByCaller};
    const Replaced done = replace_checked(replacement, [&](const struct stat& written) {
        if (options.journal == nullptr)
            return;
        record.newInode = written.st_ino;
        options.journal->append(record);
    });
    if (done == Replaced::Changed)
        return outcome(FileOutcome::LostUpdate,
                       printable(path) + ": changed since it was read; left alone");
    return outcome(FileOutcome::Changed);
}

// What judging, selecting, changing and rendering a stub's bytes came to:
// an outcome already, or the plan and the new content to write.
struct Prepared {
    std::optional<FileEdit> done;
    EditPlan plan;
    FileContent content;
};

Prepared prepare(const FileEditOptions& options, const std::string& path, const FileContent& old,
                 StubSource source, nlink_t links) {
    Prepared p;
    const StubBytes bytes(old.bytes);
    Verdict verdict = judge_stub(bytes, old.size, source, options.match);
    if (verdict.state != StubState::Ok) {
        p.done = outcome(verdict.state == StubState::NotStub ? FileOutcome::NotStub
                                                             : FileOutcome::Damaged);
        return p;
    }
    measure_trailing(verdict, bytes, old.size, false);
    p.plan = plan_edit(verdict.detection.record, verdict.type, options.request);
    std::string problem = p.plan.problem;
    if (p.plan.outcome == EditOutcome::NotSelected || p.plan.outcome == EditOutcome::Unchanged) {
        p.done = outcome(p.plan.outcome == EditOutcome::NotSelected ? FileOutcome::NotSelected
                                                                    : FileOutcome::Unchanged);
        return p;
    }
    if (p.plan.outcome == EditOutcome::Changed && verdict.trailing == Trailing::Data)
        problem = "data follows the stub";
    if (p.plan.outcome == EditOutcome::Changed && problem.empty() && links > 1)
        problem = "it has " + std::to_string(links) + " hard links, which a new file would split";
    if (problem.empty()) {
        const bool header = is_reparse_type(verdict.type) &&
                            has_reparse_header(old.bytes.data(), old.bytes.size(), old.size);
        p.content.bytes =
            render_edited(verdict.detection, verdict.type, p.plan.record, header, path, problem);
    }
    if (!problem.empty()) {
        p.done = outcome(FileOutcome::Skipped, printable(path) + ": not edited: " + problem);
        return p;
    }
    // Zeros after the stub kept the original's size: they still do.
    p.content.size = verdict.trailing == Trailing::Zeros && old.size > p.content.bytes.size()
                         ? old.size
                         : p.content.bytes.size();
    return p;
}

// A link met with --follow-symlinks: its target would have to be found
// again by path to be replaced, which edit never does.
bool is_link(const EditDirectory& directory, const char* name) {
    struct stat status {};
    return ::fstatat(directory.fd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISLNK(status.st_mode);
}

FileEdit edit_stub(const FileEditOptions& options, const EditDirectory& directory, const char* name,
                   const std::string& path, const TreeFileRead& read) {
    Prepared p = prepare(options, path, read.content, StubSource::Content, read.status.st_nlink);
    if (p.done)
        return *p.done;
    if (options.followSymlinks && is_link(directory, name))
        return outcome(FileOutcome::Skipped,
                       printable(path) + ": not edited: a symbolic link (edit the stub it leads "
                                         "to by its own path)");
    FileEdit edit = options.dryRun ? outcome(FileOutcome::Changed)
                                   : replace(options, directory, name, path, read, p.content);
    edit.changes = p.plan.changes;
    return edit;
}

// --xattr: the stub is the attribute's value; the file's content is never
// opened for writing, and its links stay as they are.
FileEdit edit_attribute(const FileEditOptions& options, const EditDirectory& directory,
                        const char* name, const std::string& path) {
    const int flags =
        O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | (options.followSymlinks ? 0 : O_NOFOLLOW);
    const Descriptor fd(open_for_reading(directory.fd, name, flags));
    struct stat status {};
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0)
        return outcome(FileOutcome::Failed,
                       printable(path) + ": cannot open: " + std::strerror(errno));
    const std::optional<std::string> value = read_attribute(fd.get(), options.attribute, path);
    if (!value)
        return outcome(FileOutcome::NotStub);
    const FileContent old{*value, value->size()};
    Prepared p = prepare(options, path, old, StubSource::ReparseAttribute, 1);
    if (p.done)
        return *p.done;
    if (!options.dryRun) {
        if (options.journal != nullptr) {
            JournalRecord record{directory.path,   name,
                                 directory.device, directory.inode,
                                 status.st_dev,    status.st_ino,
                                 status.st_ino,    old,
                                 p.content,        FileIdentity{status, {}},
                                 options.attribute};
            options.journal->append(record);
        }
        if (!replace_attribute(fd.get(), options.attribute, status, old.bytes, p.content.bytes,
                               path))
            return outcome(FileOutcome::LostUpdate,
                           printable(path) + ": changed since it was read; left alone");
    }
    FileEdit edit = outcome(FileOutcome::Changed);
    edit.changes = p.plan.changes;
    return edit;
}

}  // namespace

FileEdit edit_file(const FileEditOptions& options, const EditDirectory& directory, const char* name,
                   const std::string& path) {
    const bool byOpening = options.match.mode == MatchRequest::Mode::ByOpening;
    try {
        if (options.xattr)
            return edit_attribute(options, directory, name, path);
        const TreeFileRead read =
            read_tree_file(directory.fd, name, path, options.followSymlinks, byOpening);
        switch (read.result) {
        case ReadResult::NotStub:
            return outcome(FileOutcome::NotStub);
        case ReadResult::TooLarge:
            // A bare text of a type named is never that long: no stub.
            return byOpening ? outcome(FileOutcome::Skipped, read.message)
                             : outcome(FileOutcome::NotStub);
        case ReadResult::Unreadable:
            return outcome(FileOutcome::Failed, read.message);
        case ReadResult::Read:
            break;
        }
        return edit_stub(options, directory, name, path, read);
    } catch (const ToolError& error) {
        FileEdit failed =
            outcome(error.status() == kExitRefused ? FileOutcome::Skipped : FileOutcome::Failed,
                    error.what());
        return failed;
    }
}

}  // namespace stubmeta_cli
