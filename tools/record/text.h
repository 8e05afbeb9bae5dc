/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// A parsed stub as readable text, one field a line.
#pragma once

#include <string>
#include <string_view>

#include "support/printable.h"
#include "stub/detection.h"

namespace stubmeta_cli {

// The block `inspect` prints for one stub: the path, the type and how it
// was found ("its envelope", "parsed as type 3"), every field of its
// layout, and for a Unix stub its layout and envelope, with a note that a
// bare text may be another type when bareTextNote.  Ends with a newline.
std::string detection_to_text(const std::string& path, const Detection& detection,
                              std::string_view howFound, bool bareTextNote);

}  // namespace stubmeta_cli
