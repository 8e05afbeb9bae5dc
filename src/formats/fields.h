/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Filling the record from tokens: the steps every layout shares.
//
// A parser first checks that every text token fits its field with a
// terminator, so that a stub it cannot hold exactly is
// refused before anything is written, and only then fills the fields.
#ifndef STUBMETA_FORMATS_FIELDS_H
#define STUBMETA_FORMATS_FIELDS_H

#include <cstddef>
#include <cstdint>
#include <limits>

#include "formats/decimal.h"
#include "stubmeta.h"
#include "support/bytes.h"
#include "tokenize/tokenize.h"

namespace stubmeta {

// The number of characters a token contributes to a text field: its length,
// or 0 for an empty token and for a filler token, whose block holds the
// empty text.  A token cut from the input holds no NUL (the input ends at
// its first), so only a filler's block can open with one.
inline std::size_t TokenTextLength(const Token& token) {
    if (token.text == nullptr || token.text[0] == '\0')
        return 0;
    return static_cast<std::size_t>(token.length);
}

// Writes the token's characters and a NUL into a field of `width` bytes
// (checked beforehand).
inline void CopyTokenText(const Token& token, char* field, std::size_t width) {
    std::size_t length = TokenTextLength(token);
    if (length >= width)  // unreachable after the width check; never overrun
        length = width - 1;
    CopyBytes(field, token.text, length);
    field[length] = '\0';
}

template <std::size_t N>
void CopyTokenText(const Token& token, char (&field)[N]) {
    CopyTokenText(token, field, N);
}

// A token's number; an empty token reads as 0.  A plain run of digits is
// read from the token's block a word at a time, anything else by the
// general readings.
inline std::uint64_t TokenUnsigned64(const Token& t) {
    std::uint64_t value = 0;
    if (t.text != nullptr && ReadPlainDigits(t.text, static_cast<std::size_t>(t.length), &value))
        return value;
    return ReadUnsigned64(t.text != nullptr ? t.text : "");
}
inline std::int64_t TokenSigned64(const Token& t) {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t value = 0;
    if (t.text != nullptr && ReadPlainDigits(t.text, static_cast<std::size_t>(t.length), &value))
        return static_cast<std::int64_t>(value < kMax ? value : kMax);
    return ReadSigned64(t.text != nullptr ? t.text : "");
}
inline std::uint32_t TokenLow32(const Token& t) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(TokenSigned64(t)) & 0xFFFFFFFFu);
}
inline std::int32_t TokenFlag(const Token& t) { return TokenLow32(t) != 0 ? 1 : 0; }

}  // namespace stubmeta

#endif
