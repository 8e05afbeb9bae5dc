// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "record/json.h"

#include <string>
#include <string_view>

#include "stub/type_names.h"
#include "stub/envelope_report.h"
#include "support/hex_text.h"
#include "record/fields.h"
#include "record/text.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// The length of the UTF-8 sequence a lead byte opens (1 to 4), the smallest
// code point that length may carry, and the lead byte's bits; 0 for a byte
// that cannot open a sequence.
struct Utf8Lead {
    std::size_t length;
    std::uint32_t smallest;
    std::uint32_t bits;
};

Utf8Lead utf8_lead(unsigned char lead) {
    if (lead < 0x80)
        return {1, 0, lead};
    if (lead >= 0xC2 && lead <= 0xDF)
        return {2, 0x80, lead & 0x1Fu};
    if (lead >= 0xE0 && lead <= 0xEF)
        return {3, 0x800, lead & 0x0Fu};
    if (lead >= 0xF0 && lead <= 0xF4)
        return {4, 0x10000, lead & 0x07u};
    return {0, 0, 0};
}

// True when text is well-formed UTF-8: no stray continuation bytes, no
// overlong forms, no surrogates, nothing above U+10FFFF.
bool is_valid_utf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const Utf8Lead lead = utf8_lead(static_cast<unsigned char>(text[i]));
        if (lead.length == 0 || i + lead.length > text.size())
            return false;
        std::uint32_t point = lead.bits;
        for (std::size_t k = 1; k < lead.length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            point = (point << 6) | (next & 0x3Fu);
        }
        if (point < lead.smallest || point > 0x10FFFFu || (point >= 0xD800u && point <= 0xDFFFu))
            return false;
        i += lead.length;
    }
    return true;
}

}  // namespace

Json json_text(std::string_view text) {
    if (is_valid_utf8(text))
        return text;
    std::string hex;
    for (char c : text)
        append_hex(hex, static_cast<unsigned char>(c), 2);
    return Json{{"hex", hex}};
}

Json json_uint64(std::uint64_t value) { return std::to_string(value); }

namespace {

// A field's value: 64-bit numbers as decimal strings, narrower ones as
// numbers, texts by json_text.
Json value_to_json(const FieldInfo& info, const FieldValue& value) {
    const bool wide = info.width == sizeof(std::uint64_t);
    if (const auto* u = std::get_if<std::uint64_t>(&value))
        return wide ? Json(std::to_string(*u)) : Json(*u);
    if (const auto* s = std::get_if<std::int64_t>(&value))
        return wide ? Json(std::to_string(*s)) : Json(*s);
    return json_text(std::get<std::string>(value));
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The bytes {"hex": "..."} stands for, or nothing when it is not that form.
std::optional<std::string> text_from_hex(const Json& value) {
    if (!value.is_object() || value.size() != 1 || !value.contains("hex") ||
        !value["hex"].is_string())
        return std::nullopt;
    const std::string& hex = value["hex"].get_ref<const std::string&>();
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hex_digit(hex[i]);
        const int low = hex_digit(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::optional<FieldValue> json_to_value(const Json& value) {
    if (value.is_number_unsigned())
        return FieldValue{value.get<std::uint64_t>()};
    if (value.is_number_integer())
        return FieldValue{value.get<std::int64_t>()};
    if (value.is_string())
        return FieldValue{value.get<std::string>()};
    if (std::optional<std::string> bytes = text_from_hex(value))
        return FieldValue{std::move(*bytes)};
    return std::nullopt;
}

}  // namespace

Json detection_to_json(const std::string& path, const Detection& detection) {
    const ReparseData& record = detection.record;
    Json object;
    object["path"] = json_text(path);
    object["type"] = record.stubType;
    object["typeName"] = type_name(record.stubType);
    for (Field field : layout_fields(record, record.stubType))
        object[std::string(field_info(field).name)] =
            value_to_json(field_info(field), get_field(record, field));
    if (is_unix_type(record.stubType)) {
        if (detection.unixLayout != 0)
            object["unixLayout"] = detection.unixLayout;
        if (detection.envelope) {
            const EnvelopeReport& facts = *detection.envelope;
            object["envelope"] = {{"totalLength", facts.totalLength},
                                  {"value", json_uint64(facts.value)},
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
    object["path"] = json_text(path);
    object["error"] = json_text(cause);
    return object;
}

namespace {

// The key as printable text: it comes from the document, and the message
// goes to a terminal as it stands.
ToolError key_error(const std::string& source, std::string_view key, std::string_view cause) {
    std::string message = source;
    message += ": ";
    message += printable(key);
    message += ": ";
    message += cause;
    return ToolError(kExitUsageOrIo, message);
}

std::optional<std::uint64_t> envelope_value(const Json& envelope, const std::string& source) {
    if (!envelope.is_object() || !envelope.contains("value"))
        return std::nullopt;
    const Json& value = envelope["value"];
    if (value.is_number_unsigned())
        return value.get<std::uint64_t>();
    ReparseData scratch{};
    if (value.is_string() &&
        !set_field_from_text(scratch, field_named("number3"), value.get_ref<const std::string&>()))
        return scratch.number3;
    throw key_error(source, "envelope", "value: expects a whole number or a decimal string");
}

StubType type_from_json(const Json& value, const std::string& source) {
    std::optional<StubType> type = value.is_number_unsigned()
                                       ? parse_type(std::to_string(value.get<std::uint64_t>()))
                                   : value.is_string() ? parse_type(value.get<std::string>())
                                                       : std::nullopt;
    if (!type)
        throw key_error(source, "type", "not a stub type 1..7");
    return *type;
}

int layout_from_json(const Json& value, const std::string& source) {
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() < 1 ||
        value.get<std::uint64_t>() > 3)
        throw key_error(source, "unixLayout", "expects 1, 2 or 3");
    return value.get<int>();
}

// Sets the record field key names; returns it.
Field set_from_json(ReparseData& record, const std::string& key, const Json& value,
                    const std::string& source) {
    std::optional<Field> field = field_by_name(key);
    if (!field)
        throw key_error(source, key, "not a field of the record");
    // A number may come as a decimal string, as 64-bit numbers are printed.
    if (value.is_string() && field_info(*field).kind != FieldKind::Text) {
        if (std::optional<std::string> cause =
                set_field_from_text(record, *field, value.get_ref<const std::string&>()))
            throw key_error(source, key, *cause);
        return *field;
    }
    std::optional<FieldValue> fieldValue = json_to_value(value);
    if (!fieldValue)
        throw key_error(source, key,
                        "expects a whole number, a decimal string, a text or {\"hex\": \"...\"}");
    if (std::optional<std::string> cause = set_field(record, *field, *fieldValue))
        throw key_error(source, key, *cause);
    return *field;
}

}  // namespace

JsonRecord record_from_json(const Json& object, const std::string& source) {
    if (!object.is_object())
        throw ToolError(kExitUsageOrIo, printable(source) + ": expected one JSON object");
    JsonRecord result;
    for (const auto& [key, value] : object.items()) {
        if (key == "path" || key == "typeName")
            continue;
        if (key == "error")
            throw ToolError(kExitUsageOrIo, printable(source) + ": holds an error, not a record");
        if (key == "envelope")
            result.envelopeValue = envelope_value(value, source);
        else if (key == "unixLayout")
            result.unixLayout = layout_from_json(value, source);
        else if (key == "type")
            result.record.stubType = type_from_json(value, source);
        else
            result.given.push_back(set_from_json(result.record, key, value, source));
    }
    return result;
}

JsonRecord record_from_json_text(std::string_view text, const std::string& source) {
    const Json object = Json::parse(text, nullptr, false);
    if (object.is_discarded())
        throw ToolError(kExitUsageOrIo,
                        printable(source) +
                            ": not one JSON object (a single line of inspect --format json)");
    return record_from_json(object, source);
}

std::string json_line(const Json& object) {
    return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace stubmeta_cli
