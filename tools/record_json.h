// A parsed stub as one JSON object, and a record read back from such an
// object: what `inspect --format json` prints, `create --from-json` takes.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "stub_detection.h"

namespace stubmeta_cli {

using Json = nlohmann::ordered_json;

// {"path", "type", "typeName", the layout's fields in their order,
//  "envelope"} for one stub.  "envelope" is present for Unix stubs only:
// an object for an enveloped stub, null for a bare text.
Json detection_to_json(const std::string& path, const Detection& detection);

// {"path", "error"} for a file that could not be read or parsed.
Json error_to_json(const std::string& path, const std::string& cause);

// Fills a zeroed record from an object: every key that names a record field
// sets it, "type" sets stubType (it steers the Unix writer's layout), and
// "path", "typeName" and "envelope" are ignored.  Throws ToolError (status
// 2) naming source, the key and the cause for anything else.
ReparseData record_from_json(const Json& object, const std::string& source);

// One line of compact JSON (no trailing newline); invalid bytes in texts
// are replaced rather than thrown over.
std::string json_line(const Json& object);

}  // namespace stubmeta_cli
