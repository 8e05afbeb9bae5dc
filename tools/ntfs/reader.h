/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The reparse buffer of one file inside an NTFS volume, for inspect and
// verify --ntfs.
#pragma once

#include <string>

#include "support/file_reading.h"

namespace stubmeta_cli {

// Reads the reparse buffer of the file at path ('/'-separated from the
// volume's root) in the NTFS volume image, which is opened read-only once
// and kept for the next file of the same image.  Throws ToolError naming
// path: status 1 when the file has no reparse point or one that scan
// --ntfs does not take for a stub (judge_reparse_buffer), 2 when the image or
// the file cannot be read (or the tool was built without NTFS support).
StubBytes read_ntfs_reparse(const std::string& image, const std::string& path);

}  // namespace stubmeta_cli
