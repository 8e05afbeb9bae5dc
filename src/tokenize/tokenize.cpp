#include "tokenize/tokenize.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "stubmeta.h"

namespace stubmeta {
namespace {

// Copies `length` bytes.  Tokens are mostly shorter than sixteen bytes, and
// two fixed-size copies that may overlap cost less than a call to memcpy.
void CopyShort(char *to, const char *from, std::size_t length) {
    if (length >= 8 && length <= 16) {
        std::memcpy(to, from, 8);
        std::memcpy(to + length - 8, from + length - 8, 8);
    } else if (length >= 4 && length < 8) {
        std::memcpy(to, from, 4);
        std::memcpy(to + length - 4, from + length - 4, 4);
    } else if (length > 16) {
        std::memcpy(to, from, length);
    } else {
        for (std::size_t i = 0; i < length; ++i)
            to[i] = from[i];
    }
}

// First occurrence of c in [from, end), or null.  On a little-endian host
// eight bytes are compared at once: a byte equal to c becomes a zero byte
// after the XOR, and the lowest byte flagged by the zero-byte test is always
// a real one (a false flag can only sit above a real zero).
const char *FindNearby(const char *from, const char *end, char c) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        constexpr std::uint64_t kHighBits = 0x8080808080808080u;
        const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
        for (; end - from >= 8; from += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, from, sizeof word);
            const std::uint64_t x = word ^ pattern;
            const std::uint64_t zeros = (x - kOnes) & ~x & kHighBits;
            if (zeros != 0)
                return from + std::countr_zero(zeros) / 8;
        }
    }
    for (; from < end; ++from)
        if (*from == c)
            return from;
    return nullptr;
}

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

    // First occurrence of c in the rest of the input, or null.  Fields are
    // mostly short, so the first bytes are looked at here, eight at a time,
    // before a longer rest is handed to memchr.
    const char *find(char c) const {
        if (c == '\0')
            return nullptr;
        constexpr std::ptrdiff_t kNearby = 32;
        const char *nearbyEnd = end_ - position_ > kNearby ? position_ + kNearby : end_;
        if (const char *hit = FindNearby(position_, nearbyEnd, c))
            return hit;
        const auto rest = static_cast<std::size_t>(end_ - nearbyEnd);
        return static_cast<const char *>(std::memchr(nearbyEnd, c, rest));
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
        CopyShort(block, position_, length);
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
    void end() {
        active_ = false;
        filling_ = false;
    }

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
        if (insidePlaceholder) {
            // Nothing between an opening brace and the next closing one
            // changes the walk (the token count stands still), so go
            // straight to the closing brace or the template's end.
            if (!placeholderClosed)
                while (t[1] != '\0' && t[1] != '}')
                    ++t;
            continue;
        }
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
