// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "tokenize/tokenize.h"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "stubmeta.h"
#include "support/bytes.h"

namespace stubmeta {
namespace {

#if defined(__SSE2__)
// Read sixteen bytes from offset 16 - n: a mask keeping the first n bytes.
alignas(16) constexpr unsigned char kKeepFirst[32] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0};
#endif

// Where the walk stands in its input, and the tokens it has written so far.
class TokenWriter {
public:
    TokenWriter(Token* tokens, std::string_view input)
        : tokens_(tokens), position_(input.data()), end_(input.data() + input.size()) {}

    std::int32_t count() const { return count_; }
    // True once a block could not be had: the walk failed for want of
    // memory, not because the input does not fit.
    bool outOfMemory() const { return outOfMemory_; }

    // Steps over `length` characters that must equal `literal`.
    bool match(const char* literal, std::size_t length) {
        if (length == 0)
            return true;
        if (static_cast<std::size_t>(end_ - position_) < length || !equals(literal, length))
            return false;
        position_ += length;
        return true;
    }

    // First occurrence of c in the rest of the input, or null.
    const char* find(char c) const { return FindByte(position_, end_, c); }

    // A token of the characters from the position up to `stop`, which is
    // then stepped over.  An empty token takes no block.
    bool cutUpTo(const char* stop) {
        const auto length = static_cast<std::size_t>(stop - position_);
        Token& entry = tokens_[count_];
        entry.length = length;
        if (length != 0 && !copyInto(entry, length))
            return false;
        ++count_;
        position_ = stop + 1;
        return true;
    }

    // A token of the whole rest of the input; it always gets a block.
    bool cutRest() {
        const auto length = static_cast<std::size_t>(end_ - position_);
        Token& entry = tokens_[count_];
        entry.length = length;
        if (!copyInto(entry, length))
            return false;
        ++count_;
        position_ = end_;
        return true;
    }

    // A field that a shortened input left out: one character long, holding
    // the empty text, so it reads as 0 or "" like an absent field.
    bool cutFiller() {
        Token& entry = tokens_[count_];
        entry.length = 1;
        auto* block = static_cast<char*>(AllocateMemory_t(TokenBlockSize(1)));
        if (block == nullptr) {
            outOfMemory_ = true;
            return false;
        }
        std::memset(block, 0, TokenBlockSize(1));
        entry.text = block;
        ++count_;
        return true;
    }

private:
    // Literals are mostly a line break or a short prefix: compared here
    // byte by byte rather than through a call.
    bool equals(const char* literal, std::size_t length) const {
        constexpr std::size_t kShortLiteral = 8;
        if (length > kShortLiteral)
            return std::memcmp(position_, literal, length) == 0;
        for (std::size_t i = 0; i < length; ++i)
            if (position_[i] != literal[i])
                return false;
        return true;
    }

    bool copyInto(Token& entry, std::size_t length) {
        const std::size_t size = TokenBlockSize(length);
        auto* block = static_cast<char*>(AllocateMemory_t(size));
        if (block == nullptr) {
            outOfMemory_ = true;
            return false;
        }
        fillBlock(block, size, length);
        entry.text = block;
        return true;
    }

    // The token's characters, then zeros to the end of the block.
    void fillBlock(char* block, std::size_t size, std::size_t length) const {
#if defined(__SSE2__)
        // A short token with sixteen input bytes at hand: one load, the
        // bytes past the token cleared, one store.
        static_assert(kTokenBlockMinimum == sizeof(__m128i));
        if (length < kTokenBlockMinimum &&
            static_cast<std::size_t>(end_ - position_) >= kTokenBlockMinimum) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(position_));
            const __m128i kept = _mm_loadu_si128(
                reinterpret_cast<const __m128i*>(kKeepFirst + kTokenBlockMinimum - length));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(block), _mm_and_si128(bytes, kept));
            return;
        }
#endif
        std::memset(block + size - kTokenBlockMinimum, 0, kTokenBlockMinimum);
        CopyBytes(block, position_, length);
        block[length] = '\0';
    }

    Token* tokens_;
    const char* position_;
    const char* end_;
    std::int32_t count_ = 0;
    bool outOfMemory_ = false;
};

// The free-text rule's progress within one walk.  It becomes active as the
// walk reaches token firstOptional - 1, and once it has ended it stays off.
class RuleState {
public:
    explicit RuleState(const FreeTextRule* rule)
        : rule_(rule != nullptr && rule->firstOptional >= 2 ? rule : nullptr),
          startsAt_(rule_ != nullptr ? rule_->firstOptional - 2 : -1) {}

    // Called before each separated token, with the number cut so far.
    void reach(std::int32_t cut) {
        if (cut == startsAt_)
            active_ = true;
    }
    bool active() const { return active_; }
    bool filling() const { return filling_; }
    char terminator() const { return rule_->terminator[0]; }
    void startFilling() { filling_ = true; }
    void end() {
        active_ = false;
        filling_ = false;
    }

private:
    const FreeTextRule* rule_;
    std::int32_t startsAt_;
    bool active_ = false;
    bool filling_ = false;
};

// A field the rule leaves out while it fills: a filler token, and the rule
// ends at the terminator's place in the template.
inline bool CutLeftOut(TokenWriter& writer, RuleState& rule, char separator) {
    if (!writer.cutFiller())
        return false;
    if (separator == rule.terminator())
        rule.end();
    return true;
}

// A field whose separator no longer occurs: it ends at the terminator, and
// the fields after it are left out.
inline bool CutAtTerminator(TokenWriter& writer, RuleState& rule) {
    const char* stop = writer.find(rule.terminator());
    if (stop == nullptr)
        return false;
    rule.startFilling();
    return writer.cutUpTo(stop);
}

// Cuts the token that `separator` ends.  Returns false when the input does
// not fit or a block cannot be had.  The rule's rarer turns stay out of line.
inline bool CutSeparated(TokenWriter& writer, RuleState& rule, char separator) {
    rule.reach(writer.count());
    if (rule.active()) {
        if (rule.filling())
            return CutLeftOut(writer, rule, separator);
        if (separator == rule.terminator())
            rule.end();
    }
    if (const char* stop = writer.find(separator))
        return writer.cutUpTo(stop);
    return rule.active() && CutAtTerminator(writer, rule);
}

// Runs the steps until `expected` tokens are cut or a step does not cut.
std::int32_t Walk(const TemplateStep* steps, TokenWriter& writer, RuleState& rule,
                  std::int32_t expected) {
    const auto failed = [&writer] { return writer.outOfMemory() ? kTokenizeNoMemory : -1; };
    while (writer.count() < expected) {
        const TemplateStep& step = *steps++;
        if (!writer.match(step.literal, step.literalLength))
            return -1;
        if (step.end == StepEnd::Stop)
            break;
        if (step.end == StepEnd::Rest) {
            if (!writer.cutRest())
                return failed();
            break;
        }
        if (!CutSeparated(writer, rule, step.separator))
            return failed();
    }
    return writer.count() == expected ? 0 : 1;
}

}  // namespace

std::int32_t Tokenize(const TemplateStep* steps, std::string_view input, Token* tokens,
                      std::int32_t expected, const FreeTextRule* rule) {
    TokenWriter writer(tokens, input);
    RuleState ruleState(rule);
    return Walk(steps, writer, ruleState, expected);
}

std::int32_t FreeTokens(Token* tokens, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        if (tokens[i].text != nullptr) {
            FreeMemory_t(tokens[i].text);
            tokens[i].text = nullptr;
        }
    }
    return 0;
}

}  // namespace stubmeta
