// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The CRC-32 step and the 64-bit network byte order conversions.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "envelope/byte_order.h"
#include "stubmeta.h"

namespace stubmeta {
namespace {

// The reflected CRC-32 one bit at a time, with no preset or inversion.
std::uint32_t BitwiseCrc32(std::uint32_t c, const std::vector<unsigned char>& bytes) {
    for (const unsigned char b : bytes) {
        c ^= b;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1u) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return c;
}

std::uint32_t Crc(std::uint32_t start, const void* data, std::uint64_t length) {
    std::uint32_t crc = start;
    tw_crc32(data, length, &crc);
    return crc;
}

std::vector<unsigned char> RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::vector<unsigned char> bytes(count);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(generator() & 0xFFu);
    return bytes;
}

TEST(Crc32, CheckValueAndEmptyRun) {
    EXPECT_EQ(Crc(0xFFFFFFFFu, "123456789", 9), 0x340BC6D9u);
    for (const std::uint32_t start : {0u, 1u, 0x12345678u, 0xFFFFFFFFu})
        EXPECT_EQ(Crc(start, "ignored", 0), start);
}

// From 0 a single byte n gives table entry n, so this reads the whole table
// through the exported step.
TEST(Crc32, TableIsTheStandardReflectedTable) {
    const auto one = [](unsigned char n) { return Crc(0, &n, 1); };
    EXPECT_EQ(one(0), 0u);
    EXPECT_EQ(one(1), 0x77073096u);
    EXPECT_EQ(one(255), 0x2D02EF8Du);
    for (unsigned n = 0; n < 256; ++n)
        EXPECT_EQ(one(static_cast<unsigned char>(n)),
                  BitwiseCrc32(0, {static_cast<unsigned char>(n)}))
            << n;
}

// Long enough for several rounds of every wide block size, so that each
// length and each split meets every way of handling a tail.
TEST(Crc32, AgreesWithBitwiseReferenceAtEveryLength) {
    const std::vector<unsigned char> bytes = RandomBytes(1100, 2024);
    // An exactly sized block: reading past `length` would leave it.
    auto block = std::make_unique<unsigned char[]>(bytes.size());
    std::memcpy(block.get(), bytes.data(), bytes.size());
    for (const std::uint32_t start : {0u, 0xFFFFFFFFu, 0xDEADBEEFu}) {
        std::uint32_t reference = start;
        for (std::size_t length = 0; length <= bytes.size(); ++length) {
            ASSERT_EQ(Crc(start, block.get(), length), reference) << "length " << length;
            if (length < bytes.size())
                reference = BitwiseCrc32(reference, {bytes[length]});
        }
        // The same run from every starting offset, aligned or not.
        for (std::size_t offset = 1; offset < 80; ++offset) {
            const std::vector<unsigned char> rest(
                bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end());
            ASSERT_EQ(Crc(start, block.get() + offset, rest.size()), BitwiseCrc32(start, rest))
                << "offset " << offset;
        }
    }
}

TEST(Crc32, ChainsAtEverySplit) {
    const std::vector<unsigned char> bytes = RandomBytes(1100, 7);
    const std::uint32_t whole = Crc(0xFFFFFFFFu, bytes.data(), bytes.size());
    for (std::size_t split = 0; split <= bytes.size(); ++split) {
        std::uint32_t crc = 0xFFFFFFFFu;
        tw_crc32(bytes.data(), split, &crc);
        tw_crc32(bytes.data() + split, bytes.size() - split, &crc);
        ASSERT_EQ(crc, whole) << "split at " << split;
    }
}

TEST(ByteOrder, SwapsOnLittleEndianHosts) {
    const std::uint64_t swapped =
        std::endian::native == std::endian::little ? 0x0807060504030201ull : 0x0102030405060708ull;
    EXPECT_EQ(tkhsm_ntohll(0x0102030405060708ull), swapped);
    EXPECT_EQ(tkhsm_htonll(0x0102030405060708ull), swapped);
}

TEST(ByteOrder, NetworkOrderPutsTheMostSignificantByteFirst) {
    const std::uint64_t stored = tkhsm_htonll(4096);
    std::array<unsigned char, 8> bytes{};
    std::memcpy(bytes.data(), &stored, sizeof stored);
    EXPECT_EQ(bytes, (std::array<unsigned char, 8>{0, 0, 0, 0, 0, 0, 0x10, 0}));

    const std::array<unsigned char, 8> wire = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    std::uint64_t loaded = 0;
    std::memcpy(&loaded, wire.data(), sizeof loaded);
    EXPECT_EQ(tkhsm_ntohll(loaded), 0x0102030405060708ull);
}

TEST(ByteOrder, RoundTrips) {
    std::mt19937_64 generator(7);
    std::vector<std::uint64_t> values = {
        0, 1, 0xFF, 0x8000000000000000ull, ~0ull, 0x51535455420A0EAFull};
    for (int i = 0; i < 1000; ++i)
        values.push_back(generator());
    for (const std::uint64_t v : values) {
        EXPECT_EQ(tkhsm_ntohll(tkhsm_htonll(v)), v);
        EXPECT_EQ(tkhsm_htonll(tkhsm_ntohll(v)), v);
    }
}

}  // namespace
}  // namespace stubmeta
