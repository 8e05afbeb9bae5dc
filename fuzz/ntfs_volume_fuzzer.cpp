// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// `scan --ntfs` over an NTFS image, given in the sparse form of
// sparse_image.h after one byte of options: bits 0 and 1 the output
// format (text, json, csv), bit 2 --all-reparse, bit 3 --sort.
//
// The image goes to a file in memory, which the scan opens by its path as
// it opens an image or a device.  Run under a memory limit (-rss_limit_mb,
// -malloc_limit_mb) and a time limit: a damaged volume must not make the
// scan allocate or loop without bound.  Beyond that and the sanitizers:
// the scan ends with status 0, 1 or 2, finds no more stubs than files, and
// examines no more files than the image has room for MFT records.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "ntfs/scan.h"
#include "scan/progress.h"
#include "scan/report.h"
#include "scan/stop.h"
#include "sparse_image.h"
#include "tool_fuzz_support.h"

namespace {

using namespace stubmeta::fuzz;

// The smallest MFT record libntfs-3g mounts.
constexpr std::uint64_t kSmallestRecord = 256;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    static_cast<void>(ReportDescriptor());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t options = data[0];
    const MemoryFile image;
    Check(write_sparse_image(data + 1, size - 1, image.fd()), "the image can be laid out");
    const std::uint64_t imageBytes = lay_out_sparse_image(
        data + 1, size - 1, [](std::uint64_t, const unsigned char*, std::size_t) {});

    stubmeta_cli::NtfsScanOptions scanOptions;
    scanOptions.images.push_back(image.path());
    scanOptions.allReparse = (options & 4u) != 0;
    stubmeta_cli::ReportOptions reportOptions;
    static const char* const kFormats[] = {"text", "json", "csv", "json"};
    reportOptions.format = kFormats[options & 3u];
    reportOptions.sort = (options & 8u) != 0;
    reportOptions.ntfs = true;

    stubmeta_cli::ScanStop stop;
    stubmeta_cli::ScanCounters counters;
    stubmeta_cli::ScanProgress progress(counters, stubmeta_cli::ProgressStyle::None);
    stubmeta_cli::ScanReport report(reportOptions, progress);
    report.begin();
    stubmeta_cli::scan_ntfs_images(scanOptions, report, counters, stop);
    const int status = report.finish(counters.filesExamined.load(), 0.0);
    Check(status >= 0 && status <= 2, "the scan ends with status 0, 1 or 2");
    Check(counters.stubsFound.load() <= counters.filesExamined.load(),
          "no more stubs than files examined");
    Check(counters.filesExamined.load() <= imageBytes / kSmallestRecord,
          "no more files than the image has room for");
    std::fflush(stdout);
    return 0;
}
