// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The envelope reader and writer on arbitrary bytes and capacities.
//
// Input: one byte of switches (bit 0 hands the reader a buffer, bits 1 and
// 2 hand it totalOut and valueOut), four bytes of capacity (little-endian),
// eight bytes of value, then the envelope bytes.  The reader must stay
// inside the envelope, write its outputs only as documented and agree with
// itself with and without a buffer; the writer must respect its capacity
// and wrap a text that the reader gives back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "stubmeta.h"

namespace {

using namespace stubmeta::fuzz;

constexpr std::int32_t kUnsetTotal = -12345;
constexpr std::uint64_t kUnsetValue = 0x0123456789ABCDEFull;
constexpr StubType kUnsetOrder = 0xEEu;

std::size_t BigEndianAt(const char* p, std::size_t offset, int bytes) {
    std::size_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | static_cast<unsigned char>(p[offset + static_cast<std::size_t>(i)]);
    return v;
}

struct ReadResult {
    std::int32_t status;
    StubType order;
};

// One reader call with the outputs the switches ask for.
ReadResult CheckedRead(const char* input, std::uint8_t switches, std::int32_t capacity) {
    const bool withBuffer = (switches & 1u) != 0;
    const bool withTotal = (switches & 2u) != 0;
    const bool withValue = (switches & 4u) != 0;
    std::vector<char> buffer = PatternBuffer(capacity);
    std::int32_t total = kUnsetTotal;
    std::uint64_t value = kUnsetValue;
    StubType order = kUnsetOrder;

    const std::int32_t status =
        tkhsm_stub2meta(input, withTotal ? &total : nullptr, withValue ? &value : nullptr,
                        withBuffer ? buffer.data() : nullptr, capacity, &order);
    Require(status == 0 || status == -1, "the reader answers 0 or -1");
    Require(order == kUnsetOrder || order == STUB_TYPE_UNIX_BIGENDIAN ||
                order == STUB_TYPE_UNIX_LITTLEENDIAN,
            "the reader reports byte order 6 or 7 or nothing");
    if (status != 0) {
        Require(value == kUnsetValue, "a failed read leaves valueOut alone");
        Require(Untouched(buffer), "a failed read leaves the buffer alone");
        Require(total == kUnsetTotal || static_cast<std::size_t>(total) == BigEndianAt(input, 9, 2),
                "a failed read reports nothing but the envelope's length");
        return {status, order};
    }

    const std::size_t envelopeSize = BigEndianAt(input, 9, 2);
    const std::size_t textLength = BigEndianAt(input, 19, 2);
    Require(order != kUnsetOrder, "a successful read reports the byte order");
    Require(textLength != 0 && textLength + STUBMETA_ENVELOPE_OVERHEAD == envelopeSize,
            "a read envelope's lengths agree");
    if (withTotal)
        Require(static_cast<std::size_t>(total) == envelopeSize, "totalOut is the envelope size");
    if (withValue)
        Require(value == BigEndianAt(input, 11, 8), "valueOut is the envelope's value");
    if (withBuffer) {
        Require(capacity > 0 && static_cast<std::size_t>(capacity) > textLength,
                "the text and its NUL fit the buffer");
        Require(std::memcmp(buffer.data(), input + 21, textLength) == 0 &&
                    buffer[textLength] == '\0',
                "the buffer receives the envelope's text and its NUL");
    }
    return {status, order};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ParameterReader reader(data, size);
    const std::uint8_t switches = reader.byte();
    const std::int32_t capacity = CapacityFrom(reader);
    const std::uint64_t value = reader.unsigned64(8);
    const std::vector<char> padded = PaddedCopy(reader.rest(), reader.restSize());
    const char* input = padded.data();

    const ReadResult asked = CheckedRead(input, switches, capacity);
    // Verification does not depend on the buffer: without one, or with one
    // large enough for any envelope, the answer is the same.
    const ReadResult verified = CheckedRead(input, switches & 6u, 0);
    const ReadResult roomy = CheckedRead(input, switches | 1u, 65536);
    Require(verified.status == roomy.status && verified.order == roomy.order,
            "a read verifies the same with and without a buffer");
    if (asked.status == 0)
        Require(verified.status == 0 && verified.order == asked.order,
                "a read that succeeds with a buffer succeeds without one");

    // The writer, on the rest of the input as a text.
    const std::vector<char> text = ExactText(reader.rest(), reader.restSize());
    const std::size_t textLength = text.size() - 1;
    std::vector<char> envelope = PatternBuffer(capacity);
    const std::int32_t written = tkhsm_meta2stub(text.data(), value, envelope.data(), capacity);
    if (written < 0) {
        Require(written == -1 && Untouched(envelope), "a refused wrap leaves the buffer alone");
        Require(capacity < 0 ||
                    static_cast<std::size_t>(capacity) < textLength + STUBMETA_ENVELOPE_OVERHEAD,
                "a wrap that fits is not refused");
        return 0;
    }
    Require(static_cast<std::size_t>(written) == textLength + STUBMETA_ENVELOPE_OVERHEAD,
            "a wrap is the text and the envelope's overhead");
    Require(written <= capacity, "a wrap stays within its capacity");

    // Read the wrap back: the same text, value and size, in this machine's order.
    std::vector<char> unwrapped(textLength + 1, '\x5A');
    std::int32_t total = 0;
    std::uint64_t carried = 0;
    StubType order = 0;
    const std::int32_t status =
        tkhsm_stub2meta(envelope.data(), &total, &carried, unwrapped.data(),
                        static_cast<std::int32_t>(unwrapped.size()), &order);
    const StubType expectedOrder =
        ExpectedByteOrder(envelope.data(), static_cast<std::size_t>(written));
    if (textLength == 0) {
        Require(status == -1 && order == expectedOrder,
                "an empty text's wrap is refused after its checksum");
        return 0;
    }
    Require(status == 0 && total == written && carried == value && order == expectedOrder &&
                std::memcmp(unwrapped.data(), text.data(), text.size()) == 0,
            "a wrap reads back as written");
    return 0;
}
