// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "stub/detection.h"

#include <algorithm>

#include "stub/type_names.h"

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

Detection detection_of(const stubmeta::Identity& identity) {
    Detection detection;
    detection.record = *identity.record;
    if (is_unix_type(identity.type)) {
        const StubmetaIdentity& facts = identity.facts;
        if (identity.foundBy == STUBMETA_FOUND_ENVELOPE)
            detection.envelope = envelope_report(facts, facts.stubLength + facts.trailing);
        detection.unixLayout = unix_text_layout(identity.text.value_or(std::string_view()));
    }
    return detection;
}

stubmeta::Identity identify_as(const StubBytes& stub, const MatchRequest& request) {
    const std::vector<StubType> types = request.types_tried();
    StubmetaQuery query{};
    query.kind = STUBMETA_INPUT_TEXT;
    query.types = types.data();
    query.count = static_cast<std::int32_t>(types.size());
    return stubmeta::identify(stub.view(), query);
}

std::optional<Detection> detect_stub(const StubBytes& stub, const MatchRequest& request) {
    const stubmeta::Identity identity = identify_as(stub, request);
    if (!identity.ok())
        return std::nullopt;
    return detection_of(identity);
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
