/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// One walk of directory trees spread over the processes of an MPI job,
// whatever is done with the files: stubmeta-mpi scan and edit.
//
// Process 0 keeps the queue of directories still to be listed.  Every
// process, 0 included, lists directories and works on their files.  The
// others ask process 0 for work and get a batch of directories; when they
// have listed them they send back, in one message, the subdirectories they
// found (which join the queue) and what the work on the files found, and
// ask again.  Process 0 reports what arrives as it arrives and the summary
// last.
//
// Termination: the walk ends when the queue is empty, no root is left to
// read, and every other process has asked for work since it was last given
// some.  A process hands back its subdirectories in the same message that
// asks for more, so at that point no directory is waiting anywhere.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "scan/command_line.h"
#include "scan/walk.h"

namespace stubmeta_cli {

// What a command does with the directories it is handed, and how what it
// found travels to process 0 and is reported there.
class DirectoryWork {
public:
    DirectoryWork() = default;
    DirectoryWork(const DirectoryWork&) = delete;
    DirectoryWork& operator=(const DirectoryWork&) = delete;
    virtual ~DirectoryWork() = default;

    // Lists task's directory (or the root it names) and works on its
    // files, appending its subdirectories to subdirectories; betweenBatches
    // after each batch of files, so that a large directory's findings can
    // be passed on before it is done.
    virtual void list(const DirectoryTask& task, std::vector<DirectoryTask>& subdirectories,
                      const std::function<void()>& betweenBatches) = 0;
    // The rows and messages held, not yet passed on or reported.
    virtual std::size_t held() = 0;
    // Appends what is held to bytes and forgets it.
    virtual void pack(std::string& bytes) = 0;

    // Process 0: reports what another process packed, from at onwards.
    virtual void report_packed(const std::string& bytes, std::size_t at) = 0;
    // Process 0: reports what it holds itself.
    virtual void report_held() = 0;
    // Process 0: before the first row.
    virtual void begin() = 0;
    // Process 0: a root of the --files0-from list that is no name.
    virtual void add_unreadable(const std::string& message) = 0;
    // Process 0: prints the summary and returns the exit status.
    virtual int finish(double elapsedSeconds) = 0;
};

// Process 0's part: hands out the directories under the roots of line
// (its PATHs or --files0-from), lists some itself, reports what every
// process found.  Returns the exit status.
int coordinate(const ScanCommandLine& line, DirectoryWork& work, int processes);

// Every other process's part: lists what process 0 hands out until it
// says the walk is over.
void take_part(DirectoryWork& work);

}  // namespace stubmeta_cli
