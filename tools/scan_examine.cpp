#include "scan_examine.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "cli_types.h"
#include "envelope_report.h"
#include "file_reading.h"
#include "tool_status.h"

namespace stubmeta_cli {
namespace {

constexpr std::string_view kDmnasPrefix = "QZSTUB:";

void take_key_fields(ScanRow& row, const ReparseData& record) {
    row.type = record.stubType;
    row.common1 = record.common.common1;
    row.number2 = record.number2;
    const char* text = record.longText[0] != '\0' ? record.longText : record.shortText;
    const std::size_t width =
        record.longText[0] != '\0' ? sizeof record.longText : sizeof record.shortText;
    row.text.assign(text, strnlen(text, width));
}

void mark_damaged(ScanRow& row, std::string problem) {
    row.damaged = true;
    row.problem = std::move(problem);
}

// A Unix stub: the envelope must be whole and its text a Unix layout.
void examine_unix(ScanRow& row, const PaddedBuffer& stub) {
    const EnvelopeReport report = examine_envelope(stub);
    row.type = report.byteOrder;
    if (!report.ok) {
        mark_damaged(row, report.problem);
        return;
    }
    ReparseData record{};
    if (ParseReparseDataForUnixStubs(stub.data(), &record) != 0) {
        mark_damaged(row, "the envelope is whole but its text is not a Unix stub");
        return;
    }
    take_key_fields(row, record);
}

// A DMNas stub file; a CSVFS text saved as a file opens the same way.
void examine_dmnas(ScanRow& row, const PaddedBuffer& stub) {
    ReparseData record{};
    if (ParseReparseDataForStubType(stub.data(), STUB_TYPE_WINDOWS_DMNAS, &record) == 0 ||
        ParseReparseDataForStubType(stub.data(), STUB_TYPE_WINDOWS_LOCAL_CSVFS, &record) == 0) {
        take_key_fields(row, record);
        return;
    }
    row.type = STUB_TYPE_WINDOWS_DMNAS;
    mark_damaged(row, "a QZSTUB: first line, but the fields do not parse as a DMNas stub");
}

// Reparse data from the attribute: a 24-byte header and a Windows text.
void examine_reparse_data(ScanRow& row, const PaddedBuffer& data) {
    ReparseData record{};
    if (ParseReparseDataForWindowsStubs(data.data(), &record) == 0) {
        take_key_fields(row, record);
        return;
    }
    row.type = STUB_TYPE_WINDOWS_LOCAL;
    mark_damaged(row, "the attribute holds no NTFS or CSVFS reparse text");
}

}  // namespace

std::optional<ScanRow> examine_file(const std::string& path, const ExamineOptions& options) {
    ScanRow row;
    row.path = path;
    if (options.xattr) {
        if (!has_attribute(path, options.attribute, options.followSymlinks))
            return std::nullopt;
        struct stat status {};
        if ((options.followSymlinks ? ::stat(path.c_str(), &status)
                                    : ::lstat(path.c_str(), &status)) != 0)
            throw ToolError(kExitUsageOrIo, path + ": " + std::strerror(errno));
        row.apparentSize = static_cast<std::uint64_t>(status.st_size);
        row.allocatedSize = static_cast<std::uint64_t>(status.st_blocks) * 512u;
        examine_reparse_data(row, read_stub_attribute(path, options.attribute,
                                                      options.followSymlinks));
        return row;
    }
    const FileRead file = read_stub_file(path, options.followSymlinks);
    row.apparentSize = file.apparentSize;
    row.allocatedSize = file.allocatedSize;
    const PaddedBuffer& stub = file.buffer;
    if (has_envelope_magic(stub)) {
        examine_unix(row, stub);
        return row;
    }
    if (std::string_view(stub.data(), stub.size()).substr(0, kDmnasPrefix.size()) == kDmnasPrefix) {
        examine_dmnas(row, stub);
        return row;
    }
    return std::nullopt;
}

}  // namespace stubmeta_cli
