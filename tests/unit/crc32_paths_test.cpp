// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Every CRC-32 path against the byte-at-a-time table: all lengths up to
// 4096 at every alignment, random starting values, and runs split in two.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "envelope/crc32_arm.h"
#include "envelope/crc32_fold.h"
#include "envelope/crc32_slice16.h"
#include "envelope/crc32_table.h"
#include "stubmeta.h"

namespace {

using Crc32Path = std::uint32_t (*)(std::uint32_t, const unsigned char*, std::size_t);

std::uint32_t ThroughEntryPoint(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    tw_crc32(data, length, &crc);
    return crc;
}

struct NamedPath {
    const char* name;
    Crc32Path path;
};

std::vector<NamedPath> PathsOnThisMachine() {
    std::vector<NamedPath> paths{{"slice-by-16", stubmeta::Crc32SliceBy16},
                                 {"tw_crc32", ThroughEntryPoint}};
    if (stubmeta::Crc32FoldSupported())
        paths.push_back({"folding", stubmeta::Crc32Fold});
    if (stubmeta::Crc32FoldWideSupported())
        paths.push_back({"wide folding", stubmeta::Crc32FoldWide});
    if (stubmeta::Crc32ArmSupported())
        paths.push_back({"armv8-crc32", stubmeta::Crc32Arm});
    return paths;
}

// A run that is there to prove a processor-specific path names it in
// STUBMETA_REQUIRE_CRC32_PATH, so that a build or a processor that silently
// lost the path fails instead of comparing the portable paths only.
TEST(Crc32Paths, RequiredPathRunsHere) {
    const char* required = std::getenv("STUBMETA_REQUIRE_CRC32_PATH");
    if (required == nullptr || *required == '\0')
        GTEST_SKIP() << "no path required";
    const std::vector<NamedPath> paths = PathsOnThisMachine();
    EXPECT_TRUE(
        std::any_of(paths.begin(), paths.end(),
                    [&](const NamedPath& p) { return std::string_view(p.name) == required; }))
        << required << " is not among this machine's paths";
}

constexpr std::size_t kMaxLength = 4096;
constexpr std::size_t kAlignments = 16;

std::vector<unsigned char> RandomBytes(std::size_t count, std::mt19937& random) {
    std::vector<unsigned char> bytes(count);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(random());
    return bytes;
}

TEST(Crc32Paths, EqualTheBytewiseTableAtEveryLengthAndAlignment) {
    std::mt19937 random(20240601);
    // 64-byte alignment of the buffer, so offset k really is k bytes past
    // a 16-byte boundary.
    std::vector<unsigned char> storage = RandomBytes(kMaxLength + kAlignments + 64, random);
    auto* aligned = storage.data() + (64 - reinterpret_cast<std::uintptr_t>(storage.data()) % 64);
    for (const NamedPath& p : PathsOnThisMachine()) {
        for (std::size_t offset = 0; offset < kAlignments; ++offset) {
            const unsigned char* data = aligned + offset;
            for (std::size_t length = 0; length <= kMaxLength; ++length) {
                const auto start = static_cast<std::uint32_t>(random());
                const std::uint32_t expected = stubmeta::Crc32Bytewise(start, data, length);
                ASSERT_EQ(p.path(start, data, length), expected)
                    << p.name << ", length " << length << ", offset " << offset << ", start "
                    << start;
            }
        }
    }
}

TEST(Crc32Paths, SplitRunsChainToTheValueOfOneRun) {
    std::mt19937 random(7);
    const std::vector<unsigned char> bytes = RandomBytes(kMaxLength, random);
    for (const NamedPath& p : PathsOnThisMachine()) {
        for (std::size_t length = 0; length <= kMaxLength; length += 1 + length / 8) {
            const auto start = static_cast<std::uint32_t>(random());
            const std::uint32_t whole = stubmeta::Crc32Bytewise(start, bytes.data(), length);
            for (int trial = 0; trial < 8; ++trial) {
                const std::size_t split = length == 0 ? 0 : random() % (length + 1);
                const std::uint32_t first = p.path(start, bytes.data(), split);
                ASSERT_EQ(p.path(first, bytes.data() + split, length - split), whole)
                    << p.name << ", length " << length << ", split at " << split;
            }
        }
    }
}

TEST(Crc32Paths, KnownValuesAndEmptyRuns) {
    const unsigned char digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    // Long runs of one byte value reach the folding loop and its constants
    // with a pattern a table mistake would not cancel out of.
    const std::vector<unsigned char> ones(100000, 0xFF);
    const std::vector<unsigned char> zeros(100000, 0x00);
    for (const NamedPath& p : PathsOnThisMachine()) {
        EXPECT_EQ(p.path(0xFFFFFFFFu, digits, sizeof digits), 0x340BC6D9u) << p.name;
        EXPECT_EQ(p.path(0xFFFFFFFFu, digits, 0), 0xFFFFFFFFu) << p.name;
        EXPECT_EQ(p.path(0u, nullptr, 0), 0u) << p.name;
        EXPECT_EQ(p.path(0x12345678u, ones.data(), ones.size()),
                  stubmeta::Crc32Bytewise(0x12345678u, ones.data(), ones.size()))
            << p.name;
        EXPECT_EQ(p.path(0xFFFFFFFFu, zeros.data(), zeros.size()),
                  stubmeta::Crc32Bytewise(0xFFFFFFFFu, zeros.data(), zeros.size()))
            << p.name;
    }
}

}  // namespace
