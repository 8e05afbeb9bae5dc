// Finding which stub a buffer holds: the library's first match, or the
// type or family the user named.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "file_reading.h"
#include "stubmeta.h"

namespace stubmeta_cli {

// Which types to try.
struct MatchRequest {
    enum class Mode { FirstMatch, OneType, Family };
    Mode mode = Mode::FirstMatch;
    StubType type = 0;      // OneType
    StubFamily family = 0;  // Family

    // The types tried, in order.
    std::vector<StubType> types_tried() const;
    // "first match of types 6, 7, 1, 2, 3, 4", "parsed as type 3",
    // "first match of family nas (types 3, 4)".
    std::string describe() const;
};

// The envelope around a Unix stub, as the library read it.
struct EnvelopeFacts {
    std::int32_t totalLength = 0;
    std::uint64_t value = 0;
    StubType byteOrder = 0;
};

struct Detection {
    ReparseData record{};                   // zero-filled, then the parse's fields
    std::optional<EnvelopeFacts> envelope;  // Unix stubs read from an envelope
};

// Parses the buffer with the types the request names.  Returns nothing
// when none of them accepts it.
std::optional<Detection> detect_stub(const PaddedBuffer& stub, const MatchRequest& request);

// "not a recognised stub (tried types 6, 7, 1, 2, 3, 4)"
std::string not_a_stub_message(const MatchRequest& request);

}  // namespace stubmeta_cli
