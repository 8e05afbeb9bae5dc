// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The exported parse and generate entry points: argument checks and the
// first-match search over stub types.  They hold no state; each call picks
// the per-type parser or writer and returns its status.
#include <algorithm>
#include <array>
#include <cstdint>

#include "formats/formats.h"
#include "stubmeta.h"
#include "stubmeta_layouts.hpp"

namespace stubmeta {
namespace {

using Parser = std::int32_t (*)(StubInput&, ReparseData*);

// The parser for a type, or null for 0 and above 7.
Parser ParserFor(StubType type) {
    switch (type) {
    case STUB_TYPE_WINDOWS_LOCAL:
        return ParseReparseDataNtfs;
    case STUB_TYPE_WINDOWS_LOCAL_CSVFS:
        return ParseReparseDataCsvfs;
    case STUB_TYPE_WINDOWS_CELERRA:
        return ParseReparseDataCelerra;
    case STUB_TYPE_WINDOWS_DMNAS:
    case STUB_TYPE_WINDOWS_DMNAS_ALT:
        return ParseReparseDataDMNas;
    case STUB_TYPE_UNIX_BIGENDIAN:
    case STUB_TYPE_UNIX_LITTLEENDIAN:
        return ParseReparseDataUnix;
    default:
        return nullptr;
    }
}

constexpr const auto& kAllTypes = layouts::search_order;
constexpr const auto& kWindowsTypes = *layouts::types_of(STUB_FAMILY_WINDOWS);
constexpr const auto& kNasTypes = *layouts::types_of(STUB_FAMILY_NAS);
constexpr const auto& kUnixTypes = *layouts::types_of(STUB_FAMILY_UNIX);

// Of two failures, the one that says more: running out of memory (the
// input may well have parsed), then what an envelope or a field was wrong
// with, then plain "no type matched".
std::int32_t Telling(std::int32_t kept, std::int32_t next) {
    const auto rank = [](std::int32_t status) {
        if (status == STUBMETA_E_NO_MEMORY)
            return 3;
        if (status == STUBMETA_E_NO_MATCH)
            return 0;
        return status == STUBMETA_E_FIELD_TOO_LONG ? 1 : 2;
    };
    return rank(next) > rank(kept) ? next : kept;
}

// Tries the count types in order; the first that parses wins.  Types 4 and
// 5, and 6 and 7, share a parser whose answer depends only on the input: a
// second attempt right after a failed one would fail again.  The input is
// measured once, by the first parser that needs its length.
std::int32_t Search(StubInput& stub, ReparseData* record, const StubType* types,
                    std::int32_t count) {
    std::int32_t result = STUBMETA_E_NO_MATCH;
    Parser failed = nullptr;
    for (int32_t i = 0; i < count; ++i) {
        const Parser parser = ParserFor(types[i]);
        if (parser == nullptr || parser == failed)
            continue;
        const std::int32_t status = parser(stub, record);
        if (status == STUBMETA_OK)
            return STUBMETA_OK;
        result = Telling(result, status);
        failed = parser;
    }
    return result;
}

}  // namespace
}  // namespace stubmeta

using namespace stubmeta;

extern "C" {

STUBMETA_API int32_t ParseReparseDataForStubType(const char* input, StubType type,
                                                 ReparseData* record) {
    if (input == nullptr || record == nullptr)
        return -1;
    const Parser parser = ParserFor(type);
    if (parser == nullptr)
        return -1;
    StubInput stub(input);
    return parser(stub, record) == 0 ? 0 : -1;
}

STUBMETA_API int32_t ParseReparseDataForStubTypes(const char* input, ReparseData* record,
                                                  const StubType* types, int32_t count) {
    if (input == nullptr || record == nullptr || types == nullptr)
        return -1;
    StubInput stub(input);
    return Search(stub, record, types, count) == STUBMETA_OK ? 0 : -1;
}

STUBMETA_API int32_t stubmeta_parse(const void* input, uint64_t length, const StubType* types,
                                    int32_t count, ReparseData* record) {
    if (input == nullptr || record == nullptr)
        return STUBMETA_E_ARGUMENT;
    if (types == nullptr) {
        types = kAllTypes.data();
        count = static_cast<int32_t>(kAllTypes.size());
    }
    if (count < 1)
        return STUBMETA_E_ARGUMENT;
    // No stub is longer than an envelope: the bytes past SIZE_MAX of an
    // input that large are never needed.
    StubInput stub(static_cast<const char*>(input),
                   static_cast<std::size_t>(std::min<uint64_t>(length, SIZE_MAX)));
    return Search(stub, record, types, count);
}

STUBMETA_API int32_t ParseReparseData(const char* input, ReparseData* record) {
    return ParseReparseDataForStubTypes(input, record, kAllTypes.data(),
                                        static_cast<int32_t>(kAllTypes.size()));
}

STUBMETA_API int32_t ParseReparseDataForWindowsStubs(const char* input, ReparseData* record) {
    return ParseReparseDataForStubTypes(input, record, kWindowsTypes.data(),
                                        static_cast<int32_t>(kWindowsTypes.size()));
}

STUBMETA_API int32_t ParseReparseDataForNasStubs(const char* input, ReparseData* record) {
    return ParseReparseDataForStubTypes(input, record, kNasTypes.data(),
                                        static_cast<int32_t>(kNasTypes.size()));
}

STUBMETA_API int32_t ParseReparseDataForUnixStubs(const char* input, ReparseData* record) {
    return ParseReparseDataForStubTypes(input, record, kUnixTypes.data(),
                                        static_cast<int32_t>(kUnixTypes.size()));
}

STUBMETA_API int32_t ParseReparseDataFor(const char* input, ReparseData* record,
                                         StubFamily family) {
    switch (family) {
    case STUB_FAMILY_WINDOWS:
        return ParseReparseDataForWindowsStubs(input, record);
    case STUB_FAMILY_NAS:
        return ParseReparseDataForNasStubs(input, record);
    case STUB_FAMILY_UNIX:
        return ParseReparseDataForUnixStubs(input, record);
    default:
        return -1;
    }
}

STUBMETA_API int32_t GenerateReparseData(const ReparseData* record, StubType type, char* buffer,
                                         int32_t capacity) {
    if (record == nullptr || buffer == nullptr || capacity <= 0)
        return -1;
    switch (type) {
    case STUB_TYPE_WINDOWS_LOCAL:
        return GenerateReparseDataNtfs(record, buffer, capacity);
    case STUB_TYPE_WINDOWS_LOCAL_CSVFS:
        return GenerateReparseDataCsvfs(record, buffer, capacity);
    case STUB_TYPE_WINDOWS_CELERRA:
        return GenerateReparseDataCelerra(record, buffer, capacity);
    case STUB_TYPE_WINDOWS_DMNAS:
    case STUB_TYPE_WINDOWS_DMNAS_ALT:
        return GenerateReparseDataDMNas(record, buffer, capacity);
    case STUB_TYPE_UNIX_BIGENDIAN:
    case STUB_TYPE_UNIX_LITTLEENDIAN:
        return GenerateReparseDataUnix(record, type, buffer, capacity);
    default:
        return -1;
    }
}

}  // extern "C"
