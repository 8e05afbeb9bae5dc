/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// One process's share of a distributed scan: listing the directories it is
// handed and examining their files, with the walk and the examination
// stubmeta scan uses.
#pragma once

#include <functional>

#include "scan/examine.h"
#include "mpi/messages.h"
#include "scan/walk.h"

namespace stubmeta_cli {

class DirectoryLister {
public:
    // walk and the two ExamineOptions must outlive the lister.  inTrees:
    // for files met inside the trees; roots: for roots that are files.
    DirectoryLister(const WalkOptions& walk, const ExamineOptions& inTrees,
                    const ExamineOptions& roots);

    // Lists task's directory (or reads the root it names), adding its
    // subdirectories to subdirectories and to findings its stubs, what cannot be read and the
    // count of files examined.  betweenBatches is called after each batch
    // of files, so that a large directory's findings can be passed on
    // before it is done.
    void list(const DirectoryTask& task, Findings& findings,
              std::vector<DirectoryTask>& subdirectories,
              const std::function<void()>& betweenBatches);

private:
    FileExaminer inTrees_;
    FileExaminer roots_;
    Findings* findings_ = nullptr;
    const std::function<void()>* betweenBatches_ = nullptr;
    TreeWalk walk_;
};

}  // namespace stubmeta_cli
