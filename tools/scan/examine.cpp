// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/examine.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "support/printable.h"
#include "stub/type_names.h"
#include "stub/envelope_report.h"
#include "stub/verdict.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// The first read of every file: enough for the opening of any file and
// the whole of most stubs, small enough to cost little on other files.
constexpr std::size_t kFirstChunk = 4096;

// How the bytes read so far open.
enum class Opening { Stub, ReparseBuffer, NotStub, Undecided };

// Whether bytes (size of them) agree with marker as far as both go.
bool agrees(const char* bytes, std::size_t size, const void* marker, std::size_t markerSize) {
    return std::memcmp(bytes, marker, size < markerSize ? size : markerSize) == 0;
}

// A stub once a whole marker is there; undecided while the bytes are the
// start of one.  atEnd: the bytes are the whole file.
Opening classify(const StubBytes& bytes, bool atEnd) {
    const bool envelope =
        agrees(bytes.data(), bytes.size(), kEnvelopeMagic.data(), kEnvelopeMagic.size());
    const bool text = agrees(bytes.data(), bytes.size(), kDmnasPrefix.data(), kDmnasPrefix.size());
    if ((envelope && bytes.size() >= kEnvelopeMagic.size()) ||
        (text && bytes.size() >= kDmnasPrefix.size()))
        return Opening::Stub;
    if (envelope || text)
        return atEnd ? Opening::NotStub : Opening::Undecided;
    // A reparse buffer: its header's length counts the rest of the file,
    // which the file's size decides once it is stat'ed.
    if (bytes.size() >= kNtfsHeaderSize) {
        const std::optional<std::size_t> length = reparse_data_length(bytes.data(), bytes.size());
        const std::size_t whole = length ? kNtfsHeaderSize + *length : 0;
        if (length && (whole == bytes.size() || (!atEnd && whole > bytes.size())))
            return Opening::ReparseBuffer;
        return Opening::NotStub;
    }
    return atEnd ? Opening::NotStub : Opening::Undecided;
}

Examined unreadable(const std::string& path, const char* doing, int error, std::string& message) {
    message = printable(path) + ": " + doing + ": " + std::strerror(error);
    return Examined::Unreadable;
}

// Fills row from the verdict on a stub's bytes; false for no stub.
bool take_verdict(ScanRow& row, const StubBytes& bytes, std::uint64_t wholeSize, StubSource source,
                  const MatchRequest& match) {
    const Verdict verdict = judge_stub(bytes, wholeSize, source, match);
    if (verdict.state == StubState::NotStub)
        return false;
    row.type = verdict.type;
    row.damaged = verdict.state == StubState::Damaged;
    row.problem = verdict.problem;
    if (!row.damaged)
        take_key_fields(row, verdict.detection.record);
    return true;
}

}  // namespace

void take_key_fields(ScanRow& row, const ReparseData& record) {
    row.common1 = record.common.common1;
    row.number2 = record.number2;
    const char* text = record.longText[0] != '\0' ? record.longText : record.shortText;
    const std::size_t width =
        record.longText[0] != '\0' ? sizeof record.longText : sizeof record.shortText;
    row.text.assign(text, strnlen(text, width));
}

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
        return unreadable(path, "cannot open", errno, message);
    return examine_content(fd.get(), path, row, message);
}

Examined FileExaminer::examine_content(int fd, const std::string& path, ScanRow& row,
                                       std::string& message) {
    buffer_.clear();
    // A bare text of a type named has no opening of its own: every file is
    // read and judged.
    const bool named = options_.match.mode != MatchRequest::Mode::ByOpening;
    Opening opening = named ? Opening::Stub : Opening::Undecided;
    while (opening == Opening::Undecided) {
        const ssize_t got = buffer_.read_more(fd, kFirstChunk - buffer_.size());
        if (got < 0)
            return unreadable(path, "cannot read", errno, message);
        // A file that ends before it could open like a stub is none.
        opening = classify(buffer_, got == 0);
    }
    if (opening == Opening::NotStub)
        return Examined::NotStub;

    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return unreadable(path, "cannot stat", errno, message);
    if (!S_ISREG(status.st_mode)) {
        message = printable(path) + ": not a regular file";
        return Examined::Unreadable;
    }
    // The rest of the stub.  Having read as many bytes as the file holds
    // ends the reading without one more read to meet the end.
    const auto fileSize = static_cast<std::uint64_t>(status.st_size);
    if (opening == Opening::ReparseBuffer &&
        !has_reparse_header(buffer_.data(), buffer_.size(), fileSize))
        return Examined::NotStub;
    while (buffer_.size() < kReadLimit && buffer_.size() != fileSize) {
        const ssize_t got = buffer_.read_more(fd, kReadLimit);
        if (got < 0)
            return unreadable(path, "cannot read", errno, message);
        if (got == 0)
            break;
    }

    row = ScanRow{};
    row.path = path;
    row.apparentSize = fileSize;
    row.allocatedSize = static_cast<std::uint64_t>(status.st_blocks) * 512u;
    return take_verdict(row, buffer_, fileSize, StubSource::Content, options_.match)
               ? Examined::Stub
               : Examined::NotStub;
}

Examined FileExaminer::examine_attribute(const std::string& path, ScanRow& row,
                                         std::string& message) {
    try {
        if (!has_attribute(path, options_.attribute, options_.followSymlinks))
            return Examined::NotStub;
        struct stat status {};
        if ((options_.followSymlinks ? ::stat(path.c_str(), &status)
                                     : ::lstat(path.c_str(), &status)) != 0)
            return unreadable(path, "cannot stat", errno, message);
        row = ScanRow{};
        row.path = path;
        row.apparentSize = static_cast<std::uint64_t>(status.st_size);
        row.allocatedSize = static_cast<std::uint64_t>(status.st_blocks) * 512u;
        const StubBytes data =
            read_stub_attribute(path, options_.attribute, options_.followSymlinks);
        return take_verdict(row, data, data.size(), StubSource::ReparseAttribute, options_.match)
                   ? Examined::Stub
                   : Examined::NotStub;
    } catch (const ToolError& error) {
        message = error.what();
        return Examined::Unreadable;
    }
}

}  // namespace stubmeta_cli
