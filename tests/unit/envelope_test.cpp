// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The binary envelope around Unix stub text: wrapping, verifying and
// unwrapping, and the byte order learnt from the checksum.
#include <bit>
#include <cstdint>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "record_helpers.h"
#include "stubmeta.h"

namespace {

using namespace stubmeta_test;

// "1:2:3:4:5" wrapped with the value 4096, checksum 0xABA8F11B.
const std::vector<unsigned char> kHeaderAndText = {
    0x51, 0x53, 0x54, 0x55, 0x42, 0x0A, 0x0E, 0xAF,  // magic
    0x01,                                            // version
    0x00, 0x23,                                      // totalLength 35
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,  // value 4096
    0x00, 0x09,                                      // textLength 9
    0x31, 0x3A, 0x32, 0x3A, 0x33, 0x3A, 0x34, 0x3A, 0x35, 0x00};
constexpr std::uint32_t kChecksum = 0xABA8F11Bu;

std::vector<char> ExampleWithChecksum(bool bigEndian) {
    std::vector<char> bytes(kHeaderAndText.begin(), kHeaderAndText.end());
    const unsigned char big[4] = {0xAB, 0xA8, 0xF1, 0x1B};
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>(big[bigEndian ? i : 3 - i]));
    return bytes;
}

std::vector<char> NativeExample() {
    return ExampleWithChecksum(std::endian::native == std::endian::big);
}

// Reading an envelope with every output observed, each preset to a marker.
struct ReadBack {
    std::int32_t status = 0;
    std::int32_t total = -99;
    std::uint64_t value = 0xDEADull;
    StubType order = 0xEEu;
    std::vector<char> buffer = std::vector<char>(64, '#');
};

ReadBack Read(const char* input, std::int32_t capacity, bool withBuffer = true) {
    ReadBack r;
    r.status = tkhsm_stub2meta(input, &r.total, &r.value, withBuffer ? r.buffer.data() : nullptr,
                               capacity, &r.order);
    return r;
}

// An envelope whose fields may disagree, with a correct little-endian
// checksum over its first total - 4 bytes, in a block of exactly `total`
// bytes.
std::unique_ptr<char[]> Forged(std::uint16_t total, std::uint16_t textLength,
                               const std::string& body) {
    std::vector<char> bytes(kHeaderAndText.begin(), kHeaderAndText.begin() + 21);
    bytes[9] = static_cast<char>(total >> 8);
    bytes[10] = static_cast<char>(total & 0xFF);
    bytes[19] = static_cast<char>(textLength >> 8);
    bytes[20] = static_cast<char>(textLength & 0xFF);
    bytes.insert(bytes.end(), body.begin(), body.end());
    bytes.resize(static_cast<std::size_t>(total) - 4, '\0');
    std::uint32_t crc = 0xFFFFFFFFu;
    tw_crc32(bytes.data(), bytes.size(), &crc);
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
    return ExactCopy(bytes);
}

TEST(Envelope, WorkedExampleByteForByte) {
    std::vector<char> buffer(35, '#');
    ASSERT_EQ(tkhsm_meta2stub("1:2:3:4:5", 4096, buffer.data(), 35), 35);
    EXPECT_EQ(buffer, NativeExample());

    std::uint32_t stored = 0;
    std::memcpy(&stored, buffer.data() + 31, 4);
    EXPECT_EQ(stored, kChecksum);  // in this machine's own byte order

    // The checksum is the complement of the standard CRC-32 of bytes 0 to 30.
    std::uint32_t crc = 0xFFFFFFFFu;
    tw_crc32(kHeaderAndText.data(), kHeaderAndText.size(), &crc);
    EXPECT_EQ(crc, kChecksum);
    EXPECT_EQ(~crc, 0x54570EE4u);
}

TEST(Envelope, WriterNeedsTheWholeEnvelopeOfCapacity) {
    std::vector<char> buffer(40, '#');
    EXPECT_EQ(tkhsm_meta2stub("1:2:3:4:5", 4096, buffer.data(), 34), -1);
    EXPECT_EQ(tkhsm_meta2stub("1:2:3:4:5", 4096, buffer.data(), 0), -1);
    EXPECT_EQ(tkhsm_meta2stub("1:2:3:4:5", 4096, buffer.data(), -1), -1);
    EXPECT_EQ(tkhsm_meta2stub("1:2:3:4:5", 4096, buffer.data(), INT32_MIN), -1);
    EXPECT_EQ(buffer, std::vector<char>(40, '#'));
    EXPECT_EQ(tkhsm_meta2stub("1:2:3:4:5", 4096, buffer.data(), 40), 35);
    EXPECT_EQ(buffer[35], '#');
}

TEST(Envelope, WriterRefusesTextsBeyondTheLengthField) {
    const std::string most(65509, 't');
    std::vector<char> buffer(65536, '#');
    EXPECT_EQ(tkhsm_meta2stub(most.c_str(), 1, buffer.data(), 65536), 65535);
    ReadBack back = Read(buffer.data(), 0, false);
    EXPECT_EQ(back.status, 0);
    EXPECT_EQ(back.total, 65535);

    std::fill(buffer.begin(), buffer.end(), '#');
    const std::string tooLong(65510, 't');
    EXPECT_EQ(tkhsm_meta2stub(tooLong.c_str(), 1, buffer.data(), 65536), -1);
    EXPECT_EQ(buffer, std::vector<char>(65536, '#'));
}

TEST(Envelope, ReadsBackTheExampleInEitherByteOrder) {
    for (bool bigEndian : {true, false}) {
        SCOPED_TRACE(bigEndian);
        const auto input = ExactCopy(ExampleWithChecksum(bigEndian));
        const ReadBack r = Read(input.get(), 10);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(std::string(r.buffer.data(), 10), std::string("1:2:3:4:5\0", 10));
        EXPECT_EQ(r.buffer[10], '#');
        EXPECT_EQ(r.total, 35);
        EXPECT_EQ(r.value, 4096u);
        EXPECT_EQ(r.order, bigEndian ? STUB_TYPE_UNIX_BIGENDIAN : STUB_TYPE_UNIX_LITTLEENDIAN);

        // No buffer: verified and reported in full, capacity ignored.
        for (std::int32_t capacity : {0, -1, 5}) {
            const ReadBack nothing = Read(input.get(), capacity, false);
            EXPECT_EQ(nothing.status, 0);
            EXPECT_EQ(nothing.total, 35);
            EXPECT_EQ(nothing.value, 4096u);
            EXPECT_EQ(nothing.order, r.order);
        }
    }
}

// A buffer too small for the text fails before the checksum, reporting
// only the size it would take.
TEST(Envelope, TooSmallBufferIsASizeQuery) {
    const auto input = ExactCopy(NativeExample());
    for (std::int32_t capacity : {9, 0, -1, INT32_MIN}) {
        SCOPED_TRACE(capacity);
        const ReadBack r = Read(input.get(), capacity);
        EXPECT_EQ(r.status, -1);
        EXPECT_EQ(r.total, 35);
        EXPECT_EQ(r.value, 0xDEADull);
        EXPECT_EQ(r.order, 0xEEu);
        EXPECT_EQ(r.buffer, std::vector<char>(64, '#'));
    }
}

TEST(Envelope, EverySingleByteCorruptionIsRejected) {
    const std::vector<char> good = NativeExample();
    // Room behind the envelope for whatever extent a damaged length field
    // claims: the reader trusts that field for where the checksum lies.
    std::vector<char> input(65536, '\0');
    for (std::size_t offset = 0; offset < good.size(); ++offset) {
        for (int change : {0x01, 0x80, 0xFF, 0x3A}) {
            std::copy(good.begin(), good.end(), input.begin());
            input[offset] = static_cast<char>(input[offset] ^ change);
            const ReadBack r = Read(input.data(), 64);
            EXPECT_EQ(r.status, -1) << "offset " << offset << " xor " << change;
            EXPECT_EQ(r.order, 0xEEu) << "offset " << offset << " xor " << change;
            EXPECT_EQ(r.value, 0xDEADull);
            EXPECT_EQ(r.buffer, std::vector<char>(64, '#'));
        }
    }
}

TEST(Envelope, HeaderChecksFailBeforeTheChecksum) {
    std::vector<char> shortLength = NativeExample();
    shortLength[10] = 25;
    const ReadBack r = Read(shortLength.data(), 64);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.order, 0xEEu);
    EXPECT_EQ(r.total, -99);

    std::vector<char> zeroFirst = NativeExample();
    zeroFirst[0] = '\0';
    EXPECT_EQ(Read(zeroFirst.data(), 64).status, -1);

    StubType order = 0;
    EXPECT_EQ(tkhsm_stub2meta(nullptr, nullptr, nullptr, nullptr, 0, &order), -1);
    EXPECT_EQ(order, 0u);
}

TEST(Envelope, EmptyTextWrapsButDoesNotReadBack) {
    std::vector<char> bytes(26, '#');
    ASSERT_EQ(tkhsm_meta2stub("", 7, bytes.data(), 26), 26);
    EXPECT_EQ(bytes[10], 26);
    EXPECT_EQ(bytes[19], 0);
    EXPECT_EQ(bytes[20], 0);
    EXPECT_EQ(bytes[21], 0);

    const auto input = ExactCopy(bytes);
    const ReadBack r = Read(input.get(), 64);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.order, kNativeUnixType);  // set once the checksum matched
    EXPECT_EQ(r.value, 0xDEADull);
    EXPECT_EQ(r.buffer, std::vector<char>(64, '#'));
}

// Lengths that disagree, or a text not followed by its zero byte, are
// refused after the checksum has matched, and nothing beyond the
// envelope's own extent is read (each input is an exactly sized block).
TEST(Envelope, InconsistentLengthsAreRefusedWithinTheEnvelope) {
    struct Case {
        const char* what;
        std::uint16_t total;
        std::uint16_t textLength;
        std::string body;
    };
    const Case cases[] = {
        {"one spare byte after the terminator", 36, 9, std::string("1:2:3:4:5\0\0", 11)},
        {"text length one short", 35, 8, std::string("1:2:3:4:5\0", 10)},
        {"text length past the envelope", 35, 1000, std::string("1:2:3:4:5\0", 10)},
        {"text length beyond any envelope", 35, 0xFFFF, std::string("1:2:3:4:5\0", 10)},
        {"no zero byte after the text", 35, 9, "1:2:3:4:5X"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto input = Forged(c.total, c.textLength, c.body);
        const ReadBack r = Read(input.get(), 64);
        EXPECT_EQ(r.status, -1);
        EXPECT_EQ(r.order, STUB_TYPE_UNIX_LITTLEENDIAN);
        EXPECT_EQ(r.value, 0xDEADull);
        EXPECT_EQ(r.buffer, std::vector<char>(64, '#'));
        EXPECT_EQ(Read(input.get(), 0, false).status, -1);
    }

    // The forging itself is sound: consistent fields read back.
    const auto consistent = Forged(35, 9, std::string("1:2:3:4:5\0", 10));
    EXPECT_EQ(Read(consistent.get(), 10).status, 0);
}

TEST(Envelope, ReadsAtMostTheMagicOfAShorterText) {
    for (const char* text : {"Q", "QSTU", "QSTUB\n\x0E", "not an envelope"}) {
        const auto exact = ExactCopy(std::vector<char>(text, text + std::strlen(text) + 1));
        EXPECT_EQ(Read(exact.get(), 64).status, -1) << text;
    }
}

}  // namespace
