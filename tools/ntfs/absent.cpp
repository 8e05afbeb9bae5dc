// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Built in place of the volume readers when libntfs-3g was not found: the
// options stay, and say why they cannot be used.
#include "ntfs/reader.h"
#include "ntfs/scan.h"

#include "support/tool_status.h"

namespace stubmeta_cli {

void scan_ntfs_images(const NtfsScanOptions& /*options*/, ScanReport& /*report*/,
                      ScanCounters& /*counters*/, ScanStop& /*stop*/) {
    throw ToolError(kExitUsageOrIo,
                    "--ntfs: this stubmeta was built without NTFS volume support (libntfs-3g)");
}

StubBytes read_ntfs_reparse(const std::string& /*image*/, const std::string& /*path*/) {
    throw ToolError(kExitUsageOrIo,
                    "--ntfs: this stubmeta was built without NTFS volume support (libntfs-3g)");
}

bool ntfs_support_built() { return false; }

}  // namespace stubmeta_cli
