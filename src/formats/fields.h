// Filling the record from tokens: the steps every layout shares.
//
// A parser first checks that every text token fits its field with a
// terminator (TextTokensFit), so that a stub it cannot hold exactly is
// refused before anything is written, and only then fills the fields.
#ifndef STUBMETA_FORMATS_FIELDS_H
#define STUBMETA_FORMATS_FIELDS_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "formats/decimal.h"
#include "stubmeta.h"
#include "tokenize/tokenize.h"

namespace stubmeta {

// A token's text, "" for an empty token (which has no block).
inline const char *TokenText(const Token &token) { return token.text != nullptr ? token.text : ""; }

// The number of characters a token contributes to a text field: its length,
// or less for a filler token, whose block holds the empty text.
std::size_t TokenTextLength(const Token &token);

// A text token at a 0-based index and the width of the field it fills.
struct TextSlot {
    std::int32_t index;
    std::size_t width;
};

// True when every listed token fits its field with room for a terminator.
bool TextTokensFit(const Token *tokens, std::initializer_list<TextSlot> slots);

// Writes the token's characters and a NUL into a field of `width` bytes
// (checked beforehand by TextTokensFit).
void CopyTokenText(const Token &token, char *field, std::size_t width);

template <std::size_t N>
void CopyTokenText(const Token &token, char (&field)[N]) {
    CopyTokenText(token, field, N);
}

inline std::uint64_t TokenUnsigned64(const Token &t) { return ReadUnsigned64(TokenText(t)); }
inline std::int64_t TokenSigned64(const Token &t) { return ReadSigned64(TokenText(t)); }
inline std::uint32_t TokenLow32(const Token &t) { return ReadLow32(TokenText(t)); }
inline std::int32_t TokenFlag(const Token &t) { return ReadLow32(TokenText(t)) != 0 ? 1 : 0; }

// Fills the five common numbers from the five tokens at *position and
// advances it by 5.  Returns 0.
std::int32_t PopulateReparseDataCore(CommonFields *common, const Token *tokens,
                                     std::int32_t *position);

} // namespace stubmeta

#endif
