// Writing an output file whole or not at all.
#pragma once

#include <string>

namespace stubmeta_cli {

// Writes bytes to a temporary file beside path, then moves it into place:
// readers never see a partial file, and a failure leaves nothing behind.
// Without replace an existing path is refused (status 1, "exists; use
// --force to replace it"); other failures throw ToolError with status 2.
// The new file gets mode 0666 less the umask.
void write_file_atomically(const std::string& path, const std::string& bytes, bool replace);

}  // namespace stubmeta_cli
