// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "mpi/edit.h"

#include <optional>

#include "edit/batch.h"
#include "edit/report.h"
#include "mpi/distribute.h"
#include "mpi/interrupt.h"
#include "mpi/messages.h"
#include "scan/progress.h"

namespace stubmeta_cli {
namespace {

// Rows travel as the lines process 0 prints; the other processes' reports
// hold them, with their counts, until they are sent.
class EditWork final : public DirectoryWork {
public:
    EditWork(const MpiEditOptions& options, int process)
        : edit_(options.edit), workingDirectory_(working_directory(!options.line.journal.empty() &&
                                                                   !options.edit.dryRun)),
          progress_(counters_, ProgressStyle::None),
          report_(options.line.format, options.edit.dryRun, progress_),
          editor_{edit_,     workingDirectory_,    report_,
                  counters_, [] { return false; }, finish_file_before_interrupt},
          walk_(
              options.line.tree.walk,
              [this](FileBatch&& batch) {
                  edit_batch(editor_, batch);
                  (*betweenBatches_)();
              },
              [this](const std::string& message) { report_.add_unreadable(message); }) {
        if (!options.line.journal.empty() && !edit_.dryRun) {
            journal_.emplace(options.line.journal + "." + std::to_string(process));
            edit_.journal = &*journal_;
        }
        if (process != 0)
            report_.hold();
    }

    void list(const DirectoryTask& task, std::vector<DirectoryTask>& subdirectories,
              const std::function<void()>& betweenBatches) override {
        betweenBatches_ = &betweenBatches;
        walk_.list_one(task, subdirectories);
        betweenBatches_ = nullptr;
    }
    std::size_t held() override { return report_.held_lines(); }
    void pack(std::string& bytes) override { pack_edit_output(report_.take_held(), bytes); }
    void report_packed(const std::string& bytes, std::size_t at) override {
        report_.add_held(unpack_edit_output(bytes, at));
    }
    void report_held() override {}  // process 0 prints as it goes
    void begin() override { report_.begin(); }
    void add_unreadable(const std::string& message) override { report_.add_unreadable(message); }
    int finish(double elapsedSeconds) override { return report_.finish(elapsedSeconds); }

private:
    FileEditOptions edit_;
    std::optional<JournalWriter> journal_;
    const std::string workingDirectory_;
    ScanCounters counters_;
    ScanProgress progress_;
    EditReport report_;
    const BatchEditor editor_;
    const std::function<void()>* betweenBatches_ = nullptr;
    TreeWalk walk_;
};

}  // namespace

int edit_in_job(const MpiEditOptions& options, int process, int processes) {
    EditWork work(options, process);
    if (process != 0) {
        take_part(work);
        return 0;
    }
    return coordinate(options.line.tree, work, processes);
}

}  // namespace stubmeta_cli
