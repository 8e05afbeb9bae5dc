// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Stub type names and their bounded copy into the caller's area.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "stubmeta.h"

namespace {

constexpr std::size_t kArea = 40;
constexpr char kUntouched = '#';

// The caller's area, pre-filled so that every byte written shows.
std::array<char, kArea> NameInto(StubType type, std::uint64_t capacity) {
    std::array<char, kArea> area{};
    area.fill(kUntouched);
    StubTypeAsString(type, area.data(), capacity);
    return area;
}

std::string Name(StubType type) { return NameInto(type, kArea).data(); }

TEST(StubTypeNames, EveryType) {
    EXPECT_EQ(Name(0), "Invalid");
    EXPECT_EQ(Name(1), "WINDOWS_LOCAL");
    EXPECT_EQ(Name(2), "WINDOWS_LOCAL_CSVFS");
    EXPECT_EQ(Name(3), "WINDOWS_CELERRA");
    EXPECT_EQ(Name(4), "WINDOWS_DMNAS");
    EXPECT_EQ(Name(5), "WINDOWS_DMNAS");
    EXPECT_EQ(Name(6), "UNIX_BIGENDIAN");
    EXPECT_EQ(Name(7), "UNIX_LITTLEENDIAN");
    for (const StubType large : {8u, 9u, 255u, 256u, 0x80000000u, 0xFFFFFFFFu})
        EXPECT_EQ(Name(large), "Invalid") << large;
}

TEST(StubTypeNames, BoundedCopy) {
    // Seven bytes of "WINDOWS_LOCAL": no terminator, nothing after touched.
    const auto seven = NameInto(1, 7);
    EXPECT_EQ(std::string(seven.data(), 8), std::string("WINDOWS") + kUntouched);
    // Exactly the name's length: still no terminator.
    const auto exact = NameInto(1, 13);
    EXPECT_EQ(std::string(exact.data(), 14), std::string("WINDOWS_LOCAL") + kUntouched);
    // Room to spare: NULs up to the capacity, nothing beyond.
    const auto spare = NameInto(0, 20);
    EXPECT_EQ(std::string(spare.data(), 21),
              std::string("Invalid") + std::string(13, '\0') + kUntouched);
    // Capacity 0 and a null destination do nothing.
    const auto none = NameInto(1, 0);
    EXPECT_EQ(std::string(none.data(), kArea), std::string(kArea, kUntouched));
    StubTypeAsString(1, nullptr, 16);
}

// strncpy itself is the reference for every type and every capacity.
TEST(StubTypeNames, MatchesStrncpyForEveryCapacity) {
    for (StubType type = 0; type <= 9; ++type) {
        const std::string name = Name(type);
        for (std::uint64_t capacity = 1; capacity < kArea; ++capacity) {
            std::array<char, kArea> expected{};
            expected.fill(kUntouched);
            std::strncpy(expected.data(), name.c_str(), static_cast<std::size_t>(capacity));
            EXPECT_EQ(NameInto(type, capacity), expected)
                << "type " << type << " capacity " << capacity;
        }
    }
}

}  // namespace
