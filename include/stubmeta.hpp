// stubmeta.hpp -- a C++ interface to stubmeta, header-only over the C functions
//
// Requires C++17; the std::span overloads need C++20 (<span>).  Everything
// here calls the functions of stubmeta.h and adds no exported names.
//
// Inputs are passed with their length (std::string_view, or
// std::span<const std::byte>).  The C readers take no length: a text stub
// ends at a NUL, an envelope is trusted for its own length, and an NTFS stub
// is read from its 25th byte on.  So every reading function here first copies
// the input into a zero-filled buffer with room for the longest read any
// reader can make past its end; a reader never leaves the caller's data.
//
// Errors: a parse that finds no matching stub, or an envelope that does not
// verify, gives std::nullopt: that is an answer about the input, not a
// failure.  A write the library refuses (a text longer than the layout
// allows, an unknown type, a text with a NUL in it) throws stubmeta::error.
//
// Bytes are held in std::string: it carries any byte, including NULs, and
// converts to std::string_view for the readers.
#ifndef STUBMETA_HPP
#define STUBMETA_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__has_include)
#if __has_include(<version>)
#include <version>
#endif
#endif
#if defined(__cpp_lib_span)
#include <span>
#endif

#include "stubmeta.h"

namespace stubmeta {

// Thrown when the library refuses to write what it was asked to.
class error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The stub families a parse can be limited to.
enum class Family : StubFamily {
    windows_stubs = STUB_FAMILY_WINDOWS,  // types 1, 2
    nas_stubs = STUB_FAMILY_NAS,          // types 3, 4
    unix_stubs = STUB_FAMILY_UNIX,        // types 6, 7
};

// What an envelope holds.
struct Envelope {
    std::string text;         // the text, without its terminator
    std::uint64_t value = 0;  // the 64-bit value the writer stored
    StubType byteOrder = 0;   // 6: checksum stored big-endian, 7: little-endian
    std::size_t size = 0;     // the envelope's size in bytes, checksum included
};

namespace detail {

// The furthest any reader looks past the end of a NUL-terminated input: an
// envelope's extent, from its own 16-bit length field, and the 24-byte NTFS
// header skipped in front of the text.
inline constexpr std::size_t kReadSlack = 65536 + 24;

// Larger than the longest stub any writer can produce: every text field
// counts at most its width (1377 bytes in all), every number at most 20
// digits (280), and the fixed text (separators, prefix, the DMNas banner,
// the envelope's framing) stays well under 1024 bytes.
inline constexpr std::size_t kMaxStubSize = 4096;

// A copy of the caller's bytes followed by kReadSlack zero bytes.
class PaddedInput {
public:
    explicit PaddedInput(std::string_view input) : bytes_(input.size() + kReadSlack, '\0') {
        if (!input.empty())
            std::memcpy(bytes_.data(), input.data(), input.size());
    }
    const char* data() const noexcept { return bytes_.data(); }

private:
    std::vector<char> bytes_;
};

template <typename Parse>
std::optional<ReparseData> parse_padded(std::string_view input, Parse parse_call) {
    const PaddedInput padded(input);
    ReparseData record{};
    if (parse_call(padded.data(), &record) != 0)
        return std::nullopt;
    return record;
}

#if defined(__cpp_lib_span)
inline std::string_view as_chars(std::span<const std::byte> bytes) noexcept {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}
#endif

}  // namespace detail

// Finds the stub type of input, trying 6, 7, 1, 2, 3, 4 in that order, and
// returns the record it holds (zero-filled before parsing, stubType set), or
// std::nullopt when no type matches.  A bare text of another layout that fits
// the Unix template comes back as type 6: name the family or type if known.
inline std::optional<ReparseData> parse(std::string_view input) {
    return detail::parse_padded(
        input, [](const char* in, ReparseData* record) { return ParseReparseData(in, record); });
}

// Tries only the types of one family.
inline std::optional<ReparseData> parse(std::string_view input, Family family) {
    return detail::parse_padded(input, [family](const char* in, ReparseData* record) {
        return ParseReparseDataFor(in, record, static_cast<StubFamily>(family));
    });
}

// Parses input as one stub type (1 to 7; 0 and above 7 never match).
inline std::optional<ReparseData> parse(std::string_view input, StubType type) {
    return detail::parse_padded(input, [type](const char* in, ReparseData* record) {
        return ParseReparseDataForStubType(in, type, record);
    });
}

#if defined(__cpp_lib_span)
inline std::optional<ReparseData> parse(std::span<const std::byte> input) {
    return parse(detail::as_chars(input));
}
inline std::optional<ReparseData> parse(std::span<const std::byte> input, Family family) {
    return parse(detail::as_chars(input), family);
}
inline std::optional<ReparseData> parse(std::span<const std::byte> input, StubType type) {
    return parse(detail::as_chars(input), type);
}
#endif

// Renders record as a stub of the given type (the type picks the layout, not
// record.stubType): the text without its NUL for types 1 to 5, the whole
// envelope for 6 and 7.  Throws stubmeta::error when the writer refuses.
inline std::string generate(const ReparseData& record, StubType type) {
    std::string out(detail::kMaxStubSize, '\0');
    const std::int32_t written =
        GenerateReparseData(&record, type, out.data(), static_cast<std::int32_t>(out.size()));
    if (written < 0)
        throw error("stubmeta: the record cannot be written as stub type " + std::to_string(type));
    out.resize(static_cast<std::size_t>(written));
    return out;
}

// The name of a stub type: "WINDOWS_LOCAL", ..., "Invalid" for 0 and above 7.
inline std::string type_name(StubType type) {
    char name[32] = {};
    StubTypeAsString(type, name, sizeof name - 1);
    return name;
}

// The standard CRC-32 (reflected, polynomial 0xEDB88320) of data.  To check
// data given in pieces, pass the result for the pieces before as previous.
inline std::uint32_t crc32(std::string_view data, std::uint32_t previous = 0) noexcept {
    std::uint32_t running = ~previous;
    tw_crc32(data.data(), data.size(), &running);
    return ~running;
}

#if defined(__cpp_lib_span)
inline std::uint32_t crc32(std::span<const std::byte> data, std::uint32_t previous = 0) noexcept {
    return crc32(detail::as_chars(data), previous);
}
#endif

// Wraps text in an envelope carrying value, its checksum in this machine's
// byte order.  Throws stubmeta::error for a text with a NUL in it or longer
// than 65509 bytes.
inline std::string wrap(std::string_view text, std::uint64_t value) {
    if (text.find('\0') != std::string_view::npos)
        throw error("stubmeta: an envelope's text cannot hold a NUL byte");
    const std::string terminated(text);
    std::string out(text.size() + 26, '\0');
    const std::int32_t written = tkhsm_meta2stub(terminated.c_str(), value, out.data(),
                                                 static_cast<std::int32_t>(out.size()));
    if (written < 0)
        throw error("stubmeta: a text of " + std::to_string(text.size()) +
                    " bytes does not fit an envelope");
    out.resize(static_cast<std::size_t>(written));
    return out;
}

// Verifies the envelope at the start of input and returns what it holds, or
// std::nullopt when it is not a well-formed envelope with a matching checksum.
inline std::optional<Envelope> unwrap(std::string_view input) {
    const detail::PaddedInput padded(input);
    // An envelope's text is at most 65509 bytes; the buffer takes it and its NUL.
    std::string text(65536, '\0');
    std::int32_t total = 0;
    std::uint64_t value = 0;
    StubType byteOrder = 0;
    if (tkhsm_stub2meta(padded.data(), &total, &value, text.data(),
                        static_cast<std::int32_t>(text.size()), &byteOrder) != 0)
        return std::nullopt;
    // The envelope's own length bounds it, but it cannot reach past the input.
    if (static_cast<std::size_t>(total) > input.size())
        return std::nullopt;
    text.resize(static_cast<std::size_t>(total) - 26);
    return Envelope{std::move(text), value, byteOrder, static_cast<std::size_t>(total)};
}

#if defined(__cpp_lib_span)
inline std::optional<Envelope> unwrap(std::span<const std::byte> input) {
    return unwrap(detail::as_chars(input));
}
#endif

}  // namespace stubmeta

#endif  // STUBMETA_HPP
