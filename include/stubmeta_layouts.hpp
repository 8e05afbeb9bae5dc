// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta_layouts.hpp -- the stub text layouts, the stub families and the
// first-match search order, as constexpr tables
//
// Requires C++17.  Included by stubmeta.hpp; the library reads, checks and
// writes every layout from these tables (its templates, field widths,
// record filling and writers all follow from them), so a program that looks
// here sees exactly what the library does.
#ifndef STUBMETA_LAYOUTS_HPP
#define STUBMETA_LAYOUTS_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "stubmeta.h"

namespace stubmeta {

// How one field of a layout is read from and written to the text.
enum class FieldCoding : std::uint8_t {
    unsigned_number,  // decimal; a 4-byte field keeps the low 32 bits
    signed_number,    // decimal with an optional sign
    flag,             // written 0 or 1; any non-zero number reads as 1
    text,             // the characters, at most width - 1 of them
    // The Unix layout's text and the two numbers that describe it:
    text_kind,    // written 2 when shortText holds something, else 1; read into unixTextKind
    text_length,  // the length of the text after it; neither stored nor checked
    kind_text,    // written from shortText, or longText when it is empty; read into
                  // longText when the kind read is 1, else into shortText
    text_size,    // written as number3, or 4096 when it is 0; read into number3
};

// One field of a layout's text, in text order.
struct LayoutField {
    std::string_view name;  // the record's field; "" for text_length, which fills none
    FieldCoding coding;
    std::size_t offset;  // within ReparseData
    std::size_t width;   // bytes: 4 or 8 for a number, a text's including its terminator
    // What follows the field in the text: its first character ends the
    // field when read, the rest must follow it.  Empty for the last field.
    std::string_view separator;
    // The Unix writer's layouts 0 to 3 (five numbers; text; text and
    // number1; everything): the least of them that writes the field.
    std::uint8_t least_unix_layout;
};

// A layout: the text before the first field, the fields, the text after the
// last, and the free-text rule that lets a stub leave fields out: from field
// first_optional (counted from 1) on, a field whose separator no longer
// occurs in the rest of the text ends at the terminator, and the fields up
// to the terminator's place become empty.  first_optional 0: no rule.
struct Layout {
    std::string_view name;
    std::string_view prefix;
    const LayoutField* fields;
    std::size_t field_count;
    std::string_view suffix;  // written in full, never compared when reading
    std::int32_t first_optional;
    char terminator;
    std::size_t header;  // bytes in front of the text that a parse skips
};

namespace layouts {

// The line every CSVFS and DMNas stub opens with.
inline constexpr std::string_view stub_prefix = "QZSTUB:";

// The envelope's value, and the size a Unix stub's text gives, when the
// record's number3 is 0.
inline constexpr std::uint64_t default_unix_size = 4096;

namespace detail {

constexpr LayoutField number(std::string_view name, std::size_t offset, std::size_t width,
                             std::string_view separator, std::uint8_t least = 0) {
    return {name, FieldCoding::unsigned_number, offset, width, separator, least};
}
constexpr LayoutField coded(std::string_view name, std::size_t offset, std::size_t width,
                            FieldCoding coding, std::string_view separator,
                            std::uint8_t least = 0) {
    return {name, coding, offset, width, separator, least};
}

#define STUBMETA_FIELD_(member) #member, offsetof(ReparseData, member), sizeof(ReparseData::member)
#define STUBMETA_COMMON_(member)                                                                   \
#member, offsetof(ReparseData, common) + offsetof(CommonFields, member),                       \
        sizeof(CommonFields::member)

// Types 1 to 3: one field list, behind the NTFS reparse header, after the
// CSVFS prefix or bare.
inline constexpr LayoutField windows_fields[] = {
    number(STUBMETA_COMMON_(common1), ":"),
    number(STUBMETA_COMMON_(common2), ":"),
    number(STUBMETA_COMMON_(common3), ":"),
    number(STUBMETA_COMMON_(common4), ":"),
    number(STUBMETA_COMMON_(common5), ":"),
    coded(STUBMETA_FIELD_(extraText), FieldCoding::text, ":"),
    coded(STUBMETA_FIELD_(shortText), FieldCoding::text, ":"),
    number(STUBMETA_FIELD_(number1), ":"),
    coded(STUBMETA_FIELD_(signedNumber), FieldCoding::signed_number, ":"),
    coded(STUBMETA_FIELD_(flag), FieldCoding::flag, ":"),
    coded(STUBMETA_FIELD_(auxText), FieldCoding::text, ":"),
    number(STUBMETA_FIELD_(number5), "?"),
    coded(STUBMETA_FIELD_(longText), FieldCoding::text, "|"),
    number(STUBMETA_FIELD_(number2), ""),
};

// Types 4 and 5: the prefix line with one text, the line of fields, then
// the banner for a person who opens the file.
inline constexpr LayoutField dmnas_fields[] = {
    coded(STUBMETA_FIELD_(headText), FieldCoding::text, "\r\n"),
    number(STUBMETA_COMMON_(common1), ":"),
    number(STUBMETA_COMMON_(common2), ":"),
    number(STUBMETA_COMMON_(common3), ":"),
    number(STUBMETA_COMMON_(common4), ":"),
    number(STUBMETA_COMMON_(common5), "?"),
    coded(STUBMETA_FIELD_(longText), FieldCoding::text, "|"),
    number(STUBMETA_FIELD_(number2), "|"),
    number(STUBMETA_FIELD_(number4), "|"),
    number(STUBMETA_FIELD_(number3), "|"),
    number(STUBMETA_FIELD_(number1), "|"),
    coded(STUBMETA_FIELD_(flag), FieldCoding::flag, "|"),
    coded(STUBMETA_FIELD_(shortText), FieldCoding::text, "|"),
    coded(STUBMETA_FIELD_(auxText), FieldCoding::text, "|"),
    number(STUBMETA_FIELD_(number5), "?"),
    coded(STUBMETA_FIELD_(tailText), FieldCoding::text, "\r\n"),
};

// Types 6 and 7: written in the least of the writer's layouts 0 to 3 that
// holds the record; read by one template whose free-text rule accepts
// layouts 1 to 3.
inline constexpr LayoutField unix_fields[] = {
    number(STUBMETA_COMMON_(common1), ":"),
    number(STUBMETA_COMMON_(common2), ":"),
    number(STUBMETA_COMMON_(common3), ":"),
    number(STUBMETA_COMMON_(common4), ":"),
    number(STUBMETA_COMMON_(common5), ":"),
    coded(STUBMETA_FIELD_(unixTextKind), FieldCoding::text_kind, ":", 1),
    coded("", 0, 0, FieldCoding::text_length, ":", 1),
    coded(STUBMETA_FIELD_(longText), FieldCoding::kind_text, ":", 1),
    number(STUBMETA_FIELD_(number1), ":", 2),
    coded(STUBMETA_FIELD_(auxText), FieldCoding::text, ":", 3),
    coded(STUBMETA_FIELD_(number3), FieldCoding::text_size, "|", 3),
    number(STUBMETA_FIELD_(number2), "", 1),
};

#undef STUBMETA_FIELD_
#undef STUBMETA_COMMON_

template <std::size_t N>
constexpr Layout make(std::string_view name, std::string_view prefix,
                      const LayoutField (&fields)[N], std::string_view suffix,
                      std::int32_t firstOptional, char terminator, std::size_t header) {
    return {name, prefix, fields, N, suffix, firstOptional, terminator, header};
}

}  // namespace detail

inline constexpr Layout ntfs =
    detail::make("ntfs", "", detail::windows_fields, "", 10, '?', STUBMETA_NTFS_HEADER_SIZE);
inline constexpr Layout csvfs =
    detail::make("csvfs", stub_prefix, detail::windows_fields, "", 0, '\0', 0);
inline constexpr Layout celerra =
    detail::make("celerra", "", detail::windows_fields, "", 10, '?', 0);
inline constexpr Layout dmnas = detail::make(
    "dmnas", stub_prefix, detail::dmnas_fields,
    "******* \r\nThis file has been archived by Velmora Data Archiver. Please contact system "
    "administrator, or check if Tarkwell services are running.\r\n******* \r\n",
    11, '?', 0);
inline constexpr Layout unix_stub = detail::make("unix", "", detail::unix_fields, "", 9, '|', 0);

// The layout of a stub type's text, or null for 0 and above 7.  Types 4
// and 5 share one layout, as do 6 and 7.
constexpr const Layout* of(StubType type) {
    switch (type) {
    case STUB_TYPE_WINDOWS_LOCAL:
        return &ntfs;
    case STUB_TYPE_WINDOWS_LOCAL_CSVFS:
        return &csvfs;
    case STUB_TYPE_WINDOWS_CELERRA:
        return &celerra;
    case STUB_TYPE_WINDOWS_DMNAS:
    case STUB_TYPE_WINDOWS_DMNAS_ALT:
        return &dmnas;
    case STUB_TYPE_UNIX_BIGENDIAN:
    case STUB_TYPE_UNIX_LITTLEENDIAN:
        return &unix_stub;
    default:
        return nullptr;
    }
}

// The types a parse without a type list tries, in order.  Unix first: a
// Unix stub file is the common case for a caller that does not know what it
// holds; a bare text of another layout that fits the Unix template is
// therefore taken as type 6.
inline constexpr std::array<StubType, 6> search_order = {6, 7, 1, 2, 3, 4};

// The types of each family (STUB_FAMILY_WINDOWS, _NAS, _UNIX), in the
// order a family parse tries them.
inline constexpr std::array<std::array<StubType, 2>, 3> family_types = {{{1, 2}, {3, 4}, {6, 7}}};

// The types of a family, or null for an unknown family.
constexpr const std::array<StubType, 2>* types_of(StubFamily family) {
    if (family < STUB_FAMILY_WINDOWS || family > STUB_FAMILY_UNIX)
        return nullptr;
    return &family_types[family - STUB_FAMILY_WINDOWS];
}

// The parse template of a layout: the prefix, each field as a numbered
// placeholder followed by its separator, then the suffix, NUL-terminated.
constexpr std::size_t template_length(const Layout& layout) {
    std::size_t length = layout.prefix.size() + layout.suffix.size();
    for (std::size_t i = 0; i < layout.field_count; ++i)
        length += (i + 1 < 10 ? 3 : 4) + layout.fields[i].separator.size();
    return length;
}

template <std::size_t N>
constexpr std::array<char, N + 1> template_text(const Layout& layout) {
    std::array<char, N + 1> out{};
    std::size_t at = 0;
    const auto append = [&out, &at](std::string_view s) {
        for (char c : s)
            out[at++] = c;
    };
    append(layout.prefix);
    for (std::size_t i = 0; i < layout.field_count; ++i) {
        const std::size_t number = i + 1;
        out[at++] = '{';
        if (number >= 10)
            out[at++] = static_cast<char>('0' + number / 10);
        out[at++] = static_cast<char>('0' + number % 10);
        out[at++] = '}';
        append(layout.fields[i].separator);
    }
    append(layout.suffix);
    return out;
}

}  // namespace layouts
}  // namespace stubmeta

#endif  // STUBMETA_LAYOUTS_HPP
