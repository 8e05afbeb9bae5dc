/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// What edit prints: a row per field changed, a line per stub skipped, and
// the counts last.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "edit/edit_file.h"
#include "scan/progress.h"

namespace stubmeta_cli {

struct EditCounts {
    std::uint64_t examined = 0;
    std::uint64_t stubs = 0;
    std::uint64_t changed = 0;
    std::uint64_t unchanged = 0;  // selected, but no change applied
    std::uint64_t notSelected = 0;
    std::uint64_t damaged = 0;
    std::uint64_t skipped = 0;
    std::uint64_t lostUpdates = 0;
    std::uint64_t failed = 0;
};

// What a report held instead of printing it (see EditReport::hold).
struct HeldEditOutput {
    std::string rows;                   // for standard output
    std::vector<std::string> messages;  // for standard error, a line each
    EditCounts counts;
};

// Rows as scan prints them: text, JSON Lines or CSV (format), each line
// whole and pushed out at once.  Any thread may call every member.
class EditReport {
public:
    EditReport(std::string format, bool dryRun, ScanProgress& progress);

    // The CSV header.  Throws ToolError when standard output refuses it.
    void begin();
    // Counts the file's outcome, prints its rows and its message.
    void add(const std::string& path, const FileEdit& edit);
    // A file or directory that could not be read.
    void add_unreadable(const std::string& message);
    // From now on rows and messages are held for take_held, not printed:
    // in a process whose output another one prints.
    void hold();
    // What is held, with the counts so far, all forgotten here.
    HeldEditOutput take_held();
    // The rows and messages held.
    std::size_t held_lines();
    // Prints what another report held and adds its counts to these.
    void add_held(const HeldEditOutput& held);
    // The summary (stdout; stderr for CSV); returns the exit status: 2
    // after a failure, 1 after a skip or a lost update, else 0.
    int finish(double elapsedSeconds);

private:
    void print(const std::string& lines);
    void print_message(const std::string& line);
    std::string rows_of(const std::string& path, const FileEdit& edit) const;

    const std::string format_;
    const bool dryRun_;
    ScanProgress& progress_;
    const bool onTerminal_;
    std::mutex mutex_;
    EditCounts counts_;
    bool holding_ = false;
    HeldEditOutput held_;
    std::size_t heldRows_ = 0;
};

}  // namespace stubmeta_cli
