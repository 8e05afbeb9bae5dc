// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The template tokenizer on arbitrary templates, inputs, counts and rules.
//
// Input: a byte for the token count (-4 to 27), a byte for the rule's
// firstOptional (-2 to 21), the rule's terminator character, a byte of
// switches (bit 0: pass the rule; bits 1 to 7: make that allocation of the
// walk fail, 0 for none), then the template, a zero byte and the text.  The
// template is compiled into at most 64 steps (more than any count needs);
// the text sits in a block of exactly its characters, without a NUL, and
// the token array has exactly `expected` entries, so AddressSanitizer sees
// any step outside them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "dispatch/allocation_seam.h"
#include "fuzz_support.h"
#include "tokenize/tokenize.h"

namespace {

using namespace stubmeta::fuzz;
using stubmeta::FreeTextRule;
using stubmeta::Token;

// A token is empty (no block), a filler (one character, holding ""), or
// holds exactly `length` characters and a NUL, all taken from the text.
bool WellFormed(const Token& token, const char* text, std::size_t textLength) {
    if (token.text == nullptr)
        return true;
    if (token.length == 1 && token.text[0] == '\0')
        return true;
    if (std::strlen(token.text) != token.length || token.length > textLength)
        return false;
    return std::strstr(text, token.text) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ParameterReader reader(data, size);
    const std::int32_t expected = static_cast<std::int32_t>(reader.byte() % 32u) - 4;
    FreeTextRule rule{};
    rule.firstOptional = static_cast<std::int32_t>(reader.byte() % 24u) - 2;
    rule.terminator[0] = static_cast<char>(reader.byte());
    rule.terminator[1] = '\0';
    const std::uint8_t switches = reader.byte();
    const bool withRule = (switches & 1u) != 0;
    const std::uint64_t failAt = switches >> 1;

    const std::vector<char> templateText = ExactText(reader.rest(), reader.restSize());
    const std::size_t skip =
        templateText.size() < reader.restSize() ? templateText.size() : reader.restSize();
    const std::vector<char> text = ExactText(reader.rest() + skip, reader.restSize() - skip);

    const std::size_t entries = expected > 0 ? static_cast<std::size_t>(expected) : 0;
    const std::unique_ptr<Token[]> tokens(new Token[entries]());

    stubmeta::testing::ResetAllocationCounters();
    stubmeta::testing::FailAllocationNumber(failAt);
    const auto steps = stubmeta::CompileTemplate<64>(templateText.data());
    const std::size_t textLength = std::strlen(text.data());
    const std::unique_ptr<char[]> exact(new char[textLength]);
    std::memcpy(exact.get(), text.data(), textLength);
    const std::int32_t status =
        stubmeta::Tokenize(steps.data(), std::string_view(exact.get(), textLength), tokens.get(),
                           expected, withRule ? &rule : nullptr);
    const std::uint64_t attempted = stubmeta::testing::AllocationsAttempted();
    stubmeta::testing::FailAllocationNumber(0);

    Require(status >= stubmeta::kTokenizeNoMemory && status <= 1,
            "the tokenizer answers -2, -1, 0 or 1");
    if (failAt != 0 && attempted >= failAt)
        Require(status == stubmeta::kTokenizeNoMemory, "a refused block fails the walk as such");
    for (std::size_t i = 0; i < entries; ++i)
        Require(WellFormed(tokens[i], text.data(), text.size() - 1),
                "every token is empty, a filler, or a terminated piece of the text");

    stubmeta::FreeTokens(tokens.get(), expected);
    Require(stubmeta::testing::BlocksOutstanding() == 0, "FreeTokens releases every block");
    for (std::size_t i = 0; i < entries; ++i)
        Require(tokens[i].text == nullptr, "FreeTokens nulls every released entry");
    return 0;
}
