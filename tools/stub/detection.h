/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Finding which stub a buffer holds: the library's first match, or the
// type or family the user named.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stub/envelope_report.h"
#include "support/file_reading.h"
#include "stubmeta.hpp"

namespace stubmeta_cli {

// Which types to try.  ByOpening leaves it to the file's opening (see
// judge_stub); FirstMatch is the library's own order, for bare texts.
struct MatchRequest {
    enum class Mode { ByOpening, FirstMatch, OneType, Family };
    Mode mode = Mode::ByOpening;
    StubType type = 0;      // OneType
    StubFamily family = 0;  // Family

    // The types tried, in order.
    std::vector<StubType> types_tried() const;
    // "first match of types 6, 7, 1, 2, 3, 4", "parsed as type 3",
    // "first match of family nas (types 3, 4)".
    std::string describe() const;
};

struct Detection {
    ReparseData record{};                    // zero-filled, then the parse's fields
    std::optional<EnvelopeReport> envelope;  // Unix stubs read from an envelope
    // Unix stubs: the text's layout, 1 (text), 2 (text, number1) or 3
    // (text, number1, auxText, size); 0 when the text is none of them.  The
    // record alone does not tell a layout-1 stub of kind 2 from a layout-2
    // one whose number1 is 0, so reproducing a stub needs it.
    int unixLayout = 0;
};

// The layout of a Unix stub's text: 1, 2 or 3 by the colons before its
// "|", or 0.
int unix_text_layout(std::string_view text);

// Asks the library what the buffer is when read as the types the request
// names (ByOpening: the library's first-match order), in order; an envelope
// decides for itself when a Unix type is among them.
stubmeta::Identity identify_as(const StubBytes& stub, const MatchRequest& request);

// The record, envelope and Unix layout of an ok identity.
Detection detection_of(const stubmeta::Identity& identity);

// Parses the buffer with the types the request names, as identify_as
// does.  Returns nothing when none of them accepts it.
std::optional<Detection> detect_stub(const StubBytes& stub, const MatchRequest& request);

// "not a recognised stub (tried types 6, 7, 1, 2, 3, 4)"
std::string not_a_stub_message(const MatchRequest& request);

}  // namespace stubmeta_cli
