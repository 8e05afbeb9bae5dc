/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Shared by the tokenizer tests: the stub layouts' templates, and a token
// array that runs Tokenize, shows each token by kind and releases itself.
#ifndef STUBMETA_TESTS_UNIT_TOKEN_HELPERS_H
#define STUBMETA_TESTS_UNIT_TOKEN_HELPERS_H

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tokenize/tokenize.h"

namespace stubmeta::testing {

inline constexpr const char* kWindowsTemplate =
    "{1}:{2}:{3}:{4}:{5}:{6}:{7}:{8}:{9}:{10}:{11}:{12}?{13}|{14}";
inline constexpr const char* kCsvfsTemplate =
    "QZSTUB:{1}:{2}:{3}:{4}:{5}:{6}:{7}:{8}:{9}:{10}:{11}:{12}?{13}|{14}";
inline constexpr const char* kDMNasTemplate =
    "QZSTUB:{1}\r\n{2}:{3}:{4}:{5}:{6}?{7}|{8}|{9}|{10}|{11}|{12}|{13}|{14}|{15}?{16}\r\n"
    "******* \r\nThis file has been archived by Velmora Data Archiver. Please contact system "
    "administrator, or check if Tarkwell services are running.\r\n******* \r\n";
inline constexpr const char* kUnixTemplate = "{1}:{2}:{3}:{4}:{5}:{6}:{7}:{8}:{9}:{10}:{11}|{12}";

inline constexpr FreeTextRule kWindowsRule = {10, "?"};
inline constexpr FreeTextRule kDMNasRule = {11, "?"};
inline constexpr FreeTextRule kUnixRule = {9, "|"};

inline constexpr const char* kEmpty = "<empty>";
inline constexpr const char* kFiller = "<filler>";

// One token as a test reads it: "<empty>" for an empty token (no block,
// length 0), "<filler>" for a filler (a block holding "" and length 1),
// otherwise its text, which must be exactly `length` characters.  Anything
// else is shown so that a comparison fails visibly.
inline std::string Describe(const Token& token) {
    if (token.text == nullptr)
        return token.length == 0 ? kEmpty
                                 : "<no block, length " + std::to_string(token.length) + ">";
    // A block runs to the end of its last word with zeros (AddressSanitizer
    // flags a shorter block).
    for (std::size_t i = std::strlen(token.text); i < TokenBlockSize(token.length); ++i)
        if (token.text[i] != '\0')
            return "<block not cleared after its text>";
    if (token.length == 1 && token.text[0] == '\0')
        return kFiller;
    if (std::strlen(token.text) != token.length)
        return "<text \"" + std::string(token.text) + "\" with length " +
               std::to_string(token.length) + ">";
    return token.text;
}

// A cleared array of `capacity` tokens that releases its blocks when it goes.
class TokenArray {
public:
    explicit TokenArray(std::size_t capacity = 32) : tokens_(capacity, Token{nullptr, 0}) {}
    TokenArray(const TokenArray&) = delete;
    TokenArray& operator=(const TokenArray&) = delete;
    ~TokenArray() { FreeTokens(data(), static_cast<std::int32_t>(tokens_.size())); }

    // Compiles templateText (at most kMostSteps steps) and walks it over
    // input up to its NUL, which is not looked at when nothing is to be cut.
    std::int32_t Run(const char* templateText, const char* input, std::int32_t expected,
                     const FreeTextRule* rule = nullptr) {
        const auto steps = CompileTemplate<kMostSteps>(templateText);
        const std::string_view text(input, expected > 0 ? std::strlen(input) : 0);
        return Tokenize(steps.data(), text, data(), expected, rule);
    }

    static constexpr std::size_t kMostSteps = 64;

    // The first `count` entries, described.
    std::vector<std::string> Describe(std::size_t count) const {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < count && i < tokens_.size(); ++i)
            out.push_back(testing::Describe(tokens_[i]));
        return out;
    }

    Token* data() { return tokens_.data(); }
    Token& operator[](std::size_t i) { return tokens_[i]; }

private:
    std::vector<Token> tokens_;
};

// A copy of text in a heap block of exactly its size with the NUL, so that a
// read past the NUL lands outside the block (and AddressSanitizer says so).
inline std::unique_ptr<char[]> ExactCopy(const std::string& text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

// Runs Tokenize once over the template compiled into steps and an input in
// a block of exactly its characters (no NUL to stop at), and gives its
// status and the first `expected` tokens described (none when `expected` is
// not positive).
struct Outcome {
    std::int32_t status;
    std::vector<std::string> tokens;
};

inline Outcome TokenizeExact(const char* templateText, const std::string& input,
                             std::int32_t expected, const FreeTextRule* rule = nullptr) {
    if (TemplateStepCount(templateText) > TokenArray::kMostSteps)
        return {-2, {"<template has too many steps for the test>"}};
    const auto steps = CompileTemplate<TokenArray::kMostSteps>(templateText);
    TokenArray array;
    const auto text = std::make_unique<char[]>(input.size());
    std::memcpy(text.get(), input.data(), input.size());
    const std::int32_t status = Tokenize(steps.data(), std::string_view(text.get(), input.size()),
                                         array.data(), expected, rule);
    return {status, array.Describe(expected > 0 ? static_cast<std::size_t>(expected) : 0)};
}

}  // namespace stubmeta::testing

#endif
