/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The journal of an edit: for every file replaced, where it is, what it
// held and holds now, and its identity, so that undo can put it back.
//
// One JSON object per line (JSON Lines), the first {"journal":"stubmeta
// edit","version":1}.  Bytes and names are hexadecimal, so any path and
// any stub fit.  A record is written and synced before the file it
// describes is replaced; a record cut short by a crash is the last line,
// without its newline, and is ignored by the reader and removed by the
// next writer.  While an edit runs, zeros reserved for the next records
// follow the last one; a crash may leave them, and readers pass over them.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "edit/stub_file.h"
#include "support/file_identity.h"

namespace stubmeta_cli {

struct JournalRecord {
    std::string directory;  // the directory's path as walked ("." for the current one)
    std::string name;       // the file's name in it
    std::uint64_t directoryDevice = 0;
    std::uint64_t directoryInode = 0;
    std::uint64_t device = 0;    // of the file replaced
    std::uint64_t inode = 0;     // of the file replaced
    std::uint64_t newInode = 0;  // of the file that replaces it
    FileContent before;
    FileContent after;
    FileIdentity identity;  // the replaced file's (status fields and attributes)
    // --xattr: the attribute whose value before and after are; empty when
    // they are the file's content.
    std::string attribute;
};

class JournalWriter {
public:
    // Opens path for writing (creating it, mode 0600), drops a record a
    // crash cut short at its end, and writes the first line to a new
    // journal.  Throws ToolError (status 2) when it cannot.
    explicit JournalWriter(const std::string& path);
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;
    // Gives back the zeros reserved past the last record.
    ~JournalWriter();

    // Appends record and syncs it (fdatasync) before returning: only
    // then may the file be replaced.  Any thread.  Throws ToolError
    // (status 2) when it cannot.
    void append(const JournalRecord& record);

private:
    void write_line(const std::string& line);
    void reserve(off_t needed);

    std::string path_;
    int fd_ = -1;
    off_t end_ = 0;       // where the next record goes
    off_t reserved_ = 0;  // the file's size: zeros from end_ on
    std::mutex mutex_;
};

// Reads every whole record of the journal at path, in order.  A last line
// without its newline is a record cut short and ignored.  Throws ToolError
// (status 2) for a file that cannot be read, is no journal, or holds a
// damaged record before its last line.
std::vector<JournalRecord> read_journal(const std::string& path);

}  // namespace stubmeta_cli
