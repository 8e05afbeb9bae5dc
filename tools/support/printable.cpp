// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "support/printable.h"

#include "support/hex_text.h"

namespace stubmeta_cli {

std::string printable(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            result += '\\';
            result += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            result += "\\x";
            append_hex(result, byte, 2);
        } else {
            result += c;
        }
    }
    return result;
}

}  // namespace stubmeta_cli
