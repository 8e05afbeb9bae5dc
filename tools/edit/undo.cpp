// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/undo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <tuple>

#include "edit/journal.h"
#include "edit/replace.h"
#include "scan/stop.h"
#include "support/console.h"
#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

enum class Undone { Restored, Already, Left, Failed };

struct UndoCounts {
    std::uint64_t restored = 0;
    std::uint64_t already = 0;
    std::uint64_t left = 0;
    std::uint64_t failed = 0;
};

Undone left(const std::string& path, const std::string& why) {
    print_error(printable(path) + ": " + why + "; left alone");
    return Undone::Left;
}

// The old contents the journal gives a file before the record at hand:
// a file holding one of them has been put back that far already.
using EarlierContents = std::vector<const FileContent*>;

Undone restore(const JournalRecord& record, const EarlierContents& earlier) {
    const std::string path = (record.directory == "/" ? "" : record.directory) + "/" + record.name;
    const Descriptor directory(
        ::open(record.directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (directory.get() < 0 || ::fstat(directory.get(), &status) != 0) {
        print_error(printable(record.directory) + ": cannot open: " + std::strerror(errno));
        return Undone::Failed;
    }
    if (status.st_dev != record.directoryDevice || status.st_ino != record.directoryInode)
        return left(path, "its directory is no longer the one edited");
    const FileRead2 read = read_tree_file(directory.get(), record.name.c_str(), path, false, false);
    if (read.result != ReadResult::Read) {
        print_error(read.message);
        return Undone::Failed;
    }
    if (read.content == record.before ||
        std::any_of(earlier.begin(), earlier.end(),
                    [&read](const FileContent* old) { return read.content == *old; }))
        return Undone::Already;
    if (read.content != record.after)
        return left(path, "no longer holds what the edit wrote");
    if (read.status.st_nlink > 1)
        return left(path, "it has other hard links, which a new file would split");
    const Replacement replacement{directory.get(),  record.name.c_str(), path,
                                  read.status,      &read.content,       &record.before,
                                  &record.identity, Preservation{}};
    if (replace_checked(replacement, [](const struct stat&) {}) == Replaced::Changed)
        return left(path, "changed while being restored");
    write_line(printable(path) + "  restored");
    flush_out();
    return Undone::Restored;
}

void count(UndoCounts& counts, Undone undone) {
    switch (undone) {
    case Undone::Restored:
        ++counts.restored;
        break;
    case Undone::Already:
        ++counts.already;
        break;
    case Undone::Left:
        ++counts.left;
        break;
    case Undone::Failed:
        ++counts.failed;
        break;
    }
}

}  // namespace

int run_undo(const std::vector<std::string>& journals) {
    ScanStop stop;
    UndoCounts counts;
    for (const std::string& journal : journals) {
        std::vector<JournalRecord> records;
        try {
            records = read_journal(journal);
        } catch (const ToolError& error) {
            print_error(error.what());
            ++counts.failed;
            continue;
        }
        // Each file's records, by its directory's identity and its name.
        std::map<std::tuple<std::uint64_t, std::uint64_t, std::string>, EarlierContents> seen;
        for (const JournalRecord& record : records)
            seen[{record.directoryDevice, record.directoryInode, record.name}].push_back(
                &record.before);
        for (auto record = records.rbegin(); record != records.rend() && !stop.requested();
             ++record) {
            EarlierContents& earlier =
                seen[{record->directoryDevice, record->directoryInode, record->name}];
            earlier.pop_back();  // this record's own
            try {
                count(counts, restore(*record, earlier));
            } catch (const ToolError& error) {
                print_error(error.what());
                ++counts.failed;
            }
        }
    }
    write_out("restored        " + std::to_string(counts.restored) + "\n" + "already old     " +
              std::to_string(counts.already) + "\n" + "left alone      " +
              std::to_string(counts.left) + "\n" + "failed          " +
              std::to_string(counts.failed) + "\n");
    flush_out();
    stop.end_if_stopped();
    if (counts.failed != 0)
        return kExitUsageOrIo;
    return counts.left != 0 ? kExitRefused : kExitOk;
}

}  // namespace stubmeta_cli
