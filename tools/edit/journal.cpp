// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/journal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

using nlohmann::json;

constexpr std::uint64_t kVersion = 1;
constexpr std::size_t kLargestJournal = std::size_t{1} << 34;

[[noreturn]] void fail(const std::string& path, const std::string& doing, int error) {
    throw ToolError(kExitUsageOrIo, printable(path) + ": " + doing + ": " + std::strerror(error));
}

std::string to_hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xFU];
    }
    return hex;
}

int digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    throw std::invalid_argument("not a hexadecimal digit");
}

std::string from_hex(const std::string& hex) {
    if (hex.size() % 2 != 0)
        throw std::invalid_argument("odd hexadecimal length");
    std::string bytes(hex.size() / 2, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(digit(hex[2 * i]) * 16 + digit(hex[2 * i + 1]));
    return bytes;
}

json time_json(const struct timespec& time) { return json::array({time.tv_sec, time.tv_nsec}); }

struct timespec time_of(const json& value) {
    struct timespec time {};
    time.tv_sec = value.at(0).get<time_t>();
    time.tv_nsec = value.at(1).get<long>();
    return time;
}

json record_json(const JournalRecord& r) {
    const struct stat& s = r.identity.status;
    json attributes = json::array();
    for (const auto& [name, value] : r.identity.attributes)
        attributes.push_back(json::array({to_hex(name), to_hex(value)}));
    return json{{"directory", to_hex(r.directory)},
                {"name", to_hex(r.name)},
                {"directoryDevice", r.directoryDevice},
                {"directoryInode", r.directoryInode},
                {"device", r.device},
                {"inode", r.inode},
                {"newInode", r.newInode},
                {"old", to_hex(r.before.bytes)},
                {"oldSize", r.before.size},
                {"new", to_hex(r.after.bytes)},
                {"newSize", r.after.size},
                {"mode", s.st_mode & 07777},
                {"uid", s.st_uid},
                {"gid", s.st_gid},
                {"atime", time_json(s.st_atim)},
                {"mtime", time_json(s.st_mtim)},
                {"xattrs", attributes},
                {"attribute", to_hex(r.attribute)}};
}

JournalRecord record_of(const json& j) {
    JournalRecord r;
    r.directory = from_hex(j.at("directory").get<std::string>());
    r.name = from_hex(j.at("name").get<std::string>());
    r.directoryDevice = j.at("directoryDevice").get<std::uint64_t>();
    r.directoryInode = j.at("directoryInode").get<std::uint64_t>();
    r.device = j.at("device").get<std::uint64_t>();
    r.inode = j.at("inode").get<std::uint64_t>();
    r.newInode = j.at("newInode").get<std::uint64_t>();
    r.before = {from_hex(j.at("old").get<std::string>()), j.at("oldSize").get<std::uint64_t>()};
    r.after = {from_hex(j.at("new").get<std::string>()), j.at("newSize").get<std::uint64_t>()};
    struct stat& s = r.identity.status;
    s.st_mode = S_IFREG | j.at("mode").get<mode_t>();
    s.st_uid = j.at("uid").get<uid_t>();
    s.st_gid = j.at("gid").get<gid_t>();
    s.st_atim = time_of(j.at("atime"));
    s.st_mtim = time_of(j.at("mtime"));
    for (const json& attribute : j.at("xattrs"))
        r.identity.attributes.emplace_back(from_hex(attribute.at(0).get<std::string>()),
                                           from_hex(attribute.at(1).get<std::string>()));
    if (j.contains("attribute"))
        r.attribute = from_hex(j.at("attribute").get<std::string>());
    if (r.name.empty() || r.name.find('/') != std::string::npos || r.name == "." || r.name == "..")
        throw std::invalid_argument("not a file name");
    return r;
}

// Where the records end: just past the last newline.  What follows is a
// record a crash cut short, or zeros reserved for records never written.
off_t end_of_records(int fd, const std::string& path) {
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        fail(path, "cannot stat the journal", errno);
    std::array<char, 65536> block{};
    for (off_t end = status.st_size; end > 0;) {
        const auto size = static_cast<std::size_t>(std::min<off_t>(end, block.size()));
        const off_t from = end - static_cast<off_t>(size);
        if (::pread(fd, block.data(), size, from) != static_cast<ssize_t>(size))
            fail(path, "cannot read the journal", errno == 0 ? EIO : errno);
        const std::string_view text(block.data(), size);
        if (const std::size_t newline = text.rfind('\n'); newline != std::string_view::npos)
            return from + static_cast<off_t>(newline) + 1;
        end = from;
    }
    return 0;
}

}  // namespace

JournalWriter::JournalWriter(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd_ < 0)
        fail(path, "cannot open the journal", errno);
    end_ = end_of_records(fd_, path);
    if (::ftruncate(fd_, end_) != 0)
        fail(path, "cannot drop the record a crash cut short", errno);
    reserved_ = end_;
    if (end_ == 0) {
        write_line(json{{"journal", "stubmeta edit"}, {"version", kVersion}}.dump() + "\n");
        // The journal's own name must last too.
        const std::size_t slash = path.rfind('/');
        const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        const int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            (void)::fsync(dir);
            ::close(dir);
        }
    }
}

JournalWriter::~JournalWriter() {
    if (fd_ < 0)
        return;
    // Readers pass over zeros after the last record; a journal that ends
    // at its last record is just tidier.
    (void)::ftruncate(fd_, end_);
    ::close(fd_);
}

// Zeros written and synced ahead of the records, a megabyte at a time: a
// record then overwrites blocks the file already has, so the sync that
// makes it durable writes that data alone, where a file that grows with
// every record would also commit its new size and blocks each time, which
// costs as much again as the replacement's own syncs.
void JournalWriter::reserve(off_t needed) {
    static constexpr off_t kReserve = off_t{1} << 20;
    if (needed <= reserved_)
        return;
    const off_t size = std::max(needed, reserved_ + kReserve);
    const std::string zeros(static_cast<std::size_t>(size - reserved_), '\0');
    if (::pwrite(fd_, zeros.data(), zeros.size(), reserved_) != static_cast<ssize_t>(zeros.size()))
        fail(path_, "cannot write the journal", errno == 0 ? ENOSPC : errno);
    if (::fsync(fd_) != 0)
        fail(path_, "cannot sync the journal", errno);
    reserved_ = size;
}

void JournalWriter::write_line(const std::string& line) {
    reserve(end_ + static_cast<off_t>(line.size()));
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t wrote =
            ::pwrite(fd_, line.data() + done, line.size() - done, end_ + static_cast<off_t>(done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            fail(path_, "cannot write the journal", errno);
        done += static_cast<std::size_t>(wrote);
    }
    if (::fdatasync(fd_) != 0)
        fail(path_, "cannot sync the journal", errno);
    end_ += static_cast<off_t>(line.size());
}

void JournalWriter::append(const JournalRecord& record) {
    const std::string line = record_json(record).dump() + "\n";
    const std::lock_guard<std::mutex> lock(mutex_);
    write_line(line);
}

std::vector<JournalRecord> read_journal(const std::string& path) {
    std::string content = read_small_file(path, kLargestJournal);
    // Zeros reserved for records a crash kept from being written.
    content.erase(std::min(content.size(), content.find_last_not_of('\0') + 1));
    std::vector<JournalRecord> records;
    std::size_t at = 0;
    for (std::size_t line = 1; at < content.size(); ++line) {
        const std::size_t end = content.find('\n', at);
        if (end == std::string::npos)
            break;  // cut short by a crash
        try {
            const json j = json::parse(content.begin() + static_cast<std::ptrdiff_t>(at),
                                       content.begin() + static_cast<std::ptrdiff_t>(end));
            if (line == 1) {
                if (j.at("journal").get<std::string>() != "stubmeta edit" ||
                    j.at("version").get<std::uint64_t>() != kVersion)
                    throw std::invalid_argument("not a journal");
            } else {
                records.push_back(record_of(j));
            }
        } catch (const std::exception&) {
            throw ToolError(kExitUsageOrIo, printable(path) + ":" + std::to_string(line) +
                                                (line == 1 ? ": not a stubmeta edit journal"
                                                           : ": damaged journal record"));
        }
        at = end + 1;
    }
    // A journal whose first line a crash cut short holds nothing yet.
    if (at == 0 && !content.empty() && !content.starts_with("{\"journal\""))
        throw ToolError(kExitUsageOrIo, printable(path) + ": not a stubmeta edit journal");
    return records;
}

}  // namespace stubmeta_cli
