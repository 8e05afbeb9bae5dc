#include "record_json.h"

#include <string>
#include <string_view>

#include "cli_types.h"
#include "envelope_report.h"
#include "record_fields.h"
#include "tool_status.h"

namespace stubmeta_cli {
namespace {

Json value_to_json(const FieldValue& value) {
    if (const auto* u = std::get_if<std::uint64_t>(&value))
        return *u;
    if (const auto* s = std::get_if<std::int64_t>(&value))
        return *s;
    return std::get<std::string>(value);
}

std::optional<FieldValue> json_to_value(const Json& value) {
    if (value.is_number_unsigned())
        return FieldValue{value.get<std::uint64_t>()};
    if (value.is_number_integer())
        return FieldValue{value.get<std::int64_t>()};
    if (value.is_string())
        return FieldValue{value.get<std::string>()};
    return std::nullopt;
}

}  // namespace

Json detection_to_json(const std::string& path, const Detection& detection) {
    const ReparseData& record = detection.record;
    Json object;
    object["path"] = path;
    object["type"] = record.stubType;
    object["typeName"] = type_name(record.stubType);
    for (Field field : layout_fields(record, record.stubType))
        object[std::string(field_info(field).name)] = value_to_json(get_field(record, field));
    if (is_unix_type(record.stubType)) {
        if (detection.envelope) {
            const EnvelopeFacts& facts = *detection.envelope;
            object["envelope"] = {{"totalLength", facts.totalLength},
                                  {"value", facts.value},
                                  {"byteOrder", byte_order_name(facts.byteOrder)},
                                  {"checksum", "ok"}};
        } else {
            object["envelope"] = nullptr;
        }
    }
    return object;
}

Json error_to_json(const std::string& path, const std::string& cause) {
    Json object;
    object["path"] = path;
    object["error"] = cause;
    return object;
}

ReparseData record_from_json(const Json& object, const std::string& source) {
    if (!object.is_object())
        throw ToolError(kExitUsageOrIo, source + ": expected one JSON object");
    ReparseData record{};
    for (const auto& [key, value] : object.items()) {
        if (key == "path" || key == "typeName" || key == "envelope")
            continue;
        if (key == "type") {
            std::optional<StubType> type =
                value.is_number_unsigned() ? parse_type(std::to_string(value.get<std::uint64_t>()))
                : value.is_string()        ? parse_type(value.get<std::string>())
                                           : std::nullopt;
            if (!type)
                throw ToolError(kExitUsageOrIo, source + ": type: not a stub type 1..7");
            record.stubType = *type;
            continue;
        }
        if (key == "error")
            throw ToolError(kExitUsageOrIo, source + ": holds an error, not a record");
        const std::string& name = key;
        const auto refuse = [&source, &name](std::string_view cause) {
            std::string message = source;
            message += ": ";
            message += name;
            message += ": ";
            message += cause;
            return ToolError(kExitUsageOrIo, message);
        };
        std::optional<Field> field = field_by_name(key);
        if (!field)
            throw refuse("not a field of the record");
        std::optional<FieldValue> fieldValue = json_to_value(value);
        if (!fieldValue)
            throw refuse("expects a number or text");
        if (std::optional<std::string> cause = set_field(record, *field, *fieldValue))
            throw refuse(*cause);
    }
    return record;
}

std::string json_line(const Json& object) {
    return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace stubmeta_cli
