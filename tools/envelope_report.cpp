#include "envelope_report.h"

#include <array>
#include <string>

#include "hex_text.h"

namespace stubmeta_cli {
namespace {

std::uint64_t read_big_endian(const char* bytes, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

std::uint32_t read_little_endian32(const char* bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

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

bool has_envelope_magic(const PaddedBuffer& stub) {
    if (stub.size() < kEnvelopeMagicSize)
        return false;
    for (std::size_t i = 0; i < kEnvelopeMagicSize; ++i)
        if (static_cast<unsigned char>(stub.data()[i]) != kEnvelopeMagic[i])
            return false;
    return true;
}

EnvelopeReport examine_envelope(const PaddedBuffer& stub) {
    EnvelopeReport report;
    const char* bytes = stub.data();
    const std::size_t fileSize = stub.size();

    if (fileSize < kEnvelopeMagicSize || !has_envelope_magic(stub)) {
        const std::size_t shown = fileSize < kEnvelopeMagicSize ? fileSize : kEnvelopeMagicSize;
        report.problem =
            fileSize == 0 ? "bad magic: the file is empty"
                          : "bad magic: " + hex_bytes(bytes, shown) + " (an envelope opens with " +
                                hex_bytes(reinterpret_cast<const char*>(kEnvelopeMagic.data()),
                                          kEnvelopeMagic.size()) +
                                ")";
        return report;
    }
    if (fileSize < kEnvelopeHeaderSize) {
        report.problem = "truncated file: " + describe_size(fileSize) + ", the header needs " +
                         std::to_string(kEnvelopeHeaderSize);
        return report;
    }
    report.version = static_cast<std::uint8_t>(bytes[8]);
    report.totalLength = static_cast<std::uint32_t>(read_big_endian(bytes + 9, 2));
    report.value = read_big_endian(bytes + 11, 8);
    report.textLength = static_cast<std::uint32_t>(read_big_endian(bytes + 19, 2));

    if (report.version != 1) {
        report.problem = "unknown version " + std::to_string(report.version) + " (expected 1)";
        return report;
    }
    if (report.totalLength < kEnvelopeOverhead) {
        report.problem = "total length " + std::to_string(report.totalLength) +
                         " is below the smallest envelope, " + std::to_string(kEnvelopeOverhead);
        return report;
    }
    if (report.totalLength != report.textLength + kEnvelopeOverhead) {
        report.problem = "lengths disagree: total length " + std::to_string(report.totalLength) +
                         ", text length " + std::to_string(report.textLength) + " (needs total " +
                         std::to_string(report.textLength + kEnvelopeOverhead) + ")";
        return report;
    }
    if (fileSize < report.totalLength) {
        report.problem = "truncated file: " + describe_size(fileSize) + ", the envelope says " +
                         std::to_string(report.totalLength);
        return report;
    }
    if (report.textLength == 0) {
        report.problem = "empty text";
        return report;
    }
    const std::size_t checksumAt = report.totalLength - 4;
    std::uint32_t crc = 0xFFFFFFFFu;
    tw_crc32(bytes, checksumAt, &crc);
    report.computedChecksum = crc;
    report.storedChecksum = static_cast<std::uint32_t>(read_big_endian(bytes + checksumAt, 4));
    if (report.storedChecksum == crc) {
        report.byteOrder = STUB_TYPE_UNIX_BIGENDIAN;
    } else if (read_little_endian32(bytes + checksumAt) == crc) {
        report.byteOrder = STUB_TYPE_UNIX_LITTLEENDIAN;
        report.storedChecksum = crc;
    } else {
        report.problem = "checksum mismatch: stored " + hex32(report.storedChecksum) + " (or " +
                         hex32(read_little_endian32(bytes + checksumAt)) +
                         " read little-endian), computed " + hex32(crc);
        return report;
    }
    if (bytes[kEnvelopeHeaderSize + report.textLength] != '\0') {
        report.problem = "the text is not terminated by a zero byte";
        return report;
    }
    // The checks above mirror the library's reader; ask it as well, so a
    // disagreement shows up instead of a wrong verdict.
    StubType libraryOrder = 0;
    if (tkhsm_stub2meta(bytes, nullptr, nullptr, nullptr, 0, &libraryOrder) != 0) {
        report.problem = "refused by the library's envelope reader";
        return report;
    }
    if (libraryOrder != report.byteOrder) {
        report.problem = "the library reads the checksum as " + byte_order_name(libraryOrder);
        return report;
    }
    report.ok = true;
    return report;
}

}  // namespace stubmeta_cli
