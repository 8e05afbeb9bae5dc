// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "stub/verdict.h"

#include <algorithm>
#include <string_view>

#include "stub/type_names.h"
#include "support/hex_text.h"

namespace stubmeta_cli {
namespace {

Verdict damaged(StubType type, std::string problem, std::string foundBy) {
    Verdict verdict;
    verdict.state = StubState::Damaged;
    verdict.type = type;
    verdict.problem = std::move(problem);
    verdict.foundBy = std::move(foundBy);
    return verdict;
}

// The first of types that parses the bytes, as an Ok verdict.
std::optional<Verdict> first_parse(const StubBytes& bytes, std::initializer_list<StubType> types,
                                   const std::string& foundBy,
                                   const EnvelopeFacts* opened = nullptr) {
    MatchRequest request;
    request.mode = MatchRequest::Mode::OneType;
    for (StubType type : types) {
        request.type = type;
        if (std::optional<Detection> detection = detect_stub(bytes, request, opened)) {
            Verdict verdict;
            verdict.state = StubState::Ok;
            verdict.type = detection->record.stubType;
            verdict.foundBy = foundBy;
            verdict.detection = *detection;
            return verdict;
        }
    }
    return std::nullopt;
}

Verdict judge_envelope(const StubBytes& bytes) {
    const EnvelopeReport report = examine_envelope(bytes);
    const EnvelopeFacts facts{static_cast<std::int32_t>(report.totalLength), report.value,
                              report.byteOrder, report.textLength};
    Verdict verdict;
    if (!report.ok) {
        verdict = damaged(report.byteOrder, report.problem, "found by its envelope");
    } else if (std::optional<Verdict> parsed =
                   first_parse(bytes, {report.byteOrder}, "found by its envelope", &facts)) {
        verdict = std::move(*parsed);
    } else {
        verdict = damaged(report.byteOrder, "the envelope is whole but its text is not a Unix stub",
                          "found by its envelope");
    }
    if (report.ok && bytes.size() > report.totalLength)
        verdict.trailingBytes = bytes.size() - report.totalLength;
    verdict.envelope = report;
    return verdict;
}

Verdict judge_dmnas(const StubBytes& bytes) {
    if (std::optional<Verdict> parsed =
            first_parse(bytes, {STUB_TYPE_WINDOWS_DMNAS, STUB_TYPE_WINDOWS_LOCAL_CSVFS},
                        "found by its QZSTUB: line"))
        return std::move(*parsed);
    return damaged(STUB_TYPE_WINDOWS_DMNAS,
                   "a QZSTUB: first line, but the fields do not parse as a DMNas stub",
                   "found by its QZSTUB: line");
}

Verdict judge_reparse_buffer(const StubBytes& bytes) {
    // A CSVFS text behind the header is read as such, without the header.
    if (bytes.size() > kNtfsHeaderSize &&
        std::string_view(bytes.data() + kNtfsHeaderSize, bytes.size() - kNtfsHeaderSize)
            .starts_with(kDmnasPrefix)) {
        const StubBytes text(
            std::string(bytes.data() + kNtfsHeaderSize, bytes.size() - kNtfsHeaderSize));
        if (std::optional<Verdict> parsed =
                first_parse(text, {STUB_TYPE_WINDOWS_LOCAL_CSVFS}, "found by its reparse header"))
            return std::move(*parsed);
        return damaged(STUB_TYPE_WINDOWS_LOCAL_CSVFS,
                       "a reparse buffer whose QZSTUB: text does not parse as a CSVFS stub",
                       "found by its reparse header");
    }
    if (std::optional<Verdict> parsed =
            first_parse(bytes, {STUB_TYPE_WINDOWS_LOCAL, STUB_TYPE_WINDOWS_LOCAL_CSVFS},
                        "found by its reparse header"))
        return std::move(*parsed);
    return damaged(STUB_TYPE_WINDOWS_LOCAL, "a reparse buffer holding no NTFS or CSVFS stub text",
                   "found by its reparse header");
}

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

bool opens_with(const StubBytes& bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() && std::string_view(bytes.data(), prefix.size()) == prefix;
}

Verdict judge_named_types(const StubBytes& bytes, const MatchRequest& request) {
    const std::vector<StubType> types = request.types_tried();
    const bool unixAmong = std::any_of(types.begin(), types.end(), is_unix_type);
    if (unixAmong && has_envelope_magic(bytes))
        return judge_envelope(bytes);
    if (std::optional<Detection> detection = detect_stub(bytes, request)) {
        Verdict verdict;
        verdict.state = StubState::Ok;
        verdict.type = detection->record.stubType;
        verdict.foundBy = request.describe();
        verdict.detection = *detection;
        return verdict;
    }
    Verdict verdict;
    verdict.problem = not_a_stub_message(request);
    return verdict;
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
    if (request.mode != MatchRequest::Mode::ByOpening)
        return judge_named_types(bytes, request);
    if (source != StubSource::Content ||
        (!has_envelope_magic(bytes) && !opens_with(bytes, kDmnasPrefix) &&
         has_reparse_header(bytes.data(), bytes.size(), wholeSize)))
        return judge_reparse_buffer(bytes);
    if (has_envelope_magic(bytes))
        return judge_envelope(bytes);
    if (opens_with(bytes, kDmnasPrefix))
        return judge_dmnas(bytes);
    Verdict verdict;
    verdict.problem = not_a_stub_message(request) + ", " + describe_opening(bytes);
    return verdict;
}

std::string verdict_problem(const Verdict& verdict) {
    if (verdict.state == StubState::Damaged)
        return "damaged: " + verdict.problem;
    return verdict.problem;
}

}  // namespace stubmeta_cli
