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

Field unix_text_field(const ReparseData& record) {
    return record.shortText[0] != '\0' ? Field::shortText : Field::longText;
}

bool contains(std::span<const Field> fields, Field field) {
    return std::find(fields.begin(), fields.end(), field) != fields.end();
}

bool holds_something(const FieldValue& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        return !text->empty();
    return value != FieldValue{std::uint64_t{0}} && value != FieldValue{std::int64_t{0}};
}

// A text field and the characters that end it early in a layout.
struct Separators {
    Field field;
    std::string_view characters;
};

std::vector<Separators> layout_separators(const ReparseData& record, StubType type) {
    if (type >= STUB_TYPE_WINDOWS_LOCAL && type <= STUB_TYPE_WINDOWS_CELERRA)
        return {{Field::extraText, ":"},
                {Field::shortText, ":"},
                {Field::auxText, ":"},
                {Field::longText, "|"}};
    if (is_dmnas_type(type))
        return {{Field::headText, "\r"},
                {Field::longText, "|"},
                {Field::shortText, "|"},
                {Field::auxText, "|"},
                {Field::tailText, "\r"}};
    if (!is_unix_type(type))
        return {};
    std::vector<Separators> rules{{unix_text_field(record), ":|"}};
    if (unix_layout(record) == 3)
        rules.push_back({Field::auxText, ":|"});
    return rules;
}

std::string describe_character(char c) {
    if (c == '\r')
        return "a carriage return";
    return "'" + std::string(1, c) + "'";
}

std::vector<std::string> separator_problems(const ReparseData& record, StubType type) {
    std::vector<std::string> problems;
    for (const Separators& rule : layout_separators(record, type)) {
        const std::string text = std::get<std::string>(get_field(record, rule.field));
        const std::size_t at = text.find_first_of(rule.characters);
        if (at != std::string::npos)
            problems.push_back(std::string(field_info(rule.field).name) + " holds " +
                               describe_character(text[at]) +
                               ", a separator in this layout (character " + std::to_string(at + 1) +
                               ")");
    }
    return problems;
}

// Why field would not read back as given, where the layout says so.
std::string known_cause(const ReparseData& record, StubType type, Field field) {
    if (field == Field::flag)
        return " (a flag is written as 0 or 1)";
    if (field == Field::unixTextKind && is_unix_type(type))
        return " (a Unix stub's kind is 1 for a longText, 2 for a shortText)";
    if (field == Field::longText && is_unix_type(type) && record.shortText[0] != '\0')
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
    if (field == Field::number3 && is_unix_type(type) && record.number3 == 0 &&
        unix_layout(record) == 3)
        return std::uint64_t{4096};
    return get_field(record, field);
}

}  // namespace

std::vector<Field> written_fields(const ReparseData& record, StubType type) {
    if (!is_unix_type(type))
        return layout_fields(record, type);
    using F = Field;
    std::vector<Field> fields{F::common1, F::common2, F::common3, F::common4, F::common5};
    const int layout = unix_layout(record);
    if (layout == 0)
        return fields;
    fields.push_back(F::unixTextKind);
    fields.push_back(unix_text_field(record));
    if (layout >= 2)
        fields.push_back(F::number1);
    if (layout == 3) {
        fields.push_back(F::auxText);
        fields.push_back(F::number3);
    }
    fields.push_back(F::number2);
    return fields;
}

std::vector<Field> dropped_fields(const ReparseData& record, StubType type,
                                  std::span<const Field> fields) {
    const std::vector<Field> written = written_fields(record, type);
    std::vector<Field> dropped;
    const auto lost = [&](Field field) {
        return field != Field::unixTextKind && contains(fields, field) &&
               holds_something(get_field(record, field)) && !contains(written, field);
    };
    if (is_unix_type(type) && record.shortText[0] != '\0' && lost(Field::longText))
        dropped.push_back(Field::longText);
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
