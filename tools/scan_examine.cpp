#include "scan_examine.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "cli_types.h"
#include "envelope_report.h"
#include "tool_status.h"

namespace stubmeta_cli {
namespace {

constexpr std::string_view kDmnasPrefix = "QZSTUB:";

// The first read of every file: enough for the opening of any file and
// the whole of most stubs, small enough to cost little on other files.
constexpr std::size_t kFirstChunk = 4096;

// How the bytes read so far open.
enum class Opening { Stub, NotStub, Undecided };

// Whether bytes (size of them) agree with marker as far as both go.
bool agrees(const char* bytes, std::size_t size, const void* marker, std::size_t markerSize) {
    return std::memcmp(bytes, marker, size < markerSize ? size : markerSize) == 0;
}

// A stub once a whole marker is there; undecided while the bytes are the
// start of one.
Opening classify(const PaddedBuffer& bytes) {
    const bool envelope =
        agrees(bytes.data(), bytes.size(), kEnvelopeMagic.data(), kEnvelopeMagic.size());
    const bool text = agrees(bytes.data(), bytes.size(), kDmnasPrefix.data(), kDmnasPrefix.size());
    if ((envelope && bytes.size() >= kEnvelopeMagic.size()) ||
        (text && bytes.size() >= kDmnasPrefix.size()))
        return Opening::Stub;
    return envelope || text ? Opening::Undecided : Opening::NotStub;
}

Examined unreadable(const std::string& path, int error, std::string& message) {
    message = path + ": " + std::strerror(error);
    return Examined::Unreadable;
}

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

Examined FileExaminer::examine(int directoryFd, const char* name, const std::string& path,
                               ScanRow& row, std::string& message) {
    if (options_.xattr)
        return examine_attribute(path, row, message);
    // O_NONBLOCK keeps a FIFO that replaced a file from stalling the read.
    int flags = O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    if (!options_.followSymlinks)
        flags |= O_NOFOLLOW;
    const Descriptor fd(open_for_reading(directoryFd, name, flags));
    if (fd.get() < 0)
        return unreadable(path, errno, message);
    return examine_content(fd.get(), path, row, message);
}

Examined FileExaminer::examine_content(int fd, const std::string& path, ScanRow& row,
                                       std::string& message) {
    buffer_.clear();
    Opening opening = Opening::Undecided;
    while (opening == Opening::Undecided) {
        const ssize_t got = buffer_.read_more(fd, kFirstChunk - buffer_.size());
        if (got < 0)
            return unreadable(path, errno, message);
        // A file that ends before it could open like a stub is none.
        opening = got == 0 ? Opening::NotStub : classify(buffer_);
    }
    if (opening == Opening::NotStub)
        return Examined::NotStub;

    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return unreadable(path, errno, message);
    if (!S_ISREG(status.st_mode)) {
        message = path + ": not a regular file";
        return Examined::Unreadable;
    }
    // The rest of the stub.  Having read as many bytes as the file holds
    // ends the reading without one more read to meet the end.
    const auto fileSize = static_cast<std::uint64_t>(status.st_size);
    while (buffer_.size() < kReadLimit && buffer_.size() != fileSize) {
        const ssize_t got = buffer_.read_more(fd, kReadLimit);
        if (got < 0)
            return unreadable(path, errno, message);
        if (got == 0)
            break;
    }

    row = ScanRow{};
    row.path = path;
    row.apparentSize = fileSize;
    row.allocatedSize = static_cast<std::uint64_t>(status.st_blocks) * 512u;
    if (has_envelope_magic(buffer_))
        examine_unix(row, buffer_);
    else
        examine_dmnas(row, buffer_);
    return Examined::Stub;
}

Examined FileExaminer::examine_attribute(const std::string& path, ScanRow& row,
                                         std::string& message) {
    try {
        if (!has_attribute(path, options_.attribute, options_.followSymlinks))
            return Examined::NotStub;
        struct stat status {};
        if ((options_.followSymlinks ? ::stat(path.c_str(), &status)
                                     : ::lstat(path.c_str(), &status)) != 0)
            return unreadable(path, errno, message);
        row = ScanRow{};
        row.path = path;
        row.apparentSize = static_cast<std::uint64_t>(status.st_size);
        row.allocatedSize = static_cast<std::uint64_t>(status.st_blocks) * 512u;
        examine_reparse_data(
            row, read_stub_attribute(path, options_.attribute, options_.followSymlinks));
        return Examined::Stub;
    } catch (const ToolError& error) {
        message = error.what();
        return Examined::Unreadable;
    }
}

}  // namespace stubmeta_cli
