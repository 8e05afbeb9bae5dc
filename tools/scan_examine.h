// Examining one file for scan: is it a Unix or DMNas stub, and is it whole?
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "stubmeta.h"

namespace stubmeta_cli {

struct ExamineOptions {
    bool followSymlinks = false;
    bool xattr = false;  // look at the reparse-data attribute, not the content
    std::string attribute;
};

// One stub found.
struct ScanRow {
    std::string path;
    StubType type = 0;       // 0 when a damaged envelope gave no byte order
    bool damaged = false;
    std::string problem;     // why it is damaged
    std::uint32_t common1 = 0;
    std::uint64_t number2 = 0;
    std::string text;        // longText, or shortText when that is empty
    std::uint64_t apparentSize = 0;   // st_size
    std::uint64_t allocatedSize = 0;  // st_blocks * 512
};

// Examines the file at path.  Returns a row for a stub, nothing for any
// other file.  A stub is a file whose content opens with the envelope magic
// (a Unix stub) or with a "QZSTUB:" first line (a DMNas stub); with xattr,
// a file carrying the attribute (an NTFS reparse buffer).  Never reads
// more than the first 65,536 bytes.  Throws ToolError when the file cannot
// be read.
std::optional<ScanRow> examine_file(const std::string& path, const ExamineOptions& options);

}  // namespace stubmeta_cli
