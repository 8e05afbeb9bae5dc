#include "formats/fields.h"

#include <algorithm>
#include <cstring>

namespace stubmeta {

std::size_t TokenTextLength(const Token &token) {
    if (token.text == nullptr)
        return 0;
    const auto length = static_cast<std::size_t>(token.length);
    const void *nul = std::memchr(token.text, '\0', length);
    return nul == nullptr ? length
                          : static_cast<std::size_t>(static_cast<const char *>(nul) - token.text);
}

bool TextTokensFit(const Token *tokens, std::initializer_list<TextSlot> slots) {
    return std::all_of(slots.begin(), slots.end(), [tokens](const TextSlot &slot) {
        return TokenTextLength(tokens[slot.index]) < slot.width;
    });
}

void CopyTokenText(const Token &token, char *field, std::size_t width) {
    std::size_t length = TokenTextLength(token);
    if (length >= width) // unreachable after TextTokensFit; never overrun
        length = width - 1;
    if (length != 0)
        std::memcpy(field, token.text, length);
    field[length] = '\0';
}

std::int32_t PopulateReparseDataCore(CommonFields *common, const Token *tokens,
                                     std::int32_t *position) {
    const Token *t = tokens + *position;
    common->common1 = TokenLow32(t[0]);
    common->common2 = TokenUnsigned64(t[1]);
    common->common3 = TokenUnsigned64(t[2]);
    common->common4 = TokenUnsigned64(t[3]);
    common->common5 = TokenUnsigned64(t[4]);
    *position += 5;
    return 0;
}

} // namespace stubmeta
