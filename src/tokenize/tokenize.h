/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
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
//
// A template reads as a list of steps, one per token: the literal characters
// the input must hold before the token, and how the token ends.  The stub
// layouts compile their templates into steps once, at compile time, and the
// walk runs over those steps.
#ifndef STUBMETA_TOKENIZE_TOKENIZE_H
#define STUBMETA_TOKENIZE_TOKENIZE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace stubmeta {

// One token: a NUL-terminated copy of its characters in a block of its own
// (null for an empty token, which takes no block), and its length.  A block
// is a whole number of 8-byte words, at least two, and all zero after the
// characters, so a reader may look at a token a word at a time.
inline constexpr std::size_t kTokenBlockMinimum = 16;

// The size of the block for a token of `length` characters.  Rounding up to
// whole words costs nothing: an allocator hands out no smaller pieces.
constexpr std::size_t TokenBlockSize(std::uint64_t length) {
    const auto words = static_cast<std::size_t>((length + 1 + 7) / 8) * 8;
    return words > kTokenBlockMinimum ? words : kTokenBlockMinimum;
}

struct Token {
    char* text;
    std::uint64_t length;
};

// From token firstOptional (counted from 1; below 2 never takes effect) a
// field may end at terminator[0] instead of its own separator.
struct FreeTextRule {
    std::int32_t firstOptional;
    char terminator[2];
};

// How a step ends: the template stops there (its end, or a placeholder left
// open), a token is cut at the separator, or a final token takes the rest.
enum class StepEnd : std::uint8_t { Stop, Cut, Rest };

struct TemplateStep {
    const char* literal = nullptr;  // not terminated; literalLength characters
    std::size_t literalLength = 0;
    StepEnd end = StepEnd::Stop;
    char separator = '\0';
};

// Reads a template's steps in order.  After the step that does not cut,
// every further step is an empty Stop.
class TemplateReader {
public:
    constexpr explicit TemplateReader(const char* templateText) : text_(templateText) {}

    constexpr TemplateStep next() {
        TemplateStep step;
        step.literal = text_;
        while (*text_ != '\0' && *text_ != '{')
            ++text_;
        step.literalLength = static_cast<std::size_t>(text_ - step.literal);
        // The characters between the braces are not read.
        while (*text_ != '\0' && *text_ != '}')
            ++text_;
        if (*text_ == '\0')
            return step;
        ++text_;
        // Opening braces right after a placeholder are passed over; the
        // character after them is the separator.
        while (*text_ == '{')
            ++text_;
        if (*text_ == '\0') {
            step.end = StepEnd::Rest;
            return step;
        }
        step.end = StepEnd::Cut;
        step.separator = *text_++;
        return step;
    }

private:
    const char* text_;
};

// The number of steps in a template, the last one included.
constexpr std::size_t TemplateStepCount(const char* templateText) {
    TemplateReader reader(templateText);
    std::size_t count = 1;
    while (reader.next().end == StepEnd::Cut)
        ++count;
    return count;
}

// The first N steps of a template.  With N below TemplateStepCount the last
// entry is made a Stop, so a walk over the array never runs past its end.
template <std::size_t N>
constexpr std::array<TemplateStep, N> CompileTemplate(const char* templateText) {
    static_assert(N > 0);
    std::array<TemplateStep, N> steps{};
    TemplateReader reader(templateText);
    for (TemplateStep& step : steps) {
        step = reader.next();
        if (step.end != StepEnd::Cut)
            return steps;
    }
    steps[N - 1] = TemplateStep{};
    return steps;
}

// Tokenize's answer when a block could not be had.
inline constexpr std::int32_t kTokenizeNoMemory = -2;

// Walks the compiled steps (ending in a step that does not cut) over an
// input of known length, which need not be terminated and is never read
// beyond its end, cutting at most `expected` tokens into the caller's
// cleared array (ClearTokens).  Returns 0 when exactly `expected` tokens were
// cut, 1 when the steps ran out of placeholders first, -1 when the input does
// not fit the template, kTokenizeNoMemory when a block cannot be had.
// `steps` and `tokens` must not be null.  Never releases anything: whatever
// the result, the caller releases the array with FreeTokens(tokens,
// expected).
std::int32_t Tokenize(const TemplateStep* steps, std::string_view input, Token* tokens,
                      std::int32_t expected, const FreeTextRule* rule);

// Readies an array for Tokenize: every entry without a block.  Lengths are
// left alone, as Tokenize writes one with each token it cuts.
inline void ClearTokens(Token* tokens, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i)
        tokens[i].text = nullptr;
}

// Releases the block of each of the first `count` entries that has one and
// nulls its text; `length` is left alone.  Returns 0.
std::int32_t FreeTokens(Token* tokens, std::int32_t count);

}  // namespace stubmeta

#endif
