// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta.hpp -- a C++ interface to stubmeta, header-only over the C functions
//
// Requires C++17; the std::span overloads need C++20 (<span>).  Everything
// here calls the functions of stubmeta.h and adds no exported names.
//
// Inputs are passed with their length (std::string_view, or
// std::span<const std::byte>) and read in place by the library's bounded
// functions, which never look past that length: no copy, no padding.
//
// Errors: a parse that finds no matching stub, or an envelope that does not
// verify, gives std::nullopt from parse and unwrap: that is an answer about
// the input, not a failure.  parse_or_throw and unwrap_or_throw throw
// stubmeta::error instead, carrying the library's status and its message;
// check_envelope hands back the status and every fact the check learnt.
// parse tries types in the library's first-match order; identify judges a
// file by its opening (an envelope, a QZSTUB: line, a reparse header) as the
// stubmeta tool and the Python module do, and says whether a stub is
// damaged and why.
// A write the library refuses (a text longer than the layout allows, an
// unknown type, a text with a NUL in it) throws stubmeta::error.
//
// The stub layouts, the families and the search order are constexpr tables
// (stubmeta_layouts.hpp, included here): stubmeta::layouts::of(type) gives
// a type's fields in text order with their separators and widths.
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
#include <type_traits>
#include <utility>

#if defined(__has_include)
#if __has_include(<version>)
#include <version>
#endif
#endif
#if defined(__cpp_lib_span)
#include <span>
#endif

#include "stubmeta.h"
#include "stubmeta_layouts.hpp"

namespace stubmeta {

// Thrown when the library refuses what it was asked to do.  status() is one
// of the library's StubmetaStatus codes.
class error : public std::runtime_error {
public:
    explicit error(std::int32_t status)
        : std::runtime_error(std::string("stubmeta: ") + stubmeta_strerror(status)),
          status_(status) {}
    error(std::int32_t status, const std::string& what)
        : std::runtime_error(what), status_(status) {}

    std::int32_t status() const noexcept { return status_; }

private:
    std::int32_t status_;
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

// One bounded parse: the status and, when it is 0, the record.
struct Parsed {
    std::int32_t status = STUBMETA_E_ARGUMENT;
    ReparseData record{};
};

// types null: the first-match order 6, 7, 1, 2, 3, 4.
inline Parsed parse_types(std::string_view input, const StubType* types, std::int32_t count) {
    Parsed out;
    // Zero bytes throughout, padding included, so that records compare
    // equal byte for byte.
    std::memset(&out.record, 0, sizeof out.record);
    // A null data pointer for an empty view would read as a missing input.
    const char* bytes = input.data() != nullptr ? input.data() : "";
    out.status = stubmeta_parse(bytes, input.size(), types, count, &out.record);
    return out;
}

inline Parsed parse_family(std::string_view input, StubFamily family) {
    const auto* types = layouts::types_of(family);
    if (types == nullptr)
        return Parsed{};
    return parse_types(input, types->data(), static_cast<std::int32_t>(types->size()));
}

inline std::optional<ReparseData> found(const Parsed& parsed) {
    if (parsed.status != STUBMETA_OK)
        return std::nullopt;
    return parsed.record;
}

inline ReparseData found_or_throw(const Parsed& parsed) {
    if (parsed.status != STUBMETA_OK)
        throw error(parsed.status);
    return parsed.record;
}

#if defined(__cpp_lib_span)
inline std::string_view as_chars(std::span<const std::byte> bytes) noexcept {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}
#endif

// Enables an overload only for a temporary std::string: the functions that
// hand back views into their input delete that overload, so that a view
// into a string destroyed at the end of the call does not compile.
template <class S>
using if_temporary_string = std::enable_if_t<std::is_same_v<S, std::string>, int>;

}  // namespace detail

// Finds the stub type of input, trying 6, 7, 1, 2, 3, 4 in that order, and
// returns the record it holds (zero-filled before parsing, stubType set), or
// std::nullopt when no type matches.  A bare text of another layout that fits
// the Unix template comes back as type 6: name the family or type if known.
inline std::optional<ReparseData> parse(std::string_view input) {
    return detail::found(detail::parse_types(input, nullptr, 0));
}

// Tries only the types of one family.
inline std::optional<ReparseData> parse(std::string_view input, Family family) {
    return detail::found(detail::parse_family(input, static_cast<StubFamily>(family)));
}

// Parses input as one stub type (1 to 7; 0 and above 7 never match).
inline std::optional<ReparseData> parse(std::string_view input, StubType type) {
    return detail::found(detail::parse_types(input, &type, 1));
}

// As parse, but a failure throws stubmeta::error with the library's status.
inline ReparseData parse_or_throw(std::string_view input) {
    return detail::found_or_throw(detail::parse_types(input, nullptr, 0));
}
inline ReparseData parse_or_throw(std::string_view input, Family family) {
    return detail::found_or_throw(detail::parse_family(input, static_cast<StubFamily>(family)));
}
inline ReparseData parse_or_throw(std::string_view input, StubType type) {
    return detail::found_or_throw(detail::parse_types(input, &type, 1));
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

namespace detail {

// An empty list would reach the library as a null pointer, which means the
// default order there: here it matches nothing.
inline Parsed parse_list(std::string_view input, std::span<const StubType> types) {
    if (types.empty() || types.size() > static_cast<std::size_t>(INT32_MAX))
        return Parsed{};
    return parse_types(input, types.data(), static_cast<std::int32_t>(types.size()));
}

}  // namespace detail

// Tries the types listed (each 1 to 7), in order; the first that parses
// wins.  An empty list matches nothing: it is not the default order.
inline std::optional<ReparseData> parse(std::string_view input, std::span<const StubType> types) {
    return detail::found(detail::parse_list(input, types));
}

// As parse over a list of types, but a failure throws stubmeta::error with
// the library's status (STUBMETA_E_ARGUMENT for an empty list).
inline ReparseData parse_or_throw(std::string_view input, std::span<const StubType> types) {
    return detail::found_or_throw(detail::parse_list(input, types));
}
#endif

// Renders record as a stub of the given type (the type picks the layout, not
// record.stubType): the text without its NUL for types 1 to 5, the whole
// envelope for 6 and 7.  Throws stubmeta::error with the library's status
// when the writer refuses (STUBMETA_E_TEXT_TOO_LONG for a Unix text over
// its limit, STUBMETA_E_ARGUMENT for an unknown type).
inline std::string generate(const ReparseData& record, StubType type) {
    std::string out(STUBMETA_STUB_SIZE_MAX, '\0');
    std::uint64_t written = 0;
    const std::int32_t status = stubmeta_generate(&record, type, out.data(), out.size(), &written);
    if (status != STUBMETA_OK)
        throw error(status);
    out.resize(static_cast<std::size_t>(written));
    return out;
}

// The name of a stub type: "WINDOWS_LOCAL", ..., "Invalid" for 0 and above 7.
inline std::string type_name(StubType type) {
    char name[32] = {};
    StubTypeAsString(type, name, sizeof name - 1);
    return name;
}

// The library's English message for a status (a StubmetaStatus; any other
// value has a message too).  A constant string, never null.
inline const char* message(std::int32_t status) noexcept { return stubmeta_strerror(status); }

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
// than STUBMETA_ENVELOPE_TEXT_MAX bytes.
inline std::string wrap(std::string_view text, std::uint64_t value) {
    if (text.find('\0') != std::string_view::npos)
        throw error(STUBMETA_E_ARGUMENT, "stubmeta: an envelope's text cannot hold a NUL byte");
    const std::string terminated(text);
    std::string out(text.size() + STUBMETA_ENVELOPE_OVERHEAD, '\0');
    const std::int32_t written = tkhsm_meta2stub(terminated.c_str(), value, out.data(),
                                                 static_cast<std::int32_t>(out.size()));
    if (written < 0)
        throw error(STUBMETA_E_TEXT_TOO_LONG, "stubmeta: a text of " + std::to_string(text.size()) +
                                                  " bytes does not fit an envelope");
    out.resize(static_cast<std::size_t>(written));
    return out;
}

// What checking an envelope found: the status of the first check that
// failed, or STUBMETA_OK, and every fact learnt on the way.  Facts the
// checks did not reach are 0.
struct EnvelopeCheck {
    std::int32_t status = STUBMETA_E_ARGUMENT;
    std::uint64_t total = 0;               // the total length field
    std::uint64_t value = 0;               // the value, once the checksum matched
    StubType byteOrder = 0;                // 6 or 7, once the checksum matched
    std::uint64_t textLength = 0;          // the text length field
    std::string_view text;                 // the text inside input, when it verified
    std::uint32_t storedBigEndian = 0;     // the stored checksum read big-endian
    std::uint32_t storedLittleEndian = 0;  // and read little-endian
    std::uint32_t computed = 0;            // the checksum of the bytes it covers
    std::uint64_t trailing = 0;            // input bytes after the envelope
};

// Checks the envelope at the start of input as unwrap does (magic, version,
// lengths, checksum in both byte orders, text, terminator), copying
// nothing, and returns the status of the first failed check with what was
// learnt before it, so that a caller can say what is wrong.  text points
// into input and lives as long as input's bytes.  Never throws.
inline EnvelopeCheck check_envelope(std::string_view input) noexcept {
    StubmetaEnvelope info{};
    const char* bytes = input.data() != nullptr ? input.data() : "";
    EnvelopeCheck check;
    check.status = stubmeta_envelope_open(bytes, input.size(), &info);
    check.total = info.total;
    check.value = info.value;
    check.byteOrder = info.byteOrder;
    check.textLength = info.textLength;
    if (info.text != nullptr)
        check.text = std::string_view(info.text, static_cast<std::size_t>(info.textLength));
    check.storedBigEndian = info.storedBigEndian;
    check.storedLittleEndian = info.storedLittleEndian;
    check.computed = info.computed;
    check.trailing = info.trailing;
    return check;
}

#if defined(__cpp_lib_span)
inline EnvelopeCheck check_envelope(std::span<const std::byte> input) noexcept {
    return check_envelope(detail::as_chars(input));
}
#endif

namespace detail {

inline std::int32_t open(std::string_view input, Envelope* out) {
    const EnvelopeCheck check = check_envelope(input);
    if (check.status == STUBMETA_OK)
        *out = Envelope{std::string(check.text), check.value, check.byteOrder,
                        static_cast<std::size_t>(check.total)};
    return check.status;
}

}  // namespace detail

// Verifies the envelope at the start of input and returns what it holds, or
// std::nullopt when it is not a well-formed envelope with a matching
// checksum that ends within input.
inline std::optional<Envelope> unwrap(std::string_view input) {
    Envelope envelope;
    if (detail::open(input, &envelope) != STUBMETA_OK)
        return std::nullopt;
    return envelope;
}

// As unwrap, but a failure throws stubmeta::error naming the check that failed.
inline Envelope unwrap_or_throw(std::string_view input) {
    Envelope envelope;
    if (const std::int32_t status = detail::open(input, &envelope); status != STUBMETA_OK)
        throw error(status);
    return envelope;
}

#if defined(__cpp_lib_span)
inline std::optional<Envelope> unwrap(std::span<const std::byte> input) {
    return unwrap(detail::as_chars(input));
}
#endif

// What stubmeta_identify says bytes are (see its contract in stubmeta.h).
struct Identity {
    std::uint32_t state = STUBMETA_STATE_NO_STUB;  // STUBMETA_STATE_*
    StubType type = 0;                             // 0 when no stub
    std::uint32_t foundBy = STUBMETA_FOUND_NOTHING;
    std::int32_t status = STUBMETA_E_NOT_A_STUB;  // STUBMETA_OK, or why damaged or no stub
    std::optional<ReparseData> record;            // an ok stub's fields, zero-filled before
    std::optional<std::string_view> text;         // the stub's text inside input, when found
    StubmetaIdentity facts{};                     // every fact, with the bits saying which hold

    bool ok() const noexcept { return state == STUBMETA_STATE_OK; }
    bool damaged() const noexcept { return state == STUBMETA_STATE_DAMAGED; }
    bool is_stub() const noexcept { return state != STUBMETA_STATE_NO_STUB; }
    // The library's message for status.
    const char* message() const noexcept { return stubmeta_strerror(status); }
};

// Says what input is, as query describes it.  text points into input.
// Throws stubmeta::error for a query the library refuses and when it runs
// out of memory.
inline Identity identify(std::string_view input, const StubmetaQuery& query) {
    Identity out;
    out.facts.structSize = sizeof out.facts;
    ReparseData record;
    std::memset(&record, 0, sizeof record);
    const char* bytes = input.data() != nullptr ? input.data() : "";
    const std::int32_t status = stubmeta_identify(bytes, input.size(), &query, &out.facts, &record);
    if (status != STUBMETA_OK)
        throw error(status);
    out.state = out.facts.state;
    out.type = out.facts.type;
    out.foundBy = out.facts.foundBy;
    out.status = out.facts.status;
    if (out.ok())
        out.record = record;
    if ((out.facts.known & STUBMETA_KNOWN_TEXT) != 0)
        out.text = input.substr(static_cast<std::size_t>(out.facts.textOffset),
                                static_cast<std::size_t>(out.facts.textLength));
    return out;
}

// A file's content, judged by its opening; wholeSize is the file's size
// when input is only its start (0: input is all of it).
inline Identity identify(std::string_view input, std::uint64_t wholeSize = 0) {
    StubmetaQuery query{};
    query.kind = STUBMETA_INPUT_CONTENT;
    query.wholeSize = wholeSize;
    return identify(input, query);
}

// A reparse buffer, its 24-byte header first.
inline Identity identify_reparse_buffer(std::string_view input) {
    StubmetaQuery query{};
    query.kind = STUBMETA_INPUT_REPARSE;
    return identify(input, query);
}

// A bare text of one type.
inline Identity identify_as(std::string_view input, StubType type) {
    StubmetaQuery query{};
    query.kind = STUBMETA_INPUT_TEXT;
    query.types = &type;
    query.count = 1;
    return identify(input, query);
}

// A bare text of one family's types.
inline Identity identify_as(std::string_view input, Family family) {
    StubmetaQuery query{};
    query.kind = STUBMETA_INPUT_TEXT;
    query.family = static_cast<StubFamily>(family);
    return identify(input, query);
}

// The results above point into input: a temporary string would leave them
// dangling.
template <class S, detail::if_temporary_string<S> = 0>
Identity identify(S&& input, std::uint64_t wholeSize = 0) = delete;
template <class S, detail::if_temporary_string<S> = 0>
Identity identify(S&& input, const StubmetaQuery& query) = delete;
template <class S, detail::if_temporary_string<S> = 0>
Identity identify_reparse_buffer(S&& input) = delete;
template <class S, class Of, detail::if_temporary_string<S> = 0>
Identity identify_as(S&& input, Of types) = delete;
template <class S, detail::if_temporary_string<S> = 0>
EnvelopeCheck check_envelope(S&& input) = delete;

#if defined(__cpp_lib_span)
// A bare text of the types listed, in order (an empty list: the order 6,
// 7, 1, 2, 3, 4).
inline Identity identify_as(std::string_view input, std::span<const StubType> types) {
    if (types.size() > static_cast<std::size_t>(INT32_MAX))
        throw error(STUBMETA_E_ARGUMENT);
    StubmetaQuery query{};
    query.kind = STUBMETA_INPUT_TEXT;
    query.types = types.empty() ? nullptr : types.data();
    query.count = static_cast<std::int32_t>(types.size());
    return identify(input, query);
}

inline Identity identify(std::span<const std::byte> input, std::uint64_t wholeSize = 0) {
    return identify(detail::as_chars(input), wholeSize);
}
#endif

}  // namespace stubmeta

#endif  // STUBMETA_HPP
