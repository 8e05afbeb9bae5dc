// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The record crosses the library boundary: callers compile against its
// field order and widths, so none of them may move.
#include <cstddef>

#include <gtest/gtest.h>

#include "stubmeta.h"

namespace {

TEST(RecordLayout, SizeAndOffsetsAreFixed) {
    EXPECT_EQ(sizeof(CommonFields), 40u);
    EXPECT_EQ(offsetof(CommonFields, common1), 0u);
    EXPECT_EQ(offsetof(CommonFields, common2), 8u);
    EXPECT_EQ(offsetof(CommonFields, common3), 16u);
    EXPECT_EQ(offsetof(CommonFields, common4), 24u);
    EXPECT_EQ(offsetof(CommonFields, common5), 32u);

    EXPECT_EQ(offsetof(ReparseData, stubType), 0u);
    EXPECT_EQ(offsetof(ReparseData, common), 8u);
    EXPECT_EQ(offsetof(ReparseData, shortText), 48u);
    EXPECT_EQ(offsetof(ReparseData, number1), 120u);
    EXPECT_EQ(offsetof(ReparseData, auxText), 128u);
    EXPECT_EQ(offsetof(ReparseData, number2), 200u);
    EXPECT_EQ(offsetof(ReparseData, unixTextKind), 208u);
    EXPECT_EQ(offsetof(ReparseData, number3), 216u);
    EXPECT_EQ(offsetof(ReparseData, extraText), 224u);
    EXPECT_EQ(offsetof(ReparseData, signedNumber), 296u);
    EXPECT_EQ(offsetof(ReparseData, flag), 304u);
    EXPECT_EQ(offsetof(ReparseData, longText), 308u);
    EXPECT_EQ(offsetof(ReparseData, number4), 1332u);
    EXPECT_EQ(offsetof(ReparseData, number5), 1336u);
    EXPECT_EQ(offsetof(ReparseData, tailText), 1344u);
    EXPECT_EQ(offsetof(ReparseData, headText), 1409u);
    EXPECT_EQ(sizeof(ReparseData), 1488u);
}

TEST(RecordLayout, TextWidths) {
    ReparseData r{};
    EXPECT_EQ(sizeof r.shortText, 72u);
    EXPECT_EQ(sizeof r.auxText, 72u);
    EXPECT_EQ(sizeof r.extraText, 72u);
    EXPECT_EQ(sizeof r.longText, 1024u);
    EXPECT_EQ(sizeof r.tailText, 65u);
    EXPECT_EQ(sizeof r.headText, 72u);
}

}  // namespace
