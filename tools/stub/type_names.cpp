// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "stub/type_names.h"
#include "support/decimal.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>

namespace stubmeta_cli {
namespace {

std::string lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

struct ShortName {
    std::string_view name;
    StubType type;
};

constexpr std::array<ShortName, 4> kShortNames{{
    {"ntfs", STUB_TYPE_WINDOWS_LOCAL},
    {"csvfs", STUB_TYPE_WINDOWS_LOCAL_CSVFS},
    {"celerra", STUB_TYPE_WINDOWS_CELERRA},
    {"dmnas", STUB_TYPE_WINDOWS_DMNAS},
}};
using ShortNameIterator = decltype(kShortNames)::const_iterator;

}  // namespace

StubType host_unix_type() {
    return std::endian::native == std::endian::little ? STUB_TYPE_UNIX_LITTLEENDIAN
                                                      : STUB_TYPE_UNIX_BIGENDIAN;
}

std::optional<StubType> parse_type(std::string_view text) {
    unsigned number = 0;
    switch (read_decimal(text, number, 1u, 7u)) {
    case DecimalRead::Ok:
        return static_cast<StubType>(number);
    case DecimalRead::OutOfRange:
        return std::nullopt;
    case DecimalRead::NotDecimal:
        break;
    }
    const std::string wanted = lower(text);
    if (wanted == "unix")
        return host_unix_type();
    const ShortNameIterator shortName =
        std::find_if(kShortNames.begin(), kShortNames.end(),
                     [&wanted](const ShortName& entry) { return wanted == entry.name; });
    if (shortName != kShortNames.end())
        return shortName->type;
    for (StubType type = 1; type <= 7; ++type)
        if (wanted == lower(type_name(type)))
            return type;
    return std::nullopt;
}

std::optional<StubFamily> parse_family(std::string_view text) {
    const std::string wanted = lower(text);
    if (wanted == "windows")
        return STUB_FAMILY_WINDOWS;
    if (wanted == "nas")
        return STUB_FAMILY_NAS;
    if (wanted == "unix")
        return STUB_FAMILY_UNIX;
    return std::nullopt;
}

std::string family_name(StubFamily family) {
    switch (family) {
    case STUB_FAMILY_WINDOWS:
        return "windows";
    case STUB_FAMILY_NAS:
        return "nas";
    case STUB_FAMILY_UNIX:
        return "unix";
    default:
        return "unknown";
    }
}

std::string short_type_name(StubType type) {
    const ShortNameIterator shortName =
        std::find_if(kShortNames.begin(), kShortNames.end(),
                     [type](const ShortName& entry) { return entry.type == type; });
    if (shortName != kShortNames.end())
        return std::string(shortName->name);
    return is_unix_type(type) ? "unix" : "";
}

std::vector<StubType> family_types(StubFamily family) {
    const auto* types = stubmeta::layouts::types_of(family);
    if (types == nullptr)
        return {};
    return {types->begin(), types->end()};
}

const std::vector<StubType>& first_match_order() {
    static const std::vector<StubType> order(stubmeta::layouts::search_order.begin(),
                                             stubmeta::layouts::search_order.end());
    return order;
}

std::string join_types(const std::vector<StubType>& types) {
    std::string result;
    for (StubType type : types) {
        if (!result.empty())
            result += ", ";
        result += std::to_string(type);
    }
    return result;
}

}  // namespace stubmeta_cli
