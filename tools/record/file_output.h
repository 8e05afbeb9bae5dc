/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Writing a record as a stub file, after checking that nothing it holds
// would be lost and that it reads back the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "record/fields.h"
#include "stubmeta.hpp"
#include "support/output_options.h"

namespace stubmeta_cli {

struct StubOutputOptions {
    FileOutputOptions file;
    // Types 1 and 2 are written behind their 24-byte reparse header, as a
    // reparse point holds them and every reader finds them; --bare-text
    // writes the text alone (and says so).  --with-header, the default, is
    // still taken.
    bool withHeader = false;
    bool bareText = false;
    bool dropFields = false;  // convert: write although fields would be lost
    // Write a stub that would read back differently from what was given.
    bool allowDifferences = false;
    bool dryRun = false;  // show what would be written, write nothing
};

// What is to be written and what of it must survive.
struct StubRequest {
    ReparseData record{};
    StubType type = 0;           // the type to write
    std::vector<Field> checked;  // the fields given, or the source's fields
    StubType sourceType = 0;     // convert: the type the record was read as
    std::string sourcePath;      // convert: the file it was read from
    // The value a Unix stub's envelope carries when not the writer's own
    // (number3, or 4096): kept from the source so a stub is reproduced.
    std::optional<std::uint64_t> envelopeValue;
    // The Unix layout to write (1..3), when it must be the source's; 0
    // leaves the choice to the writer.
    int unixLayout = 0;
};

// Renders the request and writes it to options.file.output.  Refused
// (ToolError, status 1): with a source type, fields that would be lost
// (unless --drop-fields); a Unix stub whose envelope would be damaged; and,
// unless --allow-differences (which writes and warns), a stub that would
// not read back with every checked field as given.  With --dry-run prints the stub as
// inspect shows it and the fields dropped, and writes nothing.
void write_stub(const StubRequest& request, const StubOutputOptions& options);

}  // namespace stubmeta_cli
