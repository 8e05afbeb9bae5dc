/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The fields of ReparseData, described once: each field's name, kind,
// place in the record and width, and where it stands in each stub layout's
// text.  Reading and setting a field by name, the fields a layout carries
// and the JSON and text forms all follow from this one table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "stubmeta.hpp"

namespace stubmeta_cli {

enum class FieldKind : std::uint8_t { Unsigned, Signed, Text };

// The three text layouts: types 1 to 3, types 4 and 5, types 6 and 7.
enum class Layout : std::uint8_t { Windows, DMNas, Unix };
inline constexpr std::size_t kLayoutCount = 3;

// Where a field stands in one layout's text.
struct Place {
    std::uint8_t position = 0;       // 1 for the first field; 0: the layout does not carry it
    std::string_view separators;     // characters that would end the text early there
    std::uint8_t unixLayoutMin = 0;  // Unix: the least of the writer's layouts 0 to 3 holding it
};

struct FieldInfo {
    std::string_view name;  // the record's own field name
    FieldKind kind;
    std::size_t offset;  // within ReparseData
    std::size_t width;   // bytes: 4 or 8 for a number, a text's including its terminator
    std::array<Place, kLayoutCount> places;

    constexpr const Place& in(Layout layout) const {
        return places[static_cast<std::size_t>(layout)];
    }
};

namespace field_table {

constexpr std::size_t kCommon = offsetof(ReparseData, common);

constexpr Place none{};
constexpr Place at(std::uint8_t position, std::string_view separators = {}) {
    return {position, separators, 0};
}
// A place in the Unix text, written from the writer's layout `least` up.
constexpr Place unix_at(std::uint8_t position, std::uint8_t least,
                        std::string_view separators = {}) {
    return {position, separators, least};
}

// The record in its own order.  Places: Windows, DMNas, Unix.  A Unix stub
// holds one text at position 7: longText when unixTextKind is 1, else
// shortText, as a parse fills it.
inline constexpr std::array kFields{
    FieldInfo{"common1",
              FieldKind::Unsigned,
              kCommon + offsetof(CommonFields, common1),
              sizeof(CommonFields::common1),
              {at(1), at(2), unix_at(1, 0)}},
    FieldInfo{"common2",
              FieldKind::Unsigned,
              kCommon + offsetof(CommonFields, common2),
              sizeof(CommonFields::common2),
              {at(2), at(3), unix_at(2, 0)}},
    FieldInfo{"common3",
              FieldKind::Unsigned,
              kCommon + offsetof(CommonFields, common3),
              sizeof(CommonFields::common3),
              {at(3), at(4), unix_at(3, 0)}},
    FieldInfo{"common4",
              FieldKind::Unsigned,
              kCommon + offsetof(CommonFields, common4),
              sizeof(CommonFields::common4),
              {at(4), at(5), unix_at(4, 0)}},
    FieldInfo{"common5",
              FieldKind::Unsigned,
              kCommon + offsetof(CommonFields, common5),
              sizeof(CommonFields::common5),
              {at(5), at(6), unix_at(5, 0)}},
    FieldInfo{"shortText",
              FieldKind::Text,
              offsetof(ReparseData, shortText),
              sizeof(ReparseData::shortText),
              {at(7, ":"), at(13, "|"), unix_at(7, 1, ":|")}},
    FieldInfo{"number1",
              FieldKind::Unsigned,
              offsetof(ReparseData, number1),
              sizeof(ReparseData::number1),
              {at(8), at(11), unix_at(8, 2)}},
    FieldInfo{"auxText",
              FieldKind::Text,
              offsetof(ReparseData, auxText),
              sizeof(ReparseData::auxText),
              {at(11, ":"), at(14, "|"), unix_at(9, 3, ":|")}},
    FieldInfo{"number2",
              FieldKind::Unsigned,
              offsetof(ReparseData, number2),
              sizeof(ReparseData::number2),
              {at(14), at(8), unix_at(11, 1)}},
    FieldInfo{"unixTextKind",
              FieldKind::Signed,
              offsetof(ReparseData, unixTextKind),
              sizeof(ReparseData::unixTextKind),
              {none, none, unix_at(6, 1)}},
    FieldInfo{"number3",
              FieldKind::Unsigned,
              offsetof(ReparseData, number3),
              sizeof(ReparseData::number3),
              {none, at(10), unix_at(10, 3)}},
    FieldInfo{"extraText",
              FieldKind::Text,
              offsetof(ReparseData, extraText),
              sizeof(ReparseData::extraText),
              {at(6, ":"), none, none}},
    FieldInfo{"signedNumber",
              FieldKind::Signed,
              offsetof(ReparseData, signedNumber),
              sizeof(ReparseData::signedNumber),
              {at(9), none, none}},
    FieldInfo{"flag",
              FieldKind::Signed,
              offsetof(ReparseData, flag),
              sizeof(ReparseData::flag),
              {at(10), at(12), none}},
    FieldInfo{"longText",
              FieldKind::Text,
              offsetof(ReparseData, longText),
              sizeof(ReparseData::longText),
              {at(13, "|"), at(7, "|"), unix_at(7, 1, ":|")}},
    FieldInfo{"number4",
              FieldKind::Unsigned,
              offsetof(ReparseData, number4),
              sizeof(ReparseData::number4),
              {none, at(9), none}},
    FieldInfo{"number5",
              FieldKind::Unsigned,
              offsetof(ReparseData, number5),
              sizeof(ReparseData::number5),
              {at(12), at(15), none}},
    FieldInfo{"tailText",
              FieldKind::Text,
              offsetof(ReparseData, tailText),
              sizeof(ReparseData::tailText),
              {none, at(16, "\r"), none}},
    FieldInfo{"headText",
              FieldKind::Text,
              offsetof(ReparseData, headText),
              sizeof(ReparseData::headText),
              {none, at(1, "\r"), none}},
};

}  // namespace field_table

// A field: its index in the table.
enum class Field : std::uint8_t {};

// The field of that name.  Evaluated while compiling, so a misspelt name
// does not build.
consteval Field field_named(std::string_view name) {
    for (std::size_t i = 0; i < field_table::kFields.size(); ++i)
        if (field_table::kFields[i].name == name)
            return static_cast<Field>(i);
    throw "not a field of the record";
}

// A field's value: unsigned and signed numbers, or text.
using FieldValue = std::variant<std::uint64_t, std::int64_t, std::string>;

// Every field, in the record's order.
std::span<const Field> all_fields();

const FieldInfo& field_info(Field field);

// The field of that name ("common1", "longText", ...), if any.
std::optional<Field> field_by_name(std::string_view name);

// The layout a type's text follows; nothing for 0 and above 7.
std::optional<Layout> layout_of(StubType type);

// The value a record holds.  Texts end at their terminator or their width.
FieldValue get_field(const ReparseData& record, Field field);

// Stores value into the field.  Returns a cause ("at most 71 characters
// fit", "out of range") when it does not fit, leaving the record untouched.
std::optional<std::string> set_field(ReparseData& record, Field field, const FieldValue& value);

// Reads a field's value from command-line text (a decimal number or any
// text) and stores it, as set_field.
std::optional<std::string> set_field_from_text(ReparseData& record, Field field,
                                               std::string_view text);

// The fields the layout of type carries, in the order they appear in its
// text.  For Unix types the text goes to longText when unixTextKind is 1,
// else to shortText, as a parse fills it.
std::vector<Field> layout_fields(const ReparseData& record, StubType type);

// The fields a Unix stub written in the writer's layout unixLayout (0 to 3)
// holds, in text order, with textField as its text.
std::vector<Field> unix_layout_fields(int unixLayout, Field textField);

// Every field's name in the record's order, separated by ", " and broken
// into lines of at most width characters, each ending in a newline.
std::string field_name_lines(std::size_t width);

// A value as a decimal number or the text itself.
std::string value_as_text(const FieldValue& value);

}  // namespace stubmeta_cli
