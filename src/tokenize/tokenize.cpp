#include "tokenize/tokenize.h"

#include <cstring>

#include "stubmeta.h"

namespace stubmeta {
namespace {

// Where the walk stands in its input, and the tokens it has written so far.
class TokenWriter {
public:
    TokenWriter(Token *tokens, const char *input, const char *end)
        : tokens_(tokens), position_(input), end_(end) {}

    std::int32_t count() const { return count_; }
    const char *position() const { return position_; }
    const char *end() const { return end_; }

    // The input character at the walk's position, or NUL at its end.
    char current() const { return position_ < end_ ? *position_ : '\0'; }
    void advance() { ++position_; }

    // First occurrence of c in the rest of the input, or null.
    const char *find(char c) const {
        if (c == '\0')
            return nullptr;
        const auto rest = static_cast<std::size_t>(end_ - position_);
        return static_cast<const char *>(std::memchr(position_, c, rest));
    }

    // A token of the characters from the position up to `stop`, which is
    // then stepped over.  An empty token takes no block.
    bool cutUpTo(const char *stop) {
        const auto length = static_cast<std::size_t>(stop - position_);
        Token &entry = tokens_[count_];
        entry.length = length;
        if (length == 0) {
            ++count_;
            ++position_;
            return true;
        }
        if (!copyInto(entry, length))
            return false;
        ++count_;
        position_ = stop + 1;
        return true;
    }

    // A token of the whole rest of the input; it always gets a block.
    bool cutRest() {
        const auto length = static_cast<std::size_t>(end_ - position_);
        Token &entry = tokens_[count_];
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
        Token &entry = tokens_[count_];
        entry.length = 1;
        auto *block = static_cast<char *>(AllocateMemory_t(2));
        if (block == nullptr)
            return false;
        block[0] = '\0';
        block[1] = '\0';
        entry.text = block;
        ++count_;
        return true;
    }

private:
    bool copyInto(Token &entry, std::size_t length) {
        auto *block = static_cast<char *>(AllocateMemory_t(length + 1));
        if (block == nullptr)
            return false;
        if (length != 0)
            std::memcpy(block, position_, length);
        block[length] = '\0';
        entry.text = block;
        return true;
    }

    Token *tokens_;
    const char *position_;
    const char *end_;
    std::int32_t count_ = 0;
};

// The free-text rule's progress within one walk.  It becomes active at most
// once, while the walk is at the placeholder of token firstOptional - 1, and
// once it has ended it stays off.
class RuleState {
public:
    explicit RuleState(const FreeTextRule *rule)
        : rule_(rule != nullptr && rule->firstOptional >= 2 ? rule : nullptr) {}

    void update(std::int32_t cut) {
        if (rule_ != nullptr && !used_ && cut == rule_->firstOptional - 2) {
            active_ = true;
            used_ = true;
        }
    }
    bool active() const { return active_; }
    bool filling() const { return filling_; }
    char terminator() const { return rule_->terminator[0]; }
    void startFilling() { filling_ = true; }
    void end() { active_ = false; filling_ = false; }

private:
    const FreeTextRule *rule_;
    bool used_ = false;
    bool active_ = false;
    bool filling_ = false;
};

// Cuts the token that `separator` ends.  Returns false when the input does
// not fit or a block cannot be had.
bool cutSeparated(TokenWriter &writer, RuleState &rule, char separator) {
    if (rule.active() && rule.filling()) {
        if (!writer.cutFiller())
            return false;
        if (separator == rule.terminator())
            rule.end();
        return true;
    }
    if (rule.active() && separator == rule.terminator())
        rule.end();

    if (const char *stop = writer.find(separator))
        return writer.cutUpTo(stop);
    if (!rule.active())
        return false;
    const char *stop = writer.find(rule.terminator());
    if (stop == nullptr)
        return false;
    rule.startFilling();
    return writer.cutUpTo(stop);
}

} // namespace

std::int32_t Tokenize(const char *templateText, const char *input, Token *tokens,
                      std::int32_t expected, const FreeTextRule *rule) {
    if (templateText == nullptr || input == nullptr || tokens == nullptr)
        return -1;
    // With nothing to cut the input is not looked at at all.
    const char *end = expected > 0 ? input + std::strlen(input) : input;
    TokenWriter writer(tokens, input, end);
    RuleState ruleState(rule);

    bool insidePlaceholder = false;
    bool placeholderClosed = false;
    for (const char *t = templateText; *t != '\0' && writer.count() < expected; ++t) {
        const char c = *t;
        ruleState.update(writer.count());
        if (placeholderClosed)
            insidePlaceholder = false;
        if (c == '{')
            insidePlaceholder = true;
        else if (c == '}' && insidePlaceholder)
            placeholderClosed = true;
        if (insidePlaceholder)
            continue;
        if (!placeholderClosed) {
            if (writer.current() != c)
                return -1;
            writer.advance();
            continue;
        }
        placeholderClosed = false;
        if (!cutSeparated(writer, ruleState, c))
            return -1;
    }
    if (placeholderClosed && writer.count() < expected && !writer.cutRest())
        return -1;
    return writer.count() == expected ? 0 : 1;
}

std::int32_t FreeTokens(Token *tokens, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        if (tokens[i].text != nullptr) {
            FreeMemory_t(tokens[i].text);
            tokens[i].text = nullptr;
        }
    }
    return 0;
}

} // namespace stubmeta
