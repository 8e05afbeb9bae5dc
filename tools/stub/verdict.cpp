// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "stub/verdict.h"

#include <string_view>

#include "stub/type_names.h"
#include "support/hex_text.h"

namespace stubmeta_cli {
namespace {

// "it opens with 51 53 54 55 58 0A 0E AF", the first eight bytes.
std::string describe_opening(const StubBytes& bytes) {
    if (bytes.size() == 0)
        return "it is empty";
    std::string text = "it opens with";
    for (std::size_t i = 0; i < bytes.size() && i < kEnvelopeMagicSize; ++i) {
        text += ' ';
        append_hex(text, static_cast<unsigned char>(bytes.data()[i]), 2);
    }
    return text;
}

std::string found_by(const stubmeta::Identity& identity, const MatchRequest& request) {
    switch (identity.foundBy) {
    case STUBMETA_FOUND_ENVELOPE:
        return "found by its envelope";
    case STUBMETA_FOUND_QZSTUB_LINE:
        return "found by its QZSTUB: line";
    case STUBMETA_FOUND_REPARSE_HEADER:
        return "found by its reparse header";
    default:
        return request.describe();
    }
}

// The reparse header's own count of the bytes after it.
std::size_t header_count(const StubBytes& bytes) {
    return static_cast<unsigned char>(bytes.data()[4]) |
           static_cast<std::size_t>(static_cast<unsigned char>(bytes.data()[5])) << 8;
}

// Why a stub found by its opening is damaged, with the values involved.
std::string damage(const stubmeta::Identity& identity, const Verdict& verdict,
                   const StubBytes& bytes) {
    switch (identity.foundBy) {
    case STUBMETA_FOUND_ENVELOPE:
        if (verdict.envelope && !verdict.envelope->ok)
            return verdict.envelope->problem;
        return "the envelope is whole but its text is not a Unix stub";
    case STUBMETA_FOUND_QZSTUB_LINE:
        return "a QZSTUB: first line, but the fields do not parse as a DMNas stub";
    default:
        break;
    }
    if (identity.status == STUBMETA_E_REPARSE_LENGTH)
        return "the reparse header counts " + std::to_string(header_count(bytes)) +
               " bytes after the GUID, the buffer holds " +
               std::to_string(bytes.size() - kNtfsHeaderSize);
    if (identity.type == STUB_TYPE_WINDOWS_LOCAL_CSVFS)
        return "a reparse buffer whose QZSTUB: text does not parse as a CSVFS stub";
    return "a reparse buffer holding no NTFS or CSVFS stub text";
}

StubmetaQuery query_for(StubSource source, const MatchRequest& request, std::uint64_t wholeSize,
                        const std::vector<StubType>& types) {
    StubmetaQuery query{};
    query.wholeSize = wholeSize;
    if (request.mode != MatchRequest::Mode::ByOpening) {
        query.kind = STUBMETA_INPUT_TEXT;
        query.wholeSize = 0;
        query.types = types.data();
        query.count = static_cast<std::int32_t>(types.size());
    } else if (source != StubSource::Content) {
        query.kind = STUBMETA_INPUT_REPARSE;
    }
    return query;
}

}  // namespace

std::optional<std::size_t> reparse_data_length(const char* bytes, std::size_t size) {
    constexpr std::size_t kLongestReparseData = 16384 - kNtfsHeaderSize;
    if (size < kNtfsHeaderSize || bytes[6] != 0 || bytes[7] != 0)
        return std::nullopt;
    const std::size_t length = static_cast<unsigned char>(bytes[4]) |
                               static_cast<std::size_t>(static_cast<unsigned char>(bytes[5])) << 8;
    if (length == 0 || length > kLongestReparseData)
        return std::nullopt;
    return length;
}

bool has_reparse_header(const char* bytes, std::size_t size, std::uint64_t wholeSize) {
    const std::optional<std::size_t> length = reparse_data_length(bytes, size);
    return length && kNtfsHeaderSize + *length == wholeSize;
}

Verdict judge_stub(const StubBytes& bytes, std::uint64_t wholeSize, StubSource source,
                   const MatchRequest& request) {
    const std::vector<StubType> types = request.types_tried();
    const StubmetaQuery query = query_for(source, request, wholeSize, types);
    const stubmeta::Identity identity = stubmeta::identify(bytes.view(), query);

    Verdict verdict;
    verdict.type = identity.type;
    verdict.status = identity.status;
    if (identity.foundBy == STUBMETA_FOUND_ENVELOPE) {
        verdict.envelope = envelope_report(identity.facts, bytes.size());
    }
    if (identity.ok()) {
        verdict.state = StubState::Ok;
        verdict.foundBy = found_by(identity, request);
        verdict.detection = detection_of(identity);
    } else if (identity.damaged()) {
        verdict.state = StubState::Damaged;
        verdict.foundBy = found_by(identity, request);
        verdict.problem = damage(identity, verdict, bytes);
    } else if (request.mode == MatchRequest::Mode::ByOpening && source == StubSource::Content) {
        verdict.problem = not_a_stub_message(request) + ", " + describe_opening(bytes);
    } else if (request.mode == MatchRequest::Mode::ByOpening) {
        verdict.problem = "a reparse buffer holding no stub text";
    } else {
        verdict.problem = not_a_stub_message(request);
    }
    return verdict;
}

std::string verdict_problem(const Verdict& verdict) {
    if (verdict.state == StubState::Damaged)
        return "damaged: " + verdict.problem;
    return verdict.problem;
}

void measure_trailing(Verdict& verdict, const StubBytes& bytes, std::uint64_t wholeSize,
                      bool dataPastRead) {
    if (verdict.state != StubState::Ok || !verdict.envelope)
        return;
    const std::uint64_t end = verdict.envelope->totalLength;
    const std::uint64_t size = std::max<std::uint64_t>(wholeSize, bytes.size());
    verdict.trailingBytes = size > end ? size - end : 0;
    const std::string_view read = end < bytes.size() ? bytes.view().substr(end) : "";
    if (verdict.trailingBytes == 0)
        verdict.trailing = Trailing::None;
    else if (read.find_first_not_of('\0') != std::string_view::npos)
        verdict.trailing = Trailing::Data;
    else if (dataPastRead && size > bytes.size())
        verdict.trailing = Trailing::ZerosSoFar;
    else
        verdict.trailing = Trailing::Zeros;
}

const char* trailing_name(Trailing trailing) {
    switch (trailing) {
    case Trailing::Data:
        return "data";
    case Trailing::ZerosSoFar:
        return "zeros as far as read";
    case Trailing::Zeros:
    case Trailing::None:
        break;
    }
    return "zeros";
}

const char* state_name(StubState state) {
    switch (state) {
    case StubState::Ok:
        return "ok";
    case StubState::Damaged:
        return "damaged";
    case StubState::NotStub:
        break;
    }
    return "not a stub";
}

}  // namespace stubmeta_cli
