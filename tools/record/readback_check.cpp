// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "record/readback_check.h"

#include <algorithm>
#include <string_view>

#include "stub/type_names.h"
#include "support/file_reading.h"
#include "record/text.h"

namespace stubmeta_cli {
namespace {

// The Unix writer's layout choice: 0 (common numbers only), 1 (text), 2
// (text, number1) or 3 (text, number1, auxText, size).
int unix_layout(const ReparseData& record) {
    const bool hasShort = record.shortText[0] != '\0';
    const bool hasLong = record.longText[0] != '\0';
    const bool hasAux = record.auxText[0] != '\0';
    if (is_unix_type(record.stubType)) {
        switch (record.unixTextKind) {
        case 1:
            return 1;
        case 2:
            return hasAux ? 3 : 2;
        default:
            return 0;
        }
    }
    if (!hasShort && !hasLong)
        return 0;
    if (record.number1 == 0)
        return 1;
    return hasAux ? 3 : 2;
}

constexpr Field kShortText = field_named("shortText");
constexpr Field kLongText = field_named("longText");
constexpr Field kUnixTextKind = field_named("unixTextKind");
constexpr Field kNumber3 = field_named("number3");
constexpr Field kFlag = field_named("flag");

Field unix_text_field(const ReparseData& record) {
    return record.shortText[0] != '\0' ? kShortText : kLongText;
}

bool contains(std::span<const Field> fields, Field field) {
    return std::find(fields.begin(), fields.end(), field) != fields.end();
}

bool holds_something(const FieldValue& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        return !text->empty();
    return value != FieldValue{std::uint64_t{0}} && value != FieldValue{std::int64_t{0}};
}

// The text fields of the stub written from record as type whose layout
// gives them separators, in text order.  A Unix text is checked even when
// the record selects layout 0, which holds none.
std::vector<Field> separated_fields(const ReparseData& record, StubType type) {
    const std::optional<Layout> layout = layout_of(type);
    if (!layout)
        return {};
    std::vector<Field> fields =
        *layout == Layout::Unix
            ? unix_layout_fields(std::max(unix_layout(record), 1), unix_text_field(record))
            : layout_fields(record, type);
    std::erase_if(fields, [layout](Field field) {
        return field_info(field).in(*layout).separators().empty();
    });
    return fields;
}

std::string describe_character(char c) {
    if (c == '\r')
        return "a carriage return";
    return "'" + std::string(1, c) + "'";
}

std::vector<std::string> separator_problems(const ReparseData& record, StubType type) {
    std::vector<std::string> problems;
    for (Field field : separated_fields(record, type)) {
        const FieldInfo& info = field_info(field);
        const std::string text = std::get<std::string>(get_field(record, field));
        const std::size_t at = text.find_first_of(info.in(*layout_of(type)).separators());
        if (at != std::string::npos)
            problems.push_back(std::string(info.name) + " holds " + describe_character(text[at]) +
                               ", a separator in this layout (character " + std::to_string(at + 1) +
                               ")");
    }
    return problems;
}

// Why field would not read back as given, where the layout says so.
std::string known_cause(const ReparseData& record, StubType type, Field field) {
    // A flag the layout holds is written as 0 or 1; one it does not hold is
    // not written at all, which the last case says.
    if (field == kFlag && contains(written_fields(record, type), field))
        return " (a flag is written as 0 or 1)";
    if (field == kUnixTextKind && is_unix_type(type))
        return " (a Unix stub's kind is 1 for a longText, 2 for a shortText)";
    if (field == kLongText && is_unix_type(type) && record.shortText[0] != '\0')
        return " (hidden by shortText: a Unix stub holds one text)";
    if (!contains(written_fields(record, type), field))
        return " (a " + type_name(type) + " stub does not hold it)";
    return "";
}

std::string quoted(const FieldValue& value) {
    if (std::holds_alternative<std::string>(value))
        return "\"" + printable(std::get<std::string>(value)) + "\"";
    return value_as_text(value);
}

// The value a faithful read-back gives for field: the record's own, but
// for the size of a Unix stub, where 0 is written as 4096.
FieldValue expected_value(const ReparseData& record, StubType type, Field field) {
    if (field == kNumber3 && is_unix_type(type) && record.number3 == 0 && unix_layout(record) == 3)
        return std::uint64_t{4096};
    return get_field(record, field);
}

}  // namespace

std::vector<Field> written_fields(const ReparseData& record, StubType type) {
    if (!is_unix_type(type))
        return layout_fields(record, type);
    return unix_layout_fields(unix_layout(record), unix_text_field(record));
}

std::vector<Field> dropped_fields(const ReparseData& record, StubType type,
                                  std::span<const Field> fields) {
    const std::vector<Field> written = written_fields(record, type);
    std::vector<Field> dropped;
    const auto lost = [&](Field field) {
        return field != kUnixTextKind && contains(fields, field) &&
               holds_something(get_field(record, field)) && !contains(written, field);
    };
    if (is_unix_type(type) && record.shortText[0] != '\0' && lost(kLongText))
        dropped.push_back(kLongText);
    for (Field field : fields)
        if (lost(field) && !contains(dropped, field))
            dropped.push_back(field);
    return dropped;
}

std::vector<std::string> readback_problems(const ReparseData& record, StubType type,
                                           std::span<const Field> fields,
                                           const std::string& rendered) {
    std::vector<std::string> problems = separator_problems(record, type);
    if (!problems.empty())
        return problems;
    std::string stub = rendered;
    if (type == STUB_TYPE_WINDOWS_LOCAL)
        stub.insert(0, kNtfsHeaderSize, '\0');
    const std::optional<ReparseData> readBack = stubmeta::parse(stub, type);
    if (!readBack) {
        if (is_unix_type(type) && unix_layout(record) == 0)
            return {"the record selects Unix layout 0, which holds no text and does not parse"};
        return {"the stub written would not parse back as type " + std::to_string(type)};
    }
    const ReparseData& parsed = *readBack;
    for (Field field : fields) {
        const FieldValue want = expected_value(record, type, field);
        const FieldValue got = get_field(parsed, field);
        if (want != got)
            problems.push_back(std::string(field_info(field).name) + ": given " + quoted(want) +
                               ", would read back as " + quoted(got) +
                               known_cause(record, type, field));
    }
    return problems;
}

}  // namespace stubmeta_cli
