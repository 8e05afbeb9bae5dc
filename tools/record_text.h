// A parsed stub as readable text, one field a line.
#pragma once

#include <string>
#include <string_view>

#include "stub_detection.h"

namespace stubmeta_cli {

// The block `inspect` prints for one stub: the path, the type that won and
// how it was chosen, every field of its layout, and for a Unix stub its
// envelope.  Ends with a newline.
std::string detection_to_text(const std::string& path, const Detection& detection,
                              const MatchRequest& request);

// The text as it is printed in text output, on one line and mapping back
// to exactly one byte string: a backslash as \\, a double quote as \",
// every control or non-ASCII byte as \xNN (upper-case hexadecimal), every
// other character as it is.
std::string printable(std::string_view text);

}  // namespace stubmeta_cli
