// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "mpi/messages.h"

#include <algorithm>

#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// Numbers as 8 bytes, least significant first; strings as their length
// and their bytes: the processes of one job may run on different hosts.
void put(std::string& bytes, std::uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8)
        bytes.push_back(static_cast<char>((value >> shift) & 0xffU));
}

void put(std::string& bytes, const std::string& text) {
    put(bytes, static_cast<std::uint64_t>(text.size()));
    bytes += text;
}

class Reader {
public:
    Reader(const std::string& bytes, std::size_t at) : bytes_(bytes), at_(at) {}

    std::uint64_t number() {
        need(8);
        std::uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 8)
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[at_++])) << shift;
        return value;
    }
    std::size_t at() const noexcept { return at_; }
    std::string text() {
        const std::uint64_t size = number();
        need(size);
        std::string value = bytes_.substr(at_, static_cast<std::size_t>(size));
        at_ += static_cast<std::size_t>(size);
        return value;
    }
    // A count of items of at least minimum bytes each, checked against
    // what is left, so that a bad count cannot ask for unbounded memory.
    std::size_t count(std::size_t minimum) {
        const std::uint64_t value = number();
        need(value * minimum);
        return static_cast<std::size_t>(value);
    }

private:
    void need(std::uint64_t size) const {
        if (size > bytes_.size() - at_)
            throw ToolError(kExitUsageOrIo,
                            "stubmeta-mpi: a message between processes was cut short");
    }

    const std::string& bytes_;
    std::size_t at_;
};

void put_task(std::string& bytes, const DirectoryTask& task) {
    put(bytes, task.parent);
    put(bytes, task.name);
    put(bytes, static_cast<std::uint64_t>(task.depth));
    put(bytes, static_cast<std::uint64_t>(task.rootLength));
    put(bytes, task.rootDevice);
    put(bytes, task.id.device);
    put(bytes, task.id.inode);
    put(bytes, static_cast<std::uint64_t>(task.ancestors.size()));
    for (const DirectoryTask::Id& above : task.ancestors) {
        put(bytes, above.device);
        put(bytes, above.inode);
    }
}

DirectoryTask get_task(Reader& reader) {
    DirectoryTask task;
    task.parent = reader.text();
    task.name = reader.text();
    task.depth = static_cast<std::size_t>(reader.number());
    task.rootLength = static_cast<std::size_t>(reader.number());
    task.rootDevice = reader.number();
    task.id.device = reader.number();
    task.id.inode = reader.number();
    task.ancestors.resize(reader.count(16));
    for (DirectoryTask::Id& above : task.ancestors) {
        above.device = reader.number();
        above.inode = reader.number();
    }
    return task;
}

void put_row(std::string& bytes, const ScanRow& row) {
    put(bytes, row.path);
    put(bytes, static_cast<std::uint64_t>(row.type));
    put(bytes, static_cast<std::uint64_t>(row.damaged ? 1 : 0));
    put(bytes, row.problem);
    put(bytes, static_cast<std::uint64_t>(row.common1));
    put(bytes, row.number2);
    put(bytes, row.text);
    put(bytes, row.apparentSize);
    put(bytes, row.allocatedSize);
}

ScanRow get_row(Reader& reader) {
    ScanRow row;
    row.path = reader.text();
    row.type = static_cast<StubType>(reader.number());
    row.damaged = reader.number() != 0;
    row.problem = reader.text();
    row.common1 = static_cast<std::uint32_t>(reader.number());
    row.number2 = reader.number();
    row.text = reader.text();
    row.apparentSize = reader.number();
    row.allocatedSize = reader.number();
    return row;
}

}  // namespace

void Findings::clear() {
    rows.clear();
    unreadable.clear();
    filesExamined = 0;
}

void pack_tasks(const std::vector<DirectoryTask>& tasks, std::string& bytes) {
    put(bytes, static_cast<std::uint64_t>(tasks.size()));
    for (const DirectoryTask& task : tasks)
        put_task(bytes, task);
}

std::vector<DirectoryTask> unpack_tasks(const std::string& bytes, std::size_t& at) {
    Reader reader(bytes, at);
    std::vector<DirectoryTask> tasks(reader.count(64));
    std::generate(tasks.begin(), tasks.end(), [&reader] { return get_task(reader); });
    at = reader.at();
    return tasks;
}

void pack_findings(const Findings& findings, std::string& bytes) {
    put(bytes, static_cast<std::uint64_t>(findings.rows.size()));
    for (const ScanRow& row : findings.rows)
        put_row(bytes, row);
    put(bytes, static_cast<std::uint64_t>(findings.unreadable.size()));
    for (const std::string& message : findings.unreadable)
        put(bytes, message);
    put(bytes, findings.filesExamined);
}

Findings unpack_findings(const std::string& bytes, std::size_t at) {
    Findings findings;
    Reader reader(bytes, at);
    findings.rows.resize(reader.count(72));
    std::generate(findings.rows.begin(), findings.rows.end(),
                  [&reader] { return get_row(reader); });
    findings.unreadable.resize(reader.count(8));
    std::generate(findings.unreadable.begin(), findings.unreadable.end(),
                  [&reader] { return reader.text(); });
    findings.filesExamined = reader.number();
    return findings;
}

void pack_edit_output(const HeldEditOutput& held, std::string& bytes) {
    put(bytes, held.rows);
    put(bytes, static_cast<std::uint64_t>(held.messages.size()));
    for (const std::string& message : held.messages)
        put(bytes, message);
    const EditCounts& c = held.counts;
    for (const std::uint64_t count : {c.examined, c.stubs, c.changed, c.unchanged, c.notSelected,
                                      c.damaged, c.skipped, c.lostUpdates, c.failed})
        put(bytes, count);
}

HeldEditOutput unpack_edit_output(const std::string& bytes, std::size_t at) {
    HeldEditOutput held;
    Reader reader(bytes, at);
    held.rows = reader.text();
    held.messages.resize(reader.count(8));
    std::generate(held.messages.begin(), held.messages.end(), [&reader] { return reader.text(); });
    EditCounts& c = held.counts;
    for (std::uint64_t* count : {&c.examined, &c.stubs, &c.changed, &c.unchanged, &c.notSelected,
                                 &c.damaged, &c.skipped, &c.lostUpdates, &c.failed})
        *count = reader.number();
    return held;
}

}  // namespace stubmeta_cli
