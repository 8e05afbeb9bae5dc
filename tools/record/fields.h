/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The fields of ReparseData by name: reading and setting them, and which
// fields each stub layout carries, in the layout's own order.
#pragma once

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

enum class Field {
    common1,
    common2,
    common3,
    common4,
    common5,
    shortText,
    number1,
    auxText,
    number2,
    unixTextKind,
    number3,
    extraText,
    signedNumber,
    flag,
    longText,
    number4,
    number5,
    tailText,
    headText,
};

enum class FieldKind { Unsigned, Signed, Text };

struct FieldInfo {
    std::string_view name;  // the record's own field name
    FieldKind kind;
    std::uint64_t unsignedMax;  // Unsigned: largest value
    std::int64_t signedMin;     // Signed: range
    std::int64_t signedMax;
    std::size_t width;  // Text: bytes including the terminator
};

// A field's value: unsigned and signed numbers, or text.
using FieldValue = std::variant<std::uint64_t, std::int64_t, std::string>;

// Every field, in the record's order.
std::span<const Field> all_fields();

const FieldInfo& field_info(Field field);

// The field of that name ("common1", "longText", ...), if any.
std::optional<Field> field_by_name(std::string_view name);

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

// A value as a decimal number or the text itself.
std::string value_as_text(const FieldValue& value);

}  // namespace stubmeta_cli
