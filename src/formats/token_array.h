/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The tokens of one parse, and the one shape every parse takes.
#ifndef STUBMETA_FORMATS_TOKEN_ARRAY_H
#define STUBMETA_FORMATS_TOKEN_ARRAY_H

#include <array>
#include <cstdint>
#include <string_view>

#include "stubmeta.h"
#include "tokenize/tokenize.h"

namespace stubmeta {

// Cleared on construction and released on destruction, so that a parser
// has no path that leaks a block.
template <std::int32_t N>
class TokenArray {
public:
    TokenArray() { ClearTokens(tokens_.data(), N); }
    ~TokenArray() { FreeTokens(tokens_.data(), N); }
    TokenArray(const TokenArray&) = delete;
    TokenArray& operator=(const TokenArray&) = delete;

    // Cuts `text` against `steps`: 0 when all N tokens were cut, otherwise
    // STUBMETA_E_NO_MEMORY or STUBMETA_E_NO_MATCH.
    std::int32_t cut(const TemplateStep* steps, std::string_view text, const FreeTextRule* rule) {
        const std::int32_t status = Tokenize(steps, text, tokens_.data(), N, rule);
        if (status == 0)
            return STUBMETA_OK;
        return status == kTokenizeNoMemory ? STUBMETA_E_NO_MEMORY : STUBMETA_E_NO_MATCH;
    }

    const Token* data() const { return tokens_.data(); }
    const Token& operator[](std::size_t index) const { return tokens_[index]; }

private:
    std::array<Token, static_cast<std::size_t>(N)> tokens_;
};

// Every layout's parse: the text cut into N tokens against the layout's
// steps; every text token checked against its field's width (`fits`, which
// may look at the tokens: the Unix layout's kind decides which field its
// text fills); only then the record filled (`fill`), so that a refused stub
// leaves the record untouched.  The tokens are released on every path.
// Returns STUBMETA_OK, STUBMETA_E_NO_MATCH, STUBMETA_E_NO_MEMORY or
// STUBMETA_E_FIELD_TOO_LONG.
template <std::int32_t N, typename Fits, typename Fill>
std::int32_t ParseLayout(std::string_view text, const TemplateStep* steps, const FreeTextRule* rule,
                         Fits fits, Fill fill) {
    TokenArray<N> tokens;
    if (const std::int32_t status = tokens.cut(steps, text, rule); status != STUBMETA_OK)
        return status;
    if (!fits(tokens.data()))
        return STUBMETA_E_FIELD_TOO_LONG;
    fill(tokens.data());
    return STUBMETA_OK;
}

}  // namespace stubmeta

#endif
