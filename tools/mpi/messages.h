/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// What the processes of a distributed scan tell each other, as bytes: the
// directories to list, and what listing them found or edited.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "edit/report.h"
#include "scan/examine.h"
#include "scan/walk.h"

namespace stubmeta_cli {

// What one process found since it last reported.
struct Findings {
    std::vector<ScanRow> rows;            // every stub, before any --state filter
    std::vector<std::string> unreadable;  // "path: cause", once each
    std::uint64_t filesExamined = 0;

    bool empty() const noexcept { return rows.empty() && unreadable.empty() && filesExamined == 0; }
    void clear();
};

// Appends findings to bytes.
void pack_findings(const Findings& findings, std::string& bytes);
// Appends tasks to bytes.
void pack_tasks(const std::vector<DirectoryTask>& tasks, std::string& bytes);

// Appends what an edit's report held to bytes.
void pack_edit_output(const HeldEditOutput& held, std::string& bytes);

// Read what pack_* wrote from at onwards; throw ToolError on bytes cut
// short or malformed (a fault of the job, never of a file scanned).
Findings unpack_findings(const std::string& bytes, std::size_t at);
HeldEditOutput unpack_edit_output(const std::string& bytes, std::size_t at);
// Moves at past the tasks read.
std::vector<DirectoryTask> unpack_tasks(const std::string& bytes, std::size_t& at);

}  // namespace stubmeta_cli
