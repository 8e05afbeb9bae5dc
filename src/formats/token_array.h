// The tokens of one parse: cleared on construction and released on
// destruction, so that a parser has no path that leaks a block.
#ifndef STUBMETA_FORMATS_TOKEN_ARRAY_H
#define STUBMETA_FORMATS_TOKEN_ARRAY_H

#include <array>
#include <cstdint>
#include <string_view>

#include "stubmeta.h"
#include "tokenize/tokenize.h"

namespace stubmeta {

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

}  // namespace stubmeta

#endif
