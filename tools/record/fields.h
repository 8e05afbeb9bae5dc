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
    std::uint8_t unixLayoutMin = 0;  // Unix: the least of the writer's layouts 0 to 3 holding it
    std::array<char, 3> stops{};     // the characters that would end the text early there

    constexpr std::string_view separators() const {
        return {stops.data(), stops[0] == '\0' ? 0u : stops[1] == '\0' ? 1u : 2u};
    }
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

// Where the library's layout table puts the field `name`: its place among
// the fields the text carries (the Unix text's length is none), and for a
// text, its separator's first character and, where the writer leaves fields
// out (Unix), the free-text rule's terminator once the rule may apply.
constexpr Place place_in(const stubmeta::Layout& layout, std::string_view name) {
    std::uint8_t position = 0;
    for (std::size_t i = 0; i < layout.field_count; ++i) {
        const stubmeta::LayoutField& f = layout.fields[i];
        if (f.coding == stubmeta::FieldCoding::text_length)
            continue;
        ++position;
        const bool isUnixText = f.coding == stubmeta::FieldCoding::kind_text;
        if (f.name != name && !(isUnixText && name == "shortText"))
            continue;
        Place place{position, f.least_unix_layout, {}};
        if (f.coding == stubmeta::FieldCoding::text || isUnixText) {
            place.stops[0] = f.separator[0];
            const bool shortens = f.least_unix_layout != 0;
            if (shortens && layout.first_optional != 0 &&
                static_cast<std::int32_t>(i + 2) >= layout.first_optional)
                place.stops[1] = layout.terminator;
        }
        return place;
    }
    return {};
}

// Places: Windows, DMNas, Unix.
constexpr std::array<Place, kLayoutCount> places_of(std::string_view name) {
    return {place_in(stubmeta::layouts::celerra, name), place_in(stubmeta::layouts::dmnas, name),
            place_in(stubmeta::layouts::unix_stub, name)};
}

// The record in its own order.  A Unix stub holds one text: longText when
// unixTextKind is 1, else shortText, as a parse fills it.
inline constexpr std::array kFields{
    FieldInfo{"common1", FieldKind::Unsigned, kCommon + offsetof(CommonFields, common1),
              sizeof(CommonFields::common1), places_of("common1")},
    FieldInfo{"common2", FieldKind::Unsigned, kCommon + offsetof(CommonFields, common2),
              sizeof(CommonFields::common2), places_of("common2")},
    FieldInfo{"common3", FieldKind::Unsigned, kCommon + offsetof(CommonFields, common3),
              sizeof(CommonFields::common3), places_of("common3")},
    FieldInfo{"common4", FieldKind::Unsigned, kCommon + offsetof(CommonFields, common4),
              sizeof(CommonFields::common4), places_of("common4")},
    FieldInfo{"common5", FieldKind::Unsigned, kCommon + offsetof(CommonFields, common5),
              sizeof(CommonFields::common5), places_of("common5")},
    FieldInfo{"shortText", FieldKind::Text, offsetof(ReparseData, shortText),
              sizeof(ReparseData::shortText), places_of("shortText")},
    FieldInfo{"number1", FieldKind::Unsigned, offsetof(ReparseData, number1),
              sizeof(ReparseData::number1), places_of("number1")},
    FieldInfo{"auxText", FieldKind::Text, offsetof(ReparseData, auxText),
              sizeof(ReparseData::auxText), places_of("auxText")},
    FieldInfo{"number2", FieldKind::Unsigned, offsetof(ReparseData, number2),
              sizeof(ReparseData::number2), places_of("number2")},
    FieldInfo{"unixTextKind", FieldKind::Signed, offsetof(ReparseData, unixTextKind),
              sizeof(ReparseData::unixTextKind), places_of("unixTextKind")},
    FieldInfo{"number3", FieldKind::Unsigned, offsetof(ReparseData, number3),
              sizeof(ReparseData::number3), places_of("number3")},
    FieldInfo{"extraText", FieldKind::Text, offsetof(ReparseData, extraText),
              sizeof(ReparseData::extraText), places_of("extraText")},
    FieldInfo{"signedNumber", FieldKind::Signed, offsetof(ReparseData, signedNumber),
              sizeof(ReparseData::signedNumber), places_of("signedNumber")},
    FieldInfo{"flag", FieldKind::Signed, offsetof(ReparseData, flag), sizeof(ReparseData::flag),
              places_of("flag")},
    FieldInfo{"longText", FieldKind::Text, offsetof(ReparseData, longText),
              sizeof(ReparseData::longText), places_of("longText")},
    FieldInfo{"number4", FieldKind::Unsigned, offsetof(ReparseData, number4),
              sizeof(ReparseData::number4), places_of("number4")},
    FieldInfo{"number5", FieldKind::Unsigned, offsetof(ReparseData, number5),
              sizeof(ReparseData::number5), places_of("number5")},
    FieldInfo{"tailText", FieldKind::Text, offsetof(ReparseData, tailText),
              sizeof(ReparseData::tailText), places_of("tailText")},
    FieldInfo{"headText", FieldKind::Text, offsetof(ReparseData, headText),
              sizeof(ReparseData::headText), places_of("headText")},
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
