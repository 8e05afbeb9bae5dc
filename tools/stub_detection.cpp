#include "stub_detection.h"

#include <algorithm>

#include "cli_types.h"
#include "envelope_report.h"

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

std::optional<Detection> detect_stub(const PaddedBuffer& stub, const MatchRequest& request) {
    Detection detection;
    int32_t status = -1;
    switch (request.mode) {
    case MatchRequest::Mode::ByOpening:
    case MatchRequest::Mode::FirstMatch:
        status = ParseReparseData(stub.data(), &detection.record);
        break;
    case MatchRequest::Mode::OneType:
        status = ParseReparseDataForStubType(stub.data(), request.type, &detection.record);
        break;
    case MatchRequest::Mode::Family:
        status = ParseReparseDataFor(stub.data(), &detection.record, request.family);
        break;
    }
    if (status != 0)
        return std::nullopt;
    if (is_unix_type(detection.record.stubType)) {
        EnvelopeFacts facts;
        const char* text = stub.data();
        if (tkhsm_stub2meta(stub.data(), &facts.totalLength, &facts.value, nullptr, 0,
                            &facts.byteOrder) == 0) {
            detection.envelope = facts;
            text += kEnvelopeHeaderSize;
        }
        detection.unixLayout = unix_text_layout(text);
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
