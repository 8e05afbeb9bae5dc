/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Upper-case hexadecimal renderings for byte dumps, checksums and escapes.
#pragma once

#include <cstdint>
#include <string>

namespace stubmeta_cli {

// Appends the low digits * 4 bits of value as that many upper-case
// hexadecimal digits, leading zeros included.
inline void append_hex(std::string& out, std::uint64_t value, int digits) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0xFU];
}

}  // namespace stubmeta_cli
