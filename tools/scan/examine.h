/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Examining one file for scan: is it a Unix or DMNas stub, and is it whole?
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "support/file_reading.h"
#include "scan/ntfs_facts.h"
#include "stub/detection.h"
#include "stubmeta.hpp"

namespace stubmeta_cli {

struct ExamineOptions {
    bool followSymlinks = false;
    bool xattr = false;  // look at the reparse-data attribute, not the content
    std::string attribute;
    MatchRequest match;  // types named (--as, --family): every file is read as them
};

// One stub found.
struct ScanRow {
    std::string path;
    StubType type = 0;  // 0 when a damaged envelope gave no byte order
    bool damaged = false;
    std::string problem;  // why it is damaged
    std::uint32_t common1 = 0;
    std::uint64_t number2 = 0;
    std::string text;                 // longText, or shortText when that is empty
    std::uint64_t apparentSize = 0;   // st_size
    std::uint64_t allocatedSize = 0;  // st_blocks * 512
    std::optional<NtfsFacts> ntfs;    // found by an NTFS volume scan
};

// Copies a parsed record's key fields (common1, number2, the text) to row.
void take_key_fields(ScanRow& row, const ReparseData& record);

enum class Examined { NotStub, Stub, Unreadable };

// Examines file after file, reusing one buffer: one examiner per thread.
//
// A stub is a file whose content opens with the envelope magic (a Unix
// stub) or with a "QZSTUB:" first line (a DMNas stub); with xattr, a file
// carrying the attribute (an NTFS reparse buffer).  A file is read in one
// small chunk, and further (never past the first STUBMETA_READ_MAX bytes)
// only when that chunk opens like a stub; only a stub is stat'ed, for its
// sizes.  With types named, every regular file is read as they say.
class FileExaminer {
public:
    explicit FileExaminer(const ExamineOptions& options) : options_(options) {}

    // Examines the file name in the directory open at directoryFd
    // (AT_FDCWD when name is a path); path is the file's path as reported.
    // Stub: row describes it.  Unreadable: message is "path: cause".
    Examined examine(int directoryFd, const char* name, const std::string& path, ScanRow& row,
                     std::string& message);

private:
    Examined examine_content(int fd, const std::string& path, ScanRow& row, std::string& message);
    Examined examine_attribute(const std::string& path, ScanRow& row, std::string& message);

    const ExamineOptions& options_;
    StubBytes buffer_;
};

}  // namespace stubmeta_cli
