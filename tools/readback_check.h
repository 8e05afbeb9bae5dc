// The check before a stub is written: would it read back as the record it
// was made from?  A separator inside a text is the usual reason it would
// not.
#pragma once

#include <optional>
#include <string>

#include "stubmeta.h"

namespace stubmeta_cli {

// Returns nothing when rendered (the stub written for record as type, NTFS
// without its header) parses back as type with every field the layout
// carries unchanged.  Otherwise the cause, naming the field: "shortText
// holds ':', a separator in this layout (character 3)", "number1 would read
// back as 9223372036854775807, not 18446744073709551615".
std::optional<std::string> readback_problem(const ReparseData& record, StubType type,
                                            const std::string& rendered);

}  // namespace stubmeta_cli
