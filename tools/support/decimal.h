/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The one reader of whole numbers the tool takes from users: options,
// --set and --where values, and numbers written as strings in JSON.
#pragma once

#include <charconv>
#include <concepts>
#include <string_view>
#include <system_error>

namespace stubmeta_cli {

enum class DecimalRead { Ok, NotDecimal, OutOfRange };

// Reads text as a decimal number into number: digits only, led by '-' for
// a signed T.  No spaces, no '+', no base prefix, nothing after the digits,
// and nothing empty: "-1", "+5", " 5", "0x10" and "" are refused rather than
// wrapped or read in part.  OutOfRange for a number T cannot hold or one
// outside [least, most]; number is set only on Ok.
template <std::integral T>
DecimalRead read_decimal(std::string_view text, T& number, T least, T most) {
    T read{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, read);
    if (text.empty() || stop != end || error == std::errc::invalid_argument)
        return DecimalRead::NotDecimal;
    if (error == std::errc::result_out_of_range || read < least || read > most)
        return DecimalRead::OutOfRange;
    number = read;
    return DecimalRead::Ok;
}

}  // namespace stubmeta_cli
