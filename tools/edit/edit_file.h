/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Editing one file of a tree: read it, decide, check the new stub reads
// back, journal it, replace it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "edit/changes.h"
#include "edit/journal.h"
#include "stub/detection.h"

namespace stubmeta_cli {

struct FileEditOptions {
    EditRequest request;
    MatchRequest match;  // --as, --family, --first-match
    bool followSymlinks = false;
    bool xattr = false;     // the stub is the value of attribute, not the content
    std::string attribute;  // with xattr
    bool dryRun = false;
    Preservation preserve;
    JournalWriter* journal = nullptr;  // none without --journal
    // The caller syncs each directory once, after the last file it edits
    // there, instead of once a file.  A crash before that sync leaves each
    // of those files old or new, never neither (the new content and its
    // journal record are durable before the rename), and halves the syncs
    // of an edit without a journal.
    bool directorySyncedByCaller = false;
};

// The directory a file is edited in: its descriptor, its path as walked
// and its identity, which the journal keeps so that undo finds it again.
struct EditDirectory {
    int fd = -1;
    std::string path;  // ends without '/'; "." for the current directory
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

enum class FileOutcome {
    NotStub,
    Damaged,  // a damaged stub: left alone
    NotSelected,
    Unchanged,
    Changed,     // also with --dry-run, nothing then written
    Skipped,     // message says why: a change it cannot hold, hard links, ...
    LostUpdate,  // changed since it was read: left alone
    Failed,      // could not be read or written: message says why
};

struct FileEdit {
    FileOutcome outcome = FileOutcome::NotStub;
    std::vector<FieldChange> changes;
    std::string message;  // "path: ..." for Skipped, LostUpdate and Failed
};

// Edits the file name in directory, path being how it is reported.
// Never throws for a file's own failure: that is the outcome.
FileEdit edit_file(const FileEditOptions& options, const EditDirectory& directory, const char* name,
                   const std::string& path);

}  // namespace stubmeta_cli
