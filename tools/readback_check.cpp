#include "readback_check.h"

#include <string_view>
#include <vector>

#include "cli_types.h"
#include "file_reading.h"
#include "record_fields.h"
#include "record_text.h"

namespace stubmeta_cli {
namespace {

// A text field and the characters that end it in a layout.
struct Separators {
    Field field;
    std::string_view characters;
};

int unix_layout(const ReparseData& record);

// The texts the writer puts into the stub, with the characters that would
// end each of them early.
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
    // A Unix stub carries one text: shortText when it is set, else longText.
    std::vector<Separators> rules{
        {record.shortText[0] != '\0' ? Field::shortText : Field::longText, ":|"}};
    if (unix_layout(record) == 3)
        rules.push_back({Field::auxText, ":|"});
    return rules;
}

std::string describe_character(char c) {
    if (c == '\r')
        return "a carriage return";
    return "'" + std::string(1, c) + "'";
}

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

// What a faithful read-back gives: the record's values for the fields the
// written layout carries, in the form the writer prints them.
struct Expectation {
    std::vector<Field> fields;
    ReparseData values{};
};

std::optional<Expectation> expected_readback(const ReparseData& record, StubType type,
                                             std::string& problem) {
    Expectation expectation;
    expectation.values = record;
    expectation.values.flag = record.flag != 0 ? 1 : 0;
    if (!is_unix_type(type)) {
        expectation.fields = layout_fields(record, type);
        return expectation;
    }
    const int layout = unix_layout(record);
    if (layout == 0) {
        problem = "a Unix stub without a text (the record selects layout 0) does not read back";
        return std::nullopt;
    }
    using F = Field;
    expectation.fields = {F::common1, F::common2, F::common3, F::common4, F::common5, F::number2};
    const bool hasShort = record.shortText[0] != '\0';
    expectation.fields.push_back(hasShort ? F::shortText : F::longText);
    if (layout >= 2)
        expectation.fields.push_back(F::number1);
    if (layout == 3) {
        expectation.fields.push_back(F::auxText);
        expectation.fields.push_back(F::number3);
        if (record.number3 == 0)
            expectation.values.number3 = 4096;
    }
    return expectation;
}

}  // namespace

std::optional<std::string> readback_problem(const ReparseData& record, StubType type,
                                            const std::string& rendered) {
    for (const Separators& rule : layout_separators(record, type)) {
        const std::string text = std::get<std::string>(get_field(record, rule.field));
        const std::size_t at = text.find_first_of(rule.characters);
        if (at != std::string::npos)
            return std::string(field_info(rule.field).name) + " holds " +
                   describe_character(text[at]) + ", a separator in this layout (character " +
                   std::to_string(at + 1) + ")";
    }
    std::string problem;
    std::optional<Expectation> expectation = expected_readback(record, type, problem);
    if (!expectation)
        return problem;

    PaddedBuffer stub(rendered);
    if (type == STUB_TYPE_WINDOWS_LOCAL)
        stub = stub.with_zero_header();
    ReparseData parsed{};
    if (ParseReparseDataForStubType(stub.data(), type, &parsed) != 0)
        return "the stub written would not parse back as type " + std::to_string(type);
    for (Field field : expectation->fields) {
        const FieldValue want = get_field(expectation->values, field);
        const FieldValue got = get_field(parsed, field);
        if (want != got)
            return std::string(field_info(field).name) + " would read back as \"" +
                   printable(value_as_text(got)) + "\", not \"" + printable(value_as_text(want)) +
                   "\"";
    }
    return std::nullopt;
}

}  // namespace stubmeta_cli
