// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "stub/writer.h"

#include <utility>

#include "support/printable.h"
#include "stub/type_names.h"
#include "support/file_reading.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

// The longest text an envelope's 16-bit length field allows.
constexpr std::size_t kLongestEnvelopeText = STUBMETA_ENVELOPE_TEXT_MAX;

// Stores the envelope's checksum, which the library writes in this
// machine's order, in the order the type asks for.
void set_checksum_order(std::string& envelope, StubType order) {
    if (envelope.size() < 4 || order == host_unix_type())
        return;
    const std::size_t at = envelope.size() - 4;
    std::swap(envelope[at], envelope[at + 3]);
    std::swap(envelope[at + 1], envelope[at + 2]);
}

std::string ntfs_header(std::size_t textLength) {
    std::string header(kNtfsHeaderSize, '\0');
    const auto length = static_cast<std::uint16_t>(textLength > 0xFFFF ? 0xFFFF : textLength);
    header[4] = static_cast<char>(length & 0xFF);
    header[5] = static_cast<char>(length >> 8);
    return header;
}

}  // namespace

std::string render_stub(const ReparseData& record, StubType type, const RenderOptions& options,
                        const std::string& target) {
    std::string stub;
    try {
        stub = stubmeta::generate(record, type);
    } catch (const stubmeta::error& e) {
        throw ToolError(kExitRefused,
                        printable(target) + ": the library cannot write this record as type " +
                            std::to_string(type) + ": " + stubmeta::message(e.status()) +
                            (e.status() == STUBMETA_E_TEXT_TOO_LONG
                                 ? " (a Unix stub's text holds at most " +
                                       std::to_string(STUBMETA_UNIX_TEXT_MAX) + " characters)"
                                 : std::string()));
    }
    if (is_unix_type(type))
        set_checksum_order(stub, type);
    if (is_reparse_type(type) && options.reparseHeader)
        stub = ntfs_header(stub.size()) + stub;
    return stub;
}

std::string wrap_text(const std::string& text, std::uint64_t value, StubType order,
                      const std::string& target) {
    if (text.find('\0') != std::string::npos)
        throw ToolError(kExitRefused,
                        printable(target) + ": the text holds a NUL byte, which cannot be wrapped");
    if (text.size() > kLongestEnvelopeText)
        throw ToolError(kExitRefused, printable(target) + ": the text has " +
                                          std::to_string(text.size()) +
                                          " bytes, an envelope holds at most " +
                                          std::to_string(kLongestEnvelopeText));
    std::string envelope;
    try {
        envelope = stubmeta::wrap(text, value);
    } catch (const stubmeta::error&) {
        throw ToolError(kExitRefused, printable(target) + ": the library refused to wrap the text");
    }
    set_checksum_order(envelope, order);
    return envelope;
}

}  // namespace stubmeta_cli
