// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/edit_file.h"

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
                 const std::string& path, const FileRead2& read, const FileContent& content) {
    const FileIdentity identity =
        read_identity_of(read.fd->get(), path, read.status, options.preserve);
    JournalRecord record;
    if (options.journal != nullptr)
        record = {directory.path,     name, directory.device, directory.inode, read.status.st_dev,
                  read.status.st_ino, 0,    read.content,     content,         identity};
    const Replacement replacement{directory.fd,  name,     path,      read.status,
                                  &read.content, &content, &identity, options.preserve};
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

FileEdit edit_stub(const FileEditOptions& options, const EditDirectory& directory, const char* name,
                   const std::string& path, const FileRead2& read) {
    const FileContent& old = read.content;
    const StubBytes bytes(old.bytes);
    Verdict verdict = judge_stub(bytes, old.size, StubSource::Content, options.match);
    if (verdict.state == StubState::NotStub)
        return outcome(FileOutcome::NotStub);
    if (verdict.state == StubState::Damaged)
        return outcome(FileOutcome::Damaged);
    measure_trailing(verdict, bytes, old.size, false);
    const EditPlan plan = plan_edit(verdict.detection.record, verdict.type, options.request);
    if (plan.outcome == EditOutcome::NotSelected)
        return outcome(FileOutcome::NotSelected);
    if (plan.outcome == EditOutcome::Unchanged)
        return outcome(FileOutcome::Unchanged);
    if (plan.outcome == EditOutcome::Skipped)
        return outcome(FileOutcome::Skipped, printable(path) + ": not edited: " + plan.problem);
    if (verdict.trailing == Trailing::Data)
        return outcome(FileOutcome::Skipped,
                       printable(path) + ": not edited: data follows the stub");
    if (read.status.st_nlink > 1)
        return outcome(FileOutcome::Skipped, printable(path) + ": not edited: it has " +
                                                 std::to_string(read.status.st_nlink) +
                                                 " hard links, which a new file would split");
    std::string problem;
    const bool header = is_reparse_type(verdict.type) &&
                        has_reparse_header(old.bytes.data(), old.bytes.size(), old.size);
    FileContent content{
        render_edited(verdict.detection, verdict.type, plan.record, header, path, problem), 0};
    if (!problem.empty())
        return outcome(FileOutcome::Skipped, printable(path) + ": not edited: " + problem);
    // Zeros after the stub kept the original's size: they still do.
    content.size = verdict.trailing == Trailing::Zeros && old.size > content.bytes.size()
                       ? old.size
                       : content.bytes.size();
    FileEdit edit = options.dryRun ? outcome(FileOutcome::Changed)
                                   : replace(options, directory, name, path, read, content);
    edit.changes = plan.changes;
    return edit;
}

}  // namespace

FileEdit edit_file(const FileEditOptions& options, const EditDirectory& directory, const char* name,
                   const std::string& path) {
    const bool byOpening = options.match.mode == MatchRequest::Mode::ByOpening;
    try {
        const FileRead2 read =
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
