// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include <array>
#include <cstring>
#include <string_view>

#include "stubmeta.h"

namespace {

constexpr std::array<std::string_view, 8> kTypeNames = {
    "Invalid",       "WINDOWS_LOCAL", "WINDOWS_LOCAL_CSVFS", "WINDOWS_CELERRA",
    "WINDOWS_DMNAS", "WINDOWS_DMNAS", "UNIX_BIGENDIAN",      "UNIX_LITTLEENDIAN",
};

}  // namespace

extern "C" STUBMETA_API void StubTypeAsString(StubType type, char* destination, uint64_t capacity) {
    if (destination == nullptr || capacity == 0)
        return;
    const std::string_view name = type < kTypeNames.size() ? kTypeNames[type] : kTypeNames[0];
    // Bounded copy: the name's characters that fit, then NULs to the end of
    // the caller's area; a name that fills the area gets no terminator.
    const std::uint64_t copied = capacity < name.size() ? capacity : name.size();
    std::memcpy(destination, name.data(), static_cast<std::size_t>(copied));
    std::memset(destination + copied, 0, static_cast<std::size_t>(capacity - copied));
}
