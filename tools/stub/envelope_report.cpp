// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "stub/envelope_report.h"

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
std::string describe_fault(const stubmeta::EnvelopeCheck& info, const EnvelopeReport& report,
                           std::size_t fileSize) {
    switch (info.status) {
    case STUBMETA_E_BAD_VERSION:
        return "unknown version " + std::to_string(report.version) + " (expected 1)";
    case STUBMETA_E_TOTAL_TOO_SMALL:
        return "total length " + std::to_string(info.total) + " is below the smallest envelope, " +
               std::to_string(kEnvelopeOverhead);
    case STUBMETA_E_TRUNCATED:
        return "truncated file: " + describe_size(fileSize) + ", the envelope says " +
               std::to_string(info.total);
    case STUBMETA_E_CHECKSUM:
        return "checksum mismatch: stored " + hex32(info.storedBigEndian) + " (or " +
               hex32(info.storedLittleEndian) + " read little-endian), computed " +
               hex32(info.computed);
    case STUBMETA_E_EMPTY_TEXT:
        return "empty text";
    case STUBMETA_E_LENGTH_MISMATCH:
        return "lengths disagree: total length " + std::to_string(info.total) + ", text length " +
               std::to_string(info.textLength) + " (needs total " +
               std::to_string(info.textLength + kEnvelopeOverhead) + ")";
    case STUBMETA_E_UNTERMINATED:
        return "the text is not terminated by a zero byte";
    default:
        return stubmeta::message(info.status);
    }
}

}  // namespace

EnvelopeReport examine_envelope(const StubBytes& stub) {
    EnvelopeReport report;
    const char* bytes = stub.data();
    const std::size_t fileSize = stub.size();

    if (fileSize < kEnvelopeMagicSize || !has_envelope_magic(stub)) {
        const std::size_t shown = fileSize < kEnvelopeMagicSize ? fileSize : kEnvelopeMagicSize;
        report.problem =
            fileSize == 0 ? "bad magic: the file is empty"
                          : "bad magic: " + hex_bytes(bytes, shown) + " (an envelope opens with " +
                                hex_bytes(kEnvelopeMagic.data(), kEnvelopeMagic.size()) + ")";
        return report;
    }
    if (fileSize < kEnvelopeHeaderSize) {
        report.problem = "truncated file: " + describe_size(fileSize) + ", the header needs " +
                         std::to_string(kEnvelopeHeaderSize);
        return report;
    }
    // The library checks the envelope; the tool only words its answer.
    const stubmeta::EnvelopeCheck info = stubmeta::check_envelope(stub.view());
    report.version = static_cast<std::uint8_t>(bytes[8]);
    report.totalLength = static_cast<std::uint32_t>(info.total);
    report.value = info.value;
    report.textLength = static_cast<std::uint32_t>(info.textLength);
    report.storedChecksum = info.byteOrder == STUB_TYPE_UNIX_LITTLEENDIAN ? info.storedLittleEndian
                                                                          : info.storedBigEndian;
    report.computedChecksum = info.computed;
    report.byteOrder = info.byteOrder;
    if (info.status != STUBMETA_OK) {
        report.problem = describe_fault(info, report, fileSize);
        return report;
    }
    report.ok = true;
    return report;
}

}  // namespace stubmeta_cli
