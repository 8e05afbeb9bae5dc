/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Examining the files the walk hands on, one batch at a time: the same
// for a scan on one host and for one spread over several.
#pragma once

#include <cstdint>
#include <string>

#include "scan/examine.h"
#include "scan/walk.h"

namespace stubmeta_cli {

struct BatchTally {
    std::uint64_t examined = 0;  // files read, stubs or not
    std::uint64_t stubs = 0;
};

// Examines the files of batch: the roots named by the user with roots
// (links followed), the others with inTrees.  Calls onRow(row) for every
// stub and onUnreadable("path: cause") for every file that cannot be
// read, and adds to tally.  Asks stop() before each file; returns false
// once it answered true, the rest of the batch left unread.
template <typename Stop, typename OnRow, typename OnUnreadable>
bool examine_batch(const FileBatch& batch, FileExaminer& inTrees, FileExaminer& roots, Stop&& stop,
                   OnRow&& onRow, OnUnreadable&& onUnreadable, BatchTally& tally) {
    const OpenDirectory& directory = batch.directory();
    FileExaminer& examiner = directory.holds_roots() ? roots : inTrees;
    std::string path;
    std::string message;
    ScanRow row;
    bool stopped = false;
    batch.for_each([&](const char* name) {
        stopped = stopped || stop();
        if (stopped)
            return;
        path.assign(directory.prefix()).append(name);
        switch (examiner.examine(directory.fd(), name, path, row, message)) {
        case Examined::NotStub:
            ++tally.examined;
            break;
        case Examined::Stub:
            ++tally.examined;
            ++tally.stubs;
            onRow(row);
            break;
        case Examined::Unreadable:
            onUnreadable(message);
            break;
        }
    });
    return !stopped;
}

}  // namespace stubmeta_cli
