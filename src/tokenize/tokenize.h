// Template tokenizer: splits stub text into tokens against a layout template.
//
// A template is literal characters and placeholders in braces, such as
// "{1}:{2}|{3}".  The character right after a placeholder's "}" is that
// token's separator; a placeholder that ends the template takes the rest of
// the input.  An optional free-text rule lets a shortened stub leave out a
// run of fields: from token firstOptional on, a field whose separator no
// longer occurs in the rest of the input ends at the terminator instead, and
// the fields left out, up to the terminator's place in the template, become
// filler tokens.
#ifndef STUBMETA_TOKENIZE_TOKENIZE_H
#define STUBMETA_TOKENIZE_TOKENIZE_H

#include <cstdint>

namespace stubmeta {

// One token: a NUL-terminated copy of its characters in a block of its own
// (null for an empty token, which takes no block), and its length.
struct Token {
    char *text;
    std::uint64_t length;
};

// From token firstOptional (counted from 1; below 2 never takes effect) a
// field may end at terminator[0] instead of its own separator.
struct FreeTextRule {
    std::int32_t firstOptional;
    char terminator[2];
};

// Walks templateText over input, cutting at most `expected` tokens into the
// caller's cleared array.  Returns 0 when exactly `expected` tokens were cut,
// 1 when the template ran out of placeholders first, -1 when a pointer is
// null, the input does not fit the template, or a block cannot be had.
// Never reads input beyond its NUL; never releases anything: whatever the
// result, the caller releases the array with FreeTokens(tokens, expected).
std::int32_t Tokenize(const char *templateText, const char *input, Token *tokens,
                      std::int32_t expected, const FreeTextRule *rule);

// Releases the block of each of the first `count` entries that has one and
// nulls its text; `length` is left alone.  Returns 0.
std::int32_t FreeTokens(Token *tokens, std::int32_t count);

} // namespace stubmeta

#endif
