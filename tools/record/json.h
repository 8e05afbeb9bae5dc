/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// A parsed stub as one JSON object, and a record read back from such an
// object: what `inspect --format json` prints, `create --from-json` takes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "record/fields.h"
#include "stub/detection.h"

namespace stubmeta_cli {

using Json = nlohmann::ordered_json;

// A text or path as JSON: a string when it is valid UTF-8, else
// {"hex": "..."} with its bytes in hexadecimal, so no byte is ever
// replaced and distinct byte strings never print alike.
Json json_text(std::string_view text);

// A 64-bit number as JSON: a decimal string, which survives readers that
// hold numbers as doubles (jq among them).
Json json_uint64(std::uint64_t value);

// {"path", "type", "typeName", the layout's fields in their order,
//  "unixLayout", "envelope"} for one stub.  The last two are present for
// Unix stubs only (unixLayout when the text has one of the layouts 1..3):
// an object for an enveloped stub, null for a bare text.  A text that is
// valid UTF-8 is a JSON string; any other is {"hex": "..."} (json_text).
// The 64-bit fields are decimal strings, the 32-bit ones numbers.
Json detection_to_json(const std::string& path, const Detection& detection);

// {"path", "error"} for a file that could not be read or parsed.
Json error_to_json(const std::string& path, const std::string& cause);

// A record read from JSON, with the fields the object gave (in its order)
// and the value its envelope carried, if it had one.
struct JsonRecord {
    ReparseData record{};
    std::vector<Field> given;
    std::optional<std::uint64_t> envelopeValue;
    int unixLayout = 0;  // the Unix layout to write, 0 for the writer's choice
};

// Fills a zeroed record from an object: every key that names a record field
// sets it, "type" sets stubType (it steers the Unix writer's layout),
// "envelope" gives its "value", "unixLayout" the Unix layout to write, and
// "path" and "typeName" are ignored.  A
// text is a JSON string (its UTF-8 bytes) or {"hex": "..."} (any bytes).
// Throws ToolError (status 2) naming source, the key and the cause for
// anything else.
JsonRecord record_from_json(const Json& object, const std::string& source);

// The same from a document's text, which must hold exactly one JSON value;
// throws ToolError (status 2) naming source when it does not parse.
JsonRecord record_from_json_text(std::string_view text, const std::string& source);

// One line of compact JSON (no trailing newline); invalid bytes in texts
// are replaced rather than thrown over.
std::string json_line(const Json& object);

}  // namespace stubmeta_cli
