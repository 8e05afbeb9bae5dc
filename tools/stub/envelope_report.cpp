// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "stub/envelope_report.h"

#include <algorithm>
#include <array>
#include <string>

#include "support/hex_text.h"

namespace stubmeta_cli {
namespace {

std::string hex_bytes(const char* bytes, std::size_t count) {
    std::string result;
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0)
            result += ' ';
        append_hex(result, static_cast<unsigned char>(bytes[i]), 2);
    }
    return result;
}

std::string describe_size(std::size_t bytes) {
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

}  // namespace

std::string byte_order_name(StubType order) {
    return order == STUB_TYPE_UNIX_BIGENDIAN ? "big-endian" : "little-endian";
}

std::string hex32(std::uint32_t value) {
    std::string text = "0x";
    append_hex(text, value, 8);
    return text;
}

bool has_envelope_magic(const StubBytes& stub) { return stub.view().starts_with(kEnvelopeMagic); }

namespace {

// The first fault the library found, in the words verify prints.
std::string describe_fault(const StubmetaIdentity& info, std::size_t fileSize) {
    switch (info.status) {
    case STUBMETA_E_BAD_VERSION:
        return "unknown version " + std::to_string(info.envelopeVersion) + " (expected 1)";
    case STUBMETA_E_TOTAL_TOO_SMALL:
        return "total length " + std::to_string(info.envelopeTotal) +
               " is below the smallest envelope, " + std::to_string(kEnvelopeOverhead);
    case STUBMETA_E_TRUNCATED:
        if (fileSize < kEnvelopeHeaderSize)
            return "truncated file: " + describe_size(fileSize) + ", the header needs " +
                   std::to_string(kEnvelopeHeaderSize);
        return "truncated file: " + describe_size(fileSize) + ", the envelope says " +
               std::to_string(info.envelopeTotal);
    case STUBMETA_E_CHECKSUM:
        return "checksum mismatch: stored " + hex32(info.storedBigEndian) + " (or " +
               hex32(info.storedLittleEndian) + " read little-endian), computed " +
               hex32(info.computed);
    case STUBMETA_E_EMPTY_TEXT:
        return "empty text";
    case STUBMETA_E_LENGTH_MISMATCH:
        return "lengths disagree: total length " + std::to_string(info.envelopeTotal) +
               ", text length " + std::to_string(info.envelopeTextLength) + " (needs total " +
               std::to_string(info.envelopeTextLength + kEnvelopeOverhead) + ")";
    case STUBMETA_E_UNTERMINATED:
        return "the text is not terminated by a zero byte";
    default:
        return stubmeta::message(info.status);
    }
}

}  // namespace

EnvelopeReport envelope_report(const StubmetaIdentity& info, std::size_t size) {
    EnvelopeReport report;
    report.known = info.known;
    report.version = static_cast<std::uint8_t>(info.envelopeVersion);
    report.totalLength = static_cast<std::uint32_t>(info.envelopeTotal);
    report.value = info.envelopeValue;
    report.textLength = static_cast<std::uint32_t>(info.envelopeTextLength);
    report.storedChecksum =
        info.type == STUB_TYPE_UNIX_LITTLEENDIAN ? info.storedLittleEndian : info.storedBigEndian;
    report.computedChecksum = info.computed;
    report.byteOrder = (info.known & STUBMETA_KNOWN_ENVELOPE_VALUE) != 0 ? info.type : 0;
    // A sound envelope whose text is no Unix layout is whole all the same.
    report.ok = (info.known & STUBMETA_KNOWN_STUB_LENGTH) != 0;
    if (!report.ok)
        report.problem = describe_fault(info, size);
    return report;
}

EnvelopeReport examine_envelope(const StubBytes& stub) {
    if (!has_envelope_magic(stub)) {
        EnvelopeReport report;
        const std::size_t shown = std::min(stub.size(), kEnvelopeMagicSize);
        report.problem = stub.size() == 0
                             ? "bad magic: the file is empty"
                             : "bad magic: " + hex_bytes(stub.data(), shown) +
                                   " (an envelope opens with " +
                                   hex_bytes(kEnvelopeMagic.data(), kEnvelopeMagic.size()) + ")";
        return report;
    }
    return envelope_report(stubmeta::identify(stub.view()).facts, stub.size());
}

}  // namespace stubmeta_cli
