// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Inputs that fuzzing found to misbehave, kept so that they stay fixed.  The
// faults here were undefined behaviour that a plain build does not show: the
// sanitizer build (.ci/steps/10-sanitizers.sh) catches them if they return.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "stubmeta.h"

namespace {

// The Windows-local and Celerra writers render their text with an empty
// prefix; copying an empty text must not hand memcpy a null source.
TEST(FuzzFindings, WindowsWritersOfAnEmptyRecord) {
    ReparseData record;
    std::memset(&record, 0, sizeof record);
    char buffer[256];
    for (const StubType type : {STUB_TYPE_WINDOWS_LOCAL, STUB_TYPE_WINDOWS_CELERRA}) {
        ASSERT_EQ(GenerateReparseData(&record, type, buffer, sizeof buffer), 23) << type;
        EXPECT_EQ(std::string(buffer), "0:0:0:0:0:::0:0:0::0?|0") << type;
    }
}

}  // namespace
