// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "mpi/directory_lister.h"

#include "scan/read.h"

namespace stubmeta_cli {

DirectoryLister::DirectoryLister(const WalkOptions& walk, const ExamineOptions& inTrees,
                                 const ExamineOptions& roots)
    : inTrees_(inTrees), roots_(roots),
      walk_(
          walk,
          [this](FileBatch&& batch) {
              BatchTally tally;
              examine_batch(
                  batch, inTrees_, roots_, [] { return false; },
                  [this](const ScanRow& row) { findings_->rows.push_back(row); },
                  [this](const std::string& message) { findings_->unreadable.push_back(message); },
                  tally);
              findings_->filesExamined += tally.examined;
              (*betweenBatches_)();
          },
          [this](const std::string& message) { findings_->unreadable.push_back(message); }) {}

void DirectoryLister::list(const DirectoryTask& task, Findings& findings,
                           std::vector<DirectoryTask>& subdirectories,
                           const std::function<void()>& betweenBatches) {
    findings_ = &findings;
    betweenBatches_ = &betweenBatches;
    walk_.list_one(task, subdirectories);
    findings_ = nullptr;
    betweenBatches_ = nullptr;
}

}  // namespace stubmeta_cli
