// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "record/fields.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>
#include <variant>

#include "stub/type_names.h"

namespace stubmeta_cli {
namespace {

constexpr std::uint64_t kU32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kU64 = std::numeric_limits<std::uint64_t>::max();
constexpr std::int64_t kI32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kI32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kI64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kI64Max = std::numeric_limits<std::int64_t>::max();

constexpr FieldInfo unsigned_field(std::string_view name, std::uint64_t max) {
    return {name, FieldKind::Unsigned, max, 0, 0, 0};
}
constexpr FieldInfo signed_field(std::string_view name, std::int64_t min, std::int64_t max) {
    return {name, FieldKind::Signed, 0, min, max, 0};
}
constexpr FieldInfo text_field(std::string_view name, std::size_t width) {
    return {name, FieldKind::Text, 0, 0, 0, width};
}

constexpr std::array<FieldInfo, 19> kInfo{{
    unsigned_field("common1", kU32),
    unsigned_field("common2", kU64),
    unsigned_field("common3", kU64),
    unsigned_field("common4", kU64),
    unsigned_field("common5", kU64),
    text_field("shortText", sizeof(ReparseData::shortText)),
    unsigned_field("number1", kU64),
    text_field("auxText", sizeof(ReparseData::auxText)),
    unsigned_field("number2", kU64),
    signed_field("unixTextKind", kI32Min, kI32Max),
    unsigned_field("number3", kU64),
    text_field("extraText", sizeof(ReparseData::extraText)),
    signed_field("signedNumber", kI64Min, kI64Max),
    signed_field("flag", kI32Min, kI32Max),
    text_field("longText", sizeof(ReparseData::longText)),
    unsigned_field("number4", kU32),
    unsigned_field("number5", kU64),
    text_field("tailText", sizeof(ReparseData::tailText)),
    text_field("headText", sizeof(ReparseData::headText)),
}};

constexpr std::array<Field, 19> kAllFields{
    Field::common1,   Field::common2,   Field::common3,      Field::common4,  Field::common5,
    Field::shortText, Field::number1,   Field::auxText,      Field::number2,  Field::unixTextKind,
    Field::number3,   Field::extraText, Field::signedNumber, Field::flag,     Field::longText,
    Field::number4,   Field::number5,   Field::tailText,     Field::headText,
};

// The storage behind a text field, with its width; Record is ReparseData
// with or without const.
template <typename Record>
auto text_storage(Record& record, Field field)
    -> std::span<std::remove_reference_t<decltype(record.longText[0])>> {
    switch (field) {
    case Field::shortText:
        return record.shortText;
    case Field::auxText:
        return record.auxText;
    case Field::extraText:
        return record.extraText;
    case Field::longText:
        return record.longText;
    case Field::tailText:
        return record.tailText;
    case Field::headText:
        return record.headText;
    default:
        return {};
    }
}

std::optional<std::string> set_text_field(ReparseData& record, Field field, std::size_t width,
                                          const FieldValue& value) {
    const std::string* text = std::get_if<std::string>(&value);
    if (text == nullptr)
        return "expects text";
    if (text->find('\0') != std::string::npos)
        return "a text cannot hold a NUL character";
    if (text->size() >= width)
        return "at most " + std::to_string(width - 1) + " characters fit";
    const std::span<char> storage = text_storage(record, field);
    std::memset(storage.data(), 0, storage.size());
    std::memcpy(storage.data(), text->data(), text->size());
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
    if (const auto* u = std::get_if<std::uint64_t>(&value)) {
        if (isUnsigned && *u > info.unsignedMax)
            return at_most(info.unsignedMax);
        if (!isUnsigned && *u > static_cast<std::uint64_t>(info.signedMax))
            return at_most(static_cast<std::uint64_t>(info.signedMax));
        return RangedNumber{*u, static_cast<std::int64_t>(*u)};
    }
    if (const auto* s = std::get_if<std::int64_t>(&value)) {
        if (isUnsigned && *s < 0)
            return std::string("must not be negative");
        if (isUnsigned && static_cast<std::uint64_t>(*s) > info.unsignedMax)
            return at_most(info.unsignedMax);
        if (!isUnsigned && (*s < info.signedMin || *s > info.signedMax))
            return "out of range (" + std::to_string(info.signedMin) + " to " +
                   std::to_string(info.signedMax) + ")";
        return RangedNumber{static_cast<std::uint64_t>(*s), *s};
    }
    return std::string("expects a number");
}

void store_number(ReparseData& record, Field field, RangedNumber number) {
    const std::uint64_t unsignedValue = number.asUnsigned;
    const std::int64_t signedValue = number.asSigned;
    CommonFields& common = record.common;
    switch (field) {
    case Field::common1:
        common.common1 = static_cast<std::uint32_t>(unsignedValue);
        break;
    case Field::common2:
        common.common2 = unsignedValue;
        break;
    case Field::common3:
        common.common3 = unsignedValue;
        break;
    case Field::common4:
        common.common4 = unsignedValue;
        break;
    case Field::common5:
        common.common5 = unsignedValue;
        break;
    case Field::number1:
        record.number1 = unsignedValue;
        break;
    case Field::number2:
        record.number2 = unsignedValue;
        break;
    case Field::number3:
        record.number3 = unsignedValue;
        break;
    case Field::number4:
        record.number4 = static_cast<std::uint32_t>(unsignedValue);
        break;
    case Field::number5:
        record.number5 = unsignedValue;
        break;
    case Field::unixTextKind:
        record.unixTextKind = static_cast<std::int32_t>(signedValue);
        break;
    case Field::signedNumber:
        record.signedNumber = signedValue;
        break;
    case Field::flag:
        record.flag = static_cast<std::int32_t>(signedValue);
        break;
    default:
        break;
    }
}

}  // namespace

std::span<const Field> all_fields() { return kAllFields; }

const FieldInfo& field_info(Field field) { return kInfo[static_cast<std::size_t>(field)]; }

std::optional<Field> field_by_name(std::string_view name) {
    const decltype(kAllFields)::const_iterator found =
        std::find_if(kAllFields.begin(), kAllFields.end(),
                     [name](Field field) { return field_info(field).name == name; });
    if (found == kAllFields.end())
        return std::nullopt;
    return *found;
}

FieldValue get_field(const ReparseData& record, Field field) {
    const CommonFields& common = record.common;
    switch (field) {
    case Field::common1:
        return std::uint64_t{common.common1};
    case Field::common2:
        return std::uint64_t{common.common2};
    case Field::common3:
        return std::uint64_t{common.common3};
    case Field::common4:
        return std::uint64_t{common.common4};
    case Field::common5:
        return std::uint64_t{common.common5};
    case Field::number1:
        return std::uint64_t{record.number1};
    case Field::number2:
        return std::uint64_t{record.number2};
    case Field::number3:
        return std::uint64_t{record.number3};
    case Field::number4:
        return std::uint64_t{record.number4};
    case Field::number5:
        return std::uint64_t{record.number5};
    case Field::unixTextKind:
        return std::int64_t{record.unixTextKind};
    case Field::signedNumber:
        return std::int64_t{record.signedNumber};
    case Field::flag:
        return std::int64_t{record.flag};
    default:
        break;
    }
    std::span<const char> storage = text_storage(record, field);
    return std::string(storage.data(), strnlen(storage.data(), storage.size()));
}

std::optional<std::string> set_field(ReparseData& record, Field field, const FieldValue& value) {
    const FieldInfo& info = field_info(field);
    if (info.kind == FieldKind::Text)
        return set_text_field(record, field, info.width, value);
    std::variant<RangedNumber, std::string> number = ranged_number(info, value);
    if (std::string* refusal = std::get_if<std::string>(&number))
        return std::move(*refusal);
    store_number(record, field, std::get<RangedNumber>(number));
    return std::nullopt;
}

std::optional<std::string> set_field_from_text(ReparseData& record, Field field,
                                               std::string_view text) {
    const FieldInfo& info = field_info(field);
    if (info.kind == FieldKind::Text)
        return set_field(record, field, std::string(text));
    const char* end = text.data() + text.size();
    if (info.kind == FieldKind::Unsigned) {
        std::uint64_t number = 0;
        auto [stop, error] = std::from_chars(text.data(), end, number);
        if (text.empty() || stop != end || error == std::errc::invalid_argument)
            return "expects a decimal number, not \"" + std::string(text) + "\"";
        if (error == std::errc::result_out_of_range)
            return "out of range (at most " + std::to_string(info.unsignedMax) + ")";
        return set_field(record, field, number);
    }
    std::int64_t number = 0;
    auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || stop != end || error == std::errc::invalid_argument)
        return "expects a decimal number, not \"" + std::string(text) + "\"";
    if (error == std::errc::result_out_of_range)
        return "out of range";
    return set_field(record, field, number);
}

std::vector<Field> layout_fields(const ReparseData& record, StubType type) {
    using F = Field;
    if (type >= STUB_TYPE_WINDOWS_LOCAL && type <= STUB_TYPE_WINDOWS_CELERRA)
        return {F::common1,   F::common2,   F::common3,  F::common4,      F::common5,
                F::extraText, F::shortText, F::number1,  F::signedNumber, F::flag,
                F::auxText,   F::number5,   F::longText, F::number2};
    if (is_dmnas_type(type))
        return {F::headText,  F::common1, F::common2, F::common3, F::common4, F::common5,
                F::longText,  F::number2, F::number4, F::number3, F::number1, F::flag,
                F::shortText, F::auxText, F::number5, F::tailText};
    if (is_unix_type(type))
        return {F::common1,
                F::common2,
                F::common3,
                F::common4,
                F::common5,
                F::unixTextKind,
                record.unixTextKind == 1 ? F::longText : F::shortText,
                F::number1,
                F::auxText,
                F::number3,
                F::number2};
    return {};
}

std::string value_as_text(const FieldValue& value) {
    if (const auto* u = std::get_if<std::uint64_t>(&value))
        return std::to_string(*u);
    if (const auto* s = std::get_if<std::int64_t>(&value))
        return std::to_string(*s);
    return std::get<std::string>(value);
}

}  // namespace stubmeta_cli
