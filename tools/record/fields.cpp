// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "record/fields.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "record/text.h"
#include "support/decimal.h"
#include "stub/type_names.h"

namespace stubmeta_cli {
namespace {

using field_table::kFields;

constexpr std::array<Field, kFields.size()> make_all_fields() {
    std::array<Field, kFields.size()> fields{};
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i] = static_cast<Field>(i);
    return fields;
}
constexpr std::array<Field, kFields.size()> kAllFields = make_all_fields();

// Every number is 4 or 8 bytes wide and every field lies within the record.
constexpr bool table_is_sound() {
    return std::ranges::all_of(kFields, [](const FieldInfo& info) {
        const bool widthFits = info.kind == FieldKind::Text || info.width == 4 || info.width == 8;
        return widthFits && info.offset + info.width <= sizeof(ReparseData);
    });
}
static_assert(table_is_sound());

// The largest value of an unsigned field, and the range of a signed one.
std::uint64_t unsigned_max(const FieldInfo& info) {
    return info.width == 4 ? std::numeric_limits<std::uint32_t>::max()
                           : std::numeric_limits<std::uint64_t>::max();
}
std::int64_t signed_min(const FieldInfo& info) {
    return info.width == 4 ? std::numeric_limits<std::int32_t>::min()
                           : std::numeric_limits<std::int64_t>::min();
}
std::int64_t signed_max(const FieldInfo& info) {
    return info.width == 4 ? std::numeric_limits<std::int32_t>::max()
                           : std::numeric_limits<std::int64_t>::max();
}

// The field's bytes within the record.
std::span<char> storage(ReparseData& record, const FieldInfo& info) {
    return {reinterpret_cast<char*>(&record) + info.offset, info.width};
}
std::span<const char> storage(const ReparseData& record, const FieldInfo& info) {
    return {reinterpret_cast<const char*>(&record) + info.offset, info.width};
}

// Copies a number of the field's width in or out of the record.
template <typename Narrow, typename Wide>
Wide load(std::span<const char> bytes) {
    Narrow value{};
    std::memcpy(&value, bytes.data(), sizeof value);
    return static_cast<Wide>(value);
}
template <typename Narrow, typename Wide>
void store(std::span<char> bytes, Wide wide) {
    const auto value = static_cast<Narrow>(wide);
    std::memcpy(bytes.data(), &value, sizeof value);
}

std::optional<std::string> set_text_field(ReparseData& record, const FieldInfo& info,
                                          const FieldValue& value) {
    const std::string* text = std::get_if<std::string>(&value);
    if (text == nullptr)
        return "expects text";
    if (text->find('\0') != std::string::npos)
        return "a text cannot hold a NUL character";
    if (text->size() >= info.width)
        return "at most " + std::to_string(info.width - 1) + " characters fit";
    const std::span<char> bytes = storage(record, info);
    std::memset(bytes.data(), 0, bytes.size());
    std::memcpy(bytes.data(), text->data(), text->size());
    return std::nullopt;
}

std::string at_most(std::uint64_t max) {
    return "out of range (at most " + std::to_string(max) + ")";
}

// A number brought into the field's range, as either signedness.
struct RangedNumber {
    std::uint64_t asUnsigned = 0;
    std::int64_t asSigned = 0;
};

// Checks value against the numeric field's range: the number, or the cause
// of the refusal.
std::variant<RangedNumber, std::string> ranged_number(const FieldInfo& info,
                                                      const FieldValue& value) {
    const bool isUnsigned = info.kind == FieldKind::Unsigned;
    const std::uint64_t unsignedMax = unsigned_max(info);
    const std::int64_t signedMin = signed_min(info);
    const std::int64_t signedMax = signed_max(info);
    if (const auto* u = std::get_if<std::uint64_t>(&value)) {
        if (isUnsigned && *u > unsignedMax)
            return at_most(unsignedMax);
        if (!isUnsigned && *u > static_cast<std::uint64_t>(signedMax))
            return at_most(static_cast<std::uint64_t>(signedMax));
        return RangedNumber{*u, static_cast<std::int64_t>(*u)};
    }
    if (const auto* s = std::get_if<std::int64_t>(&value)) {
        if (isUnsigned && *s < 0)
            return std::string("must not be negative");
        if (isUnsigned && static_cast<std::uint64_t>(*s) > unsignedMax)
            return at_most(unsignedMax);
        if (!isUnsigned && (*s < signedMin || *s > signedMax))
            return "out of range (" + std::to_string(signedMin) + " to " +
                   std::to_string(signedMax) + ")";
        return RangedNumber{static_cast<std::uint64_t>(*s), *s};
    }
    return std::string("expects a number");
}

void store_number(ReparseData& record, const FieldInfo& info, RangedNumber number) {
    const std::span<char> bytes = storage(record, info);
    const bool narrow = info.width == 4;
    if (info.kind == FieldKind::Unsigned) {
        if (narrow)
            store<std::uint32_t>(bytes, number.asUnsigned);
        else
            store<std::uint64_t>(bytes, number.asUnsigned);
    } else if (narrow) {
        store<std::int32_t>(bytes, number.asSigned);
    } else {
        store<std::int64_t>(bytes, number.asSigned);
    }
}

}  // namespace

std::span<const Field> all_fields() { return kAllFields; }

const FieldInfo& field_info(Field field) { return kFields[static_cast<std::size_t>(field)]; }

std::optional<Field> field_by_name(std::string_view name) {
    const auto* const found = std::ranges::find_if(
        kAllFields, [name](Field field) { return field_info(field).name == name; });
    if (found == kAllFields.end())
        return std::nullopt;
    return *found;
}

std::optional<Layout> layout_of(StubType type) {
    if (type >= STUB_TYPE_WINDOWS_LOCAL && type <= STUB_TYPE_WINDOWS_CELERRA)
        return Layout::Windows;
    if (is_dmnas_type(type))
        return Layout::DMNas;
    if (is_unix_type(type))
        return Layout::Unix;
    return std::nullopt;
}

FieldValue get_field(const ReparseData& record, Field field) {
    const FieldInfo& info = field_info(field);
    const std::span<const char> bytes = storage(record, info);
    const bool narrow = info.width == 4;
    switch (info.kind) {
    case FieldKind::Unsigned:
        return narrow ? load<std::uint32_t, std::uint64_t>(bytes)
                      : load<std::uint64_t, std::uint64_t>(bytes);
    case FieldKind::Signed:
        return narrow ? load<std::int32_t, std::int64_t>(bytes)
                      : load<std::int64_t, std::int64_t>(bytes);
    case FieldKind::Text:
        break;
    }
    return std::string(bytes.data(), strnlen(bytes.data(), bytes.size()));
}

std::optional<std::string> set_field(ReparseData& record, Field field, const FieldValue& value) {
    const FieldInfo& info = field_info(field);
    if (info.kind == FieldKind::Text)
        return set_text_field(record, info, value);
    std::variant<RangedNumber, std::string> number = ranged_number(info, value);
    if (std::string* refusal = std::get_if<std::string>(&number))
        return std::move(*refusal);
    store_number(record, info, std::get<RangedNumber>(number));
    return std::nullopt;
}

std::optional<std::string> set_field_from_text(ReparseData& record, Field field,
                                               std::string_view text) {
    const FieldInfo& info = field_info(field);
    if (info.kind == FieldKind::Text)
        return set_field(record, field, std::string(text));
    const std::string notDecimal = "expects a decimal number, not \"" + printable(text) + "\"";
    if (info.kind == FieldKind::Unsigned) {
        std::uint64_t number = 0;
        switch (read_decimal(text, number, std::uint64_t{0}, unsigned_max(info))) {
        case DecimalRead::NotDecimal:
            return notDecimal;
        case DecimalRead::OutOfRange:
            return at_most(unsigned_max(info));
        case DecimalRead::Ok:
            break;
        }
        return set_field(record, field, number);
    }
    std::int64_t number = 0;
    switch (read_decimal(text, number, INT64_MIN, INT64_MAX)) {
    case DecimalRead::NotDecimal:
        return notDecimal;
    case DecimalRead::OutOfRange:
        return "out of range";
    case DecimalRead::Ok:
        break;
    }
    return set_field(record, field, number);
}

namespace {

// A layout's fields in the order of its text.
struct TextOrder {
    std::array<Field, kFields.size()> fields{};
    std::size_t count = 0;
};

constexpr TextOrder text_order(Layout layout) {
    TextOrder order;
    for (std::size_t position = 1; position <= kFields.size(); ++position)
        for (std::size_t i = 0; i < kFields.size(); ++i)
            if (kFields[i].in(layout).position == position)
                order.fields[order.count++] = static_cast<Field>(i);
    return order;
}

// Worked out while compiling, indexed by Layout.
constexpr std::array<TextOrder, kLayoutCount> kTextOrders{
    text_order(Layout::Windows), text_order(Layout::DMNas), text_order(Layout::Unix)};

// The fields of layout that keep accepts, in text order.
template <typename Keep>
std::vector<Field> fields_in_text_order(Layout layout, Keep keep) {
    const TextOrder& order = kTextOrders[static_cast<std::size_t>(layout)];
    std::vector<Field> fields;
    for (std::size_t i = 0; i < order.count; ++i)
        if (keep(order.fields[i]))
            fields.push_back(order.fields[i]);
    return fields;
}

constexpr Field kShortText = field_named("shortText");
constexpr Field kLongText = field_named("longText");

// The Unix text position holds one of two fields; the other is left out.
Field other_unix_text(Field textField) { return textField == kLongText ? kShortText : kLongText; }

}  // namespace

std::vector<Field> layout_fields(const ReparseData& record, StubType type) {
    const std::optional<Layout> layout = layout_of(type);
    if (!layout)
        return {};
    if (*layout != Layout::Unix)
        return fields_in_text_order(*layout, [](Field) { return true; });
    return unix_layout_fields(3, record.unixTextKind == 1 ? kLongText : kShortText);
}

std::vector<Field> unix_layout_fields(int unixLayout, Field textField) {
    const Field hidden = other_unix_text(textField);
    return fields_in_text_order(Layout::Unix, [unixLayout, hidden](Field field) {
        return field != hidden && field_info(field).in(Layout::Unix).unixLayoutMin <= unixLayout;
    });
}

std::string field_name_lines(std::size_t width) {
    std::string lines;
    std::size_t lineLength = 0;
    for (const FieldInfo& info : kFields) {
        const bool last = &info == &kFields.back();
        const std::size_t needed = info.name.size() + (last ? 0 : 1);
        if (lineLength != 0 && lineLength + 1 + needed > width) {
            lines += '\n';
            lineLength = 0;
        } else if (lineLength != 0) {
            lines += ' ';
            ++lineLength;
        }
        lines += info.name;
        lines += last ? "" : ",";
        lineLength += needed;
    }
    return lines + '\n';
}

std::string value_as_text(const FieldValue& value) {
    if (const auto* u = std::get_if<std::uint64_t>(&value))
        return std::to_string(*u);
    if (const auto* s = std::get_if<std::int64_t>(&value))
        return std::to_string(*s);
    return std::get<std::string>(value);
}

}  // namespace stubmeta_cli
