#include "stub_writer.h"

#include <vector>

#include "cli_types.h"
#include "file_reading.h"
#include "tool_status.h"

namespace stubmeta_cli {
namespace {

// Larger than the longest stub any layout produces from the record's
// field widths (a DMNas stub with every text full is under 2,000 bytes).
constexpr std::int32_t kRenderCapacity = 16384;

// The longest text an envelope's 16-bit length field allows.
constexpr std::size_t kLongestEnvelopeText = 65509;

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
    std::vector<char> buffer(static_cast<std::size_t>(kRenderCapacity), '\0');
    const std::int32_t written = GenerateReparseData(&record, type, buffer.data(), kRenderCapacity);
    if (written < 0)
        throw ToolError(
            kExitRefused,
            target + ": the library cannot write this record as type " + std::to_string(type) +
                (is_unix_type(type) ? " (a Unix stub's text holds at most 1023 characters)" : ""));
    std::string stub(buffer.data(), static_cast<std::size_t>(written));
    if (is_unix_type(type))
        set_checksum_order(stub, type);
    if (type == STUB_TYPE_WINDOWS_LOCAL && options.ntfsHeader)
        stub = ntfs_header(stub.size()) + stub;
    return stub;
}

std::string wrap_text(const std::string& text, std::uint64_t value, StubType order,
                      const std::string& target) {
    if (text.find('\0') != std::string::npos)
        throw ToolError(kExitRefused,
                        target + ": the text holds a NUL byte, which cannot be wrapped");
    if (text.size() > kLongestEnvelopeText)
        throw ToolError(kExitRefused, target + ": the text has " + std::to_string(text.size()) +
                                          " bytes, an envelope holds at most " +
                                          std::to_string(kLongestEnvelopeText));
    std::vector<char> buffer(text.size() + 26, '\0');
    const std::int32_t written = tkhsm_meta2stub(text.c_str(), value, buffer.data(),
                                                 static_cast<std::int32_t>(buffer.size()));
    if (written < 0)
        throw ToolError(kExitRefused, target + ": the library refused to wrap the text");
    std::string envelope(buffer.data(), static_cast<std::size_t>(written));
    set_checksum_order(envelope, order);
    return envelope;
}

}  // namespace stubmeta_cli
