// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The document `create --from-json` reads, as arbitrary bytes.
//
// A document is either refused with status 2 and a one-line message that
// holds no control character (the message goes to a terminal as it
// stands, and names keys and values taken from the document), or read
// into a record.  A record read is printed as `inspect --format json`
// prints it and read again: every field the type's layout carries, the
// type and a Unix stub's layout come back the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "record/fields.h"
#include "record/json.h"
#include "stub/type_names.h"
#include "support/tool_status.h"
#include "tool_fuzz_support.h"

namespace {

using namespace stubmeta::fuzz;
using stubmeta_cli::JsonRecord;

bool one_plain_line(std::string_view message) {
    for (char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return false;
    }
    return !message.empty();
}

void check_printed_again(const JsonRecord& read) {
    const ReparseData& record = read.record;
    if (record.stubType < 1 || record.stubType > 7)
        return;  // no type: printing it would say 0, which no document may give
    stubmeta_cli::Detection detection;
    detection.record = record;
    detection.unixLayout = read.unixLayout;
    const std::string line =
        stubmeta_cli::json_line(stubmeta_cli::detection_to_json("fuzz", detection));
    JsonRecord again;
    try {
        again = stubmeta_cli::record_from_json_text(line, "printed");
    } catch (const stubmeta_cli::ToolError& error) {
        Broken("a record printed as JSON is read again");
    }
    Check(again.record.stubType == record.stubType, "the type comes back");
    // Only a Unix stub's JSON says its layout.
    if (stubmeta_cli::is_unix_type(record.stubType))
        Check(again.unixLayout == read.unixLayout, "a Unix stub's layout comes back");
    for (stubmeta_cli::Field field : stubmeta_cli::layout_fields(record, record.stubType))
        Check(stubmeta_cli::get_field(again.record, field) ==
                  stubmeta_cli::get_field(record, field),
              "every field of the layout comes back");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    static_cast<void>(ReportDescriptor());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    JsonRecord read;
    try {
        read = stubmeta_cli::record_from_json_text(text, "fuzz.json");
    } catch (const stubmeta_cli::ToolError& error) {
        Check(error.status() == stubmeta_cli::kExitUsageOrIo, "a refused document is status 2");
        Check(one_plain_line(error.what()), "a refusal is one line without control characters");
        return 0;
    }
    check_printed_again(read);
    return 0;
}
