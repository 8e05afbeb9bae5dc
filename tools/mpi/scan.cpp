// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "mpi/scan.h"

#include "mpi/directory_lister.h"
#include "mpi/distribute.h"
#include "mpi/messages.h"
#include "scan/progress.h"
#include "scan/report.h"

namespace stubmeta_cli {
namespace {

// Stubs travel as rows, printed by process 0 as scan prints them.
class ScanWork final : public DirectoryWork {
public:
    explicit ScanWork(const MpiScanOptions& options)
        : lister_(options.walk, options.inTrees, options.roots),
          progress_(counters_, ProgressStyle::None), report_(options.report, progress_) {}

    void list(const DirectoryTask& task, std::vector<DirectoryTask>& subdirectories,
              const std::function<void()>& betweenBatches) override {
        lister_.list(task, findings_, subdirectories, betweenBatches);
    }
    std::size_t held() override { return findings_.rows.size() + findings_.unreadable.size(); }
    void pack(std::string& bytes) override {
        pack_findings(findings_, bytes);
        findings_.clear();
    }
    void report_packed(const std::string& bytes, std::size_t at) override {
        report(unpack_findings(bytes, at));
    }
    void report_held() override {
        report(findings_);
        findings_.clear();
    }
    void begin() override { report_.begin(); }
    void add_unreadable(const std::string& message) override { report_.add_unreadable(message); }
    int finish(double elapsedSeconds) override {
        report_.flush_rows();
        return report_.finish(filesExamined_, elapsedSeconds);
    }

private:
    void report(const Findings& findings) {
        for (const ScanRow& row : findings.rows)
            report_.add_row(row);
        for (const std::string& message : findings.unreadable)
            report_.add_unreadable(message);
        filesExamined_ += findings.filesExamined;
    }

    DirectoryLister lister_;
    Findings findings_;
    ScanCounters counters_;
    ScanProgress progress_;
    ScanReport report_;
    std::uint64_t filesExamined_ = 0;
};

}  // namespace

int scan_in_job(const MpiScanOptions& options, int process, int processes) {
    ScanWork work(options);
    if (process != 0) {
        take_part(work);
        return 0;
    }
    return coordinate(options, work, processes);
}

}  // namespace stubmeta_cli
