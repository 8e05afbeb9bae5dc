// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The bounded writer: the fixed writer tells only that it failed; this one
// says whether the buffer was too small (and how large it must be) or the
// record cannot be written at all.
#include <array>
#include <cstdint>
#include <cstring>

#include "stubmeta.h"

namespace {

constexpr bool IsUnixType(StubType type) {
    return type == STUB_TYPE_UNIX_BIGENDIAN || type == STUB_TYPE_UNIX_LITTLEENDIAN;
}

}  // namespace

extern "C" STUBMETA_API int32_t stubmeta_generate(const ReparseData* record, StubType type,
                                                  void* buffer, uint64_t capacity,
                                                  uint64_t* written) {
    if (record == nullptr || written == nullptr || type < STUB_TYPE_WINDOWS_LOCAL ||
        type > STUB_TYPE_UNIX_LITTLEENDIAN || (buffer == nullptr && capacity != 0))
        return STUBMETA_E_ARGUMENT;
    // Most calls fit: the caller's buffer is written directly.  Capacities
    // beyond what any stub needs are all the same to the writer.
    if (capacity != 0) {
        const auto room = static_cast<std::int32_t>(
            capacity < STUBMETA_STUB_SIZE_MAX ? capacity : STUBMETA_STUB_SIZE_MAX);
        const std::int32_t size =
            GenerateReparseData(record, type, static_cast<char*>(buffer), room);
        if (size >= 0) {
            *written = static_cast<std::uint64_t>(size);
            return STUBMETA_OK;
        }
    }
    // Otherwise a working area that holds any stub tells why.  A writer
    // refuses a record there only for a Unix text over its limit.
    std::array<char, STUBMETA_STUB_SIZE_MAX> area;
    const std::int32_t size =
        GenerateReparseData(record, type, area.data(), static_cast<std::int32_t>(area.size()));
    if (size < 0)
        return STUBMETA_E_TEXT_TOO_LONG;
    *written = static_cast<std::uint64_t>(size) + (IsUnixType(type) ? 0u : 1u);
    return STUBMETA_E_OUTPUT_TOO_SMALL;
}
