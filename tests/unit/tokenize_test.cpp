// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The template tokenizer: the stub layouts' own templates over full and
// shortened texts, the token kinds, every result, the free-text rule and the
// release of every block, also when a block cannot be had.
#include <climits>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch/allocation_seam.h"
#include "unit/token_helpers.h"
#include "tokenize/tokenize.h"

namespace stubmeta::testing {
namespace {

using Texts = std::vector<std::string>;

struct Case {
    const char* templateText;
    const FreeTextRule* rule;
    std::int32_t expected;
    std::string input;
    std::int32_t status;
    Texts tokens;  // compared only when status is 0
};

// Every case must also leave no block behind once its array is released.
class TokenizeTest : public ::testing::Test {
protected:
    void SetUp() override { ResetAllocationCounters(); }
    void TearDown() override { EXPECT_EQ(BlocksOutstanding(), 0); }

    static void Check(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.input);
            const Outcome out = TokenizeExact(c.templateText, c.input, c.expected, c.rule);
            EXPECT_EQ(out.status, c.status);
            if (c.status == 0) {
                EXPECT_EQ(out.tokens, c.tokens);
            }
        }
    }
};

const std::string kDMNasFull = "QZSTUB:head\r\n1:2:3:4:5?/long|8|9|10|11|1|short|aux|15?tail\r\n";
const Texts kDMNasFullTokens = {"head", "1",  "2",  "3", "4",     "5",   "/long", "8",
                                "9",    "10", "11", "1", "short", "aux", "15",    "tail"};
const Texts kWindowsFullTokens = {"1", "2",  "3", "4",   "5",  "ex",         "short",
                                  "7", "-8", "1", "aux", "12", "/long/path", "99"};

TEST_F(TokenizeTest, WindowsLayoutFullAndShortened) {
    const FreeTextRule* rule = &kWindowsRule;
    Check({
        {kWindowsTemplate, rule, 14, "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99", 0,
         kWindowsFullTokens},
        {kWindowsTemplate,
         rule,
         14,
         "1:2:3:4:5:ex:short:7:-8?/dir|99",
         0,
         {"1", "2", "3", "4", "5", "ex", "short", "7", "-8", kFiller, kFiller, kFiller, "/dir",
          "99"}},
        {kWindowsTemplate, rule, 14, "1:2:3:4:5:ex:short:7?/dir|99", -1, {}},
        {kWindowsTemplate, rule, 14, "1:2:3:4:5:ex:short:7:-8?a:b|99", -1, {}},
        {kWindowsTemplate,
         rule,
         14,
         "0:0:0:0:0:::0:0:0::0?|0",
         0,
         {"0", "0", "0", "0", "0", kEmpty, kEmpty, "0", "0", "0", kEmpty, "0", kEmpty, "0"}},
        // A final token takes later separators with it.
        {kWindowsTemplate,
         rule,
         14,
         "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99|7",
         0,
         {"1", "2", "3", "4", "5", "ex", "short", "7", "-8", "1", "aux", "12", "/long/path",
          "99|7"}},
    });
}

TEST_F(TokenizeTest, CsvfsLayoutHasNoShortenedForm) {
    Check({
        {kCsvfsTemplate, nullptr, 14, "QZSTUB:1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99", 0,
         kWindowsFullTokens},
        {kCsvfsTemplate, nullptr, 14, "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99", -1, {}},
        {kCsvfsTemplate, nullptr, 14, "QZSTUB:1:2:3:4:5:ex:short:7:-8?/dir|99", -1, {}},
        // Literals compare byte for byte, and the input's end matches nothing.
        {kCsvfsTemplate,
         nullptr,
         14,
         "qzstub:1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99",
         -1,
         {}},
        {kCsvfsTemplate, nullptr, 14, "QZST", -1, {}},
    });
}

TEST_F(TokenizeTest, DMNasLayoutStopsBeforeItsBanner) {
    const FreeTextRule* rule = &kDMNasRule;
    const std::string banner =
        "******* \r\nThis file has been archived by Velmora Data Archiver. Please contact system "
        "administrator, or check if Tarkwell services are running.\r\n******* \r\n";
    Check({
        {kDMNasTemplate, rule, 16, kDMNasFull, 0, kDMNasFullTokens},
        {kDMNasTemplate, rule, 16, kDMNasFull + banner, 0, kDMNasFullTokens},
        {kDMNasTemplate, rule, 16, kDMNasFull + "an edited banner", 0, kDMNasFullTokens},
        {kDMNasTemplate,
         rule,
         16,
         "QZSTUB:head\r\n1:2:3:4:5?/p|8|9|10?tail\r\n",
         0,
         {"head", "1", "2", "3", "4", "5", "/p", "8", "9", "10", kFiller, kFiller, kFiller, kFiller,
          kFiller, "tail"}},
        {kDMNasTemplate, rule, 16, "QZSTUB:head\r\n1:2:3:4:5?/p|8|9?tail\r\n", -1, {}},
        {kDMNasTemplate, rule, 16, kDMNasFull.substr(0, kDMNasFull.size() - 2) + "\n", -1, {}},
        // The line feed after the first line's carriage return is a literal.
        {kDMNasTemplate,
         rule,
         16,
         "QZSTUB:head\r1:2:3:4:5?/long|8|9|10|11|1|short|aux|15?tail\r\n",
         -1,
         {}},
    });
}

TEST_F(TokenizeTest, UnixLayoutFullAndShortened) {
    const FreeTextRule* rule = &kUnixRule;
    const auto f = kFiller;
    Check({
        {kUnixTemplate,
         rule,
         12,
         "1:2:3:4:5:2:4:name:7:aux:4096|9",
         0,
         {"1", "2", "3", "4", "5", "2", "4", "name", "7", "aux", "4096", "9"}},
        {kUnixTemplate,
         rule,
         12,
         "1:2:3:4:5:1:4:/a/b|9",
         0,
         {"1", "2", "3", "4", "5", "1", "4", "/a/b", f, f, f, "9"}},
        {kUnixTemplate,
         rule,
         12,
         "1:2:3:4:5:2:4:name:7|9",
         0,
         {"1", "2", "3", "4", "5", "2", "4", "name", "7", f, f, "9"}},
        {kUnixTemplate,
         rule,
         12,
         "1:2:3:4:5:1:4:/a|b:7:aux:4096|9",
         0,
         {"1", "2", "3", "4", "5", "1", "4", "/a|b", "7", "aux", "4096", "9"}},
        {kUnixTemplate,
         rule,
         12,
         "1:2:3:4:5:1:4:/a:b|9",
         0,
         {"1", "2", "3", "4", "5", "1", "4", "/a", "b", f, f, "9"}},
        {kUnixTemplate,
         rule,
         12,
         "1:2:3:4:5:1:4:/a|b|9",
         0,
         {"1", "2", "3", "4", "5", "1", "4", "/a", f, f, f, "b|9"}},
        {kUnixTemplate, rule, 12, "1:2:3:4:5", -1, {}},
    });
}

TEST_F(TokenizeTest, TokenKindsAndTemplateShapes) {
    Check({
        // The characters between the braces are not read.
        {"{x}:{}-{99}", nullptr, 3, "a:b-c", 0, {"a", "b", "c"}},
        // An empty field before a separator takes no block; a final token
        // over an exhausted input holds "" in a block of its own.
        {"{1}:{2}", nullptr, 2, ":b", 0, {kEmpty, "b"}},
        {"{1}:{2}", nullptr, 2, "a:", 0, {"a", ""}},
        {"{1}", nullptr, 1, "", 0, {""}},
        {"{1}:{2}", nullptr, 2, "", -1, {}},
        // Once `expected` tokens are cut the rest of the template is not
        // compared: E ends token 2, "ND" is never matched against "XD".
        {kWindowsTemplate, &kWindowsRule, 5, "1:2:3:4:5:6:7", 0, {"1", "2", "3", "4", "5"}},
        {"{1}:{2}END", nullptr, 2, "a:bEXD", 0, {"a", "b"}},
        // A separator of several characters: the first cuts, the rest are
        // literals (here c is no line feed).
        {"{1}\r\n{2}", nullptr, 2, "ab\rc\r\nd", -1, {}},
        {"{1}\r\n{2}", nullptr, 2, "ab\r\nc\r\nd", 0, {"ab", "c\r\nd"}},
        // A "}" outside a placeholder is a literal, here a separator.
        {"{1}}{2}", nullptr, 2, "ab}cd", 0, {"ab", "cd"}},
        // Opening braces right after a placeholder are passed over: "2" is
        // the separator of token 1, and "}|" a literal before token 2.
        {"{1}{2}|{3}", nullptr, 2, "ab2}|cd", 0, {"ab", "cd"}},
        {"{1}{2}|{3}", nullptr, 2, "ab2c}|d", -1, {}},
        // Bytes compare exactly, the high ones included.
        {"{1}\xFF{2}",
         nullptr,
         2,
         "a\x7F\xFF"
         "b",
         0,
         {"a\x7F", "b"}},
    });
}

TEST_F(TokenizeTest, FreeTextRuleValues) {
    const FreeTextRule fromTwo = {2, "|"};
    const FreeTextRule fromOne = {1, "|"};
    const FreeTextRule fromZero = {0, "|"};
    const FreeTextRule fromLowest = {INT_MIN, "|"};
    const FreeTextRule emptyAtTerminator = {3, "?"};
    const FreeTextRule finalInFiller = {2, "|"};
    Check({
        {"{1}:{2}:{3}|{4}", &fromTwo, 4, "a|d", 0, {"a", kFiller, kFiller, "d"}},
        {"{1}:{2}:{3}|{4}", &fromOne, 4, "a|d", -1, {}},
        {"{1}:{2}:{3}|{4}", &fromZero, 4, "a|d", -1, {}},
        {"{1}:{2}:{3}|{4}", &fromLowest, 4, "a|d", -1, {}},
        {"{1}:{2}:{3}?{4}", &emptyAtTerminator, 4, "a:?x", 0, {"a", kEmpty, kFiller, "x"}},
        {"{1}:{2}:{3}", &finalInFiller, 3, "a|rest", 0, {"a", kFiller, "rest"}},
        // After the terminator's place the rule is over for good, whether a
        // token was cut at the terminator or not.
        {"{1}:{2}|{3}:{4}", &fromTwo, 4, "a|b|c", -1, {}},
        {"{1}:{2}|{3}:{4}", &fromTwo, 4, "a:b|c|d", -1, {}},
    });
}

TEST_F(TokenizeTest, ResultCodes) {
    TokenArray array;
    // Nothing to cut: 0 without reading the input, here a block too small to
    // hold even a NUL.
    const auto nothing = std::make_unique<char[]>(0);
    EXPECT_EQ(array.Run("x{1}", nothing.get(), 0), 0);
    EXPECT_EQ(array.Run("{1}", "a", -1), 1);
    EXPECT_EQ(array.Run("{1}", "a", INT_MIN), 1);

    // The template runs out of placeholders: every token cut is kept.
    const char* full = "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99";
    EXPECT_EQ(array.Run(kWindowsTemplate, full, 16, &kWindowsRule), 1);
    EXPECT_EQ(array.Describe(16), (Texts{"1", "2", "3", "4", "5", "ex", "short", "7", "-8", "1",
                                         "aux", "12", "/long/path", "99", kEmpty, kEmpty}));
    FreeTokens(array.data(), 16);

    // An unclosed placeholder yields no token.
    TokenArray unclosed;
    EXPECT_EQ(unclosed.Run("{1}:{2", "a:b", 2), 1);
    EXPECT_EQ(unclosed.Describe(2), (Texts{"a", kEmpty}));
    EXPECT_EQ(AllocationsAttempted(), 15u);
}

TEST_F(TokenizeTest, NeverReadsPastTheInputsNul) {
    // The separators and literals after the NUL must not be found.
    const char unixText[] = "1:2:3:4:5:1:4:/a\0|9";
    const char literal[] = "a:\0b";
    TokenArray array;
    EXPECT_EQ(array.Run(kUnixTemplate, unixText, 12, &kUnixRule), -1);
    FreeTokens(array.data(), 12);
    EXPECT_EQ(array.Run("{1}:b", literal, 1), 0);  // the walk stops after token 1
    FreeTokens(array.data(), 1);
    EXPECT_EQ(array.Run("{1}:{2}|x", literal, 2), -1);
    FreeTokens(array.data(), 2);
    EXPECT_EQ(array.Run("{1}:{2}", literal, 2), 0);
    EXPECT_EQ(array.Describe(2), (Texts{"a", ""}));
}

// The k-th allocation of a call fails, for every k the call makes: the
// result is kTokenizeNoMemory, the tokens before stay as they were, the entry being written
// keeps its length with no block, nothing is released by Tokenize itself,
// and FreeTokens afterwards releases every block taken.
TEST_F(TokenizeTest, BlockThatCannotBeHad) {
    const FreeTextRule finalInFiller = {2, "|"};
    const std::vector<Case> cases = {
        {kWindowsTemplate, &kWindowsRule, 14, "1:2:3:4:5:ex:short:7:-8?/dir|99", 0, {}},
        {kWindowsTemplate, &kWindowsRule, 14, "0:0:0:0:0:::0:0:0::0?|0", 0, {}},
        {kDMNasTemplate, &kDMNasRule, 16, "QZSTUB:head\r\n1:2:3:4:5?/p|8|9|10?tail\r\n", 0, {}},
        {kUnixTemplate, &kUnixRule, 12, "1:2:3:4:5:1:4:/a|b|9", 0, {}},
        {"{1}:{2}", nullptr, 2, "a:", 0, {}},
        {"{1}:{2}:{3}", &finalInFiller, 3, "a|rest", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const auto text = ExactCopy(c.input);
        // A clean run tells which entries take blocks, in the order taken.
        TokenArray clean;
        ResetAllocationCounters();
        ASSERT_EQ(clean.Run(c.templateText, text.get(), c.expected, c.rule), 0);
        const auto count = static_cast<std::size_t>(c.expected);
        std::vector<std::size_t> withBlock;
        for (std::size_t i = 0; i < count; ++i)
            if (clean[i].text != nullptr)
                withBlock.push_back(i);
        ASSERT_EQ(AllocationsAttempted(), withBlock.size());  // empty tokens take none
        const Texts cleanTokens = clean.Describe(count);
        FreeTokens(clean.data(), c.expected);

        for (std::size_t k = 1; k <= withBlock.size(); ++k) {
            SCOPED_TRACE("failing allocation " + std::to_string(k));
            TokenArray array;
            ResetAllocationCounters();
            FailAllocationNumber(k);
            EXPECT_EQ(array.Run(c.templateText, text.get(), c.expected, c.rule), kTokenizeNoMemory);
            EXPECT_EQ(BlocksOutstanding(), static_cast<std::int64_t>(k - 1));
            const std::size_t failed = withBlock[k - 1];
            const Texts before(cleanTokens.begin(),
                               cleanTokens.begin() + static_cast<std::ptrdiff_t>(failed));
            EXPECT_EQ(array.Describe(failed), before);
            EXPECT_EQ(array[failed].text, nullptr);
            EXPECT_EQ(array[failed].length, clean[failed].length);
            FreeTokens(array.data(), c.expected);
            EXPECT_EQ(BlocksOutstanding(), 0);
        }
        FailAllocationNumber(0);
    }
}

TEST_F(TokenizeTest, FreeTokensReleasesOnceAndKeepsLengths) {
    TokenArray array;
    ASSERT_EQ(array.Run(kWindowsTemplate, "0:0:0:0:0:::0:0:0::0?|0", 14, &kWindowsRule), 0);
    EXPECT_EQ(BlocksOutstanding(), 10);
    EXPECT_EQ(FreeTokens(array.data(), 0), 0);
    EXPECT_EQ(FreeTokens(array.data(), -3), 0);
    EXPECT_EQ(BlocksOutstanding(), 10);
    EXPECT_EQ(FreeTokens(array.data(), 6), 0);  // entries 1 to 5 have blocks, 6 none
    EXPECT_EQ(BlocksOutstanding(), 5);
    EXPECT_EQ(FreeTokens(array.data(), 14), 0);
    EXPECT_EQ(BlocksOutstanding(), 0);
    EXPECT_EQ(FreeTokens(array.data(), 14), 0);  // nothing left to release
    EXPECT_EQ(BlocksOutstanding(), 0);
    for (std::size_t i = 0; i < 14; ++i) {
        EXPECT_EQ(array[i].text, nullptr);
        EXPECT_EQ(array[i].length, (i == 5 || i == 6 || i == 10 || i == 12) ? 0u : 1u) << i;
    }
}

TEST_F(TokenizeTest, ArrayIsFitForReuseAfterFreeTokens) {
    TokenArray array;
    ASSERT_EQ(array.Run(kWindowsTemplate, "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99", 14,
                        &kWindowsRule),
              0);
    FreeTokens(array.data(), 14);
    // Empty and filler tokens now land where longer tokens were: each must
    // rewrite its length.
    ASSERT_EQ(array.Run(kWindowsTemplate, "0:0:0:0:0:::0:0?|0", 14, &kWindowsRule), 0);
    EXPECT_EQ(array.Describe(14), (Texts{"0", "0", "0", "0", "0", kEmpty, kEmpty, "0", "0", kFiller,
                                         kFiller, kFiller, kEmpty, "0"}));
}

}  // namespace
}  // namespace stubmeta::testing
