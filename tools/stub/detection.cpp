// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "stub/detection.h"

#include <algorithm>

#include "stub/type_names.h"
#include "stub/envelope_report.h"

namespace stubmeta_cli {

std::vector<StubType> MatchRequest::types_tried() const {
    switch (mode) {
    case Mode::OneType:
        return {type};
    case Mode::Family:
        return family_types(family);
    case Mode::ByOpening:
    case Mode::FirstMatch:
        break;
    }
    return first_match_order();
}

std::string MatchRequest::describe() const {
    switch (mode) {
    case Mode::OneType:
        return "parsed as type " + std::to_string(type);
    case Mode::Family:
        return "first match of family " + family_name(family) + " (types " +
               join_types(types_tried()) + ")";
    case Mode::ByOpening:
        return "by its opening";
    case Mode::FirstMatch:
        break;
    }
    return "first match of types " + join_types(types_tried());
}

int unix_text_layout(std::string_view text) {
    const std::string_view fields = text.substr(0, text.find('|'));
    switch (std::count(fields.begin(), fields.end(), ':')) {
    case 7:
        return 1;
    case 8:
        return 2;
    case 10:
        return 3;
    default:
        return 0;
    }
}

namespace {

// The facts of stub's envelope, when it has a whole one.
std::optional<EnvelopeFacts> open_envelope(const StubBytes& stub) {
    const stubmeta::EnvelopeCheck envelope = stubmeta::check_envelope(stub.view());
    if (envelope.status != STUBMETA_OK)
        return std::nullopt;
    return EnvelopeFacts{static_cast<std::int32_t>(envelope.total), envelope.value,
                         envelope.byteOrder, envelope.textLength};
}

}  // namespace

std::optional<Detection> detect_stub(const StubBytes& stub, const MatchRequest& request,
                                     const EnvelopeFacts* opened) {
    Detection detection;
    // The bounded parse reads exactly the bytes the file gave, no padding.
    const std::vector<StubType> types = request.types_tried();
    const std::optional<ReparseData> record = stubmeta::parse(stub.view(), types);
    if (!record)
        return std::nullopt;
    detection.record = *record;
    if (is_unix_type(detection.record.stubType)) {
        detection.envelope = opened != nullptr ? std::optional(*opened) : open_envelope(stub);
        std::string_view text = stub.view();
        if (detection.envelope)
            text = text.substr(kEnvelopeHeaderSize, detection.envelope->textLength);
        detection.unixLayout = unix_text_layout(text.substr(0, text.find('\0')));
    }
    return detection;
}

std::string not_a_stub_message(const MatchRequest& request) {
    if (request.mode == MatchRequest::Mode::ByOpening)
        return "not a recognised stub (no envelope, QZSTUB: line or reparse header; name a bare "
               "text's type with --as or --family)";
    const std::vector<StubType> types = request.types_tried();
    return std::string("not a recognised stub (tried type") + (types.size() == 1 ? " " : "s ") +
           join_types(types) + ")";
}

}  // namespace stubmeta_cli
