// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// What the bounded functions' statuses mean, and which library is loaded.
#include <array>
#include <cstddef>
#include <cstdint>

#include "stubmeta.h"

namespace {

// Indexed by the status's negation: 0 is success, the codes run down from
// -1 without a gap.
constexpr std::array<const char*, 19> kMessages = {
    "success",
    "invalid argument",
    "no stub type matched the input",
    "a text field is too long for the record",
    "out of memory",
    "not a stub envelope (bad magic)",
    "unknown stub envelope version",
    "stub envelope total length below its overhead",
    "stub envelope truncated",
    "stub envelope checksum mismatch",
    "stub envelope text is empty",
    "stub envelope lengths disagree",
    "stub envelope text not terminated",
    "output buffer too small",
    "text too long",
    "stub envelope text is not a Unix stub",
    "the fields do not parse as the stub type the opening names",
    "reparse header length disagrees with its data",
    "not a stub: no envelope, QZSTUB: line or reparse header",
};
static_assert(-STUBMETA_E_NOT_A_STUB + 1 == static_cast<int>(kMessages.size()),
              "one message for each status");

}  // namespace

extern "C" STUBMETA_API const char* stubmeta_strerror(int32_t status) {
    if (status > 0 || status < STUBMETA_E_NOT_A_STUB)
        return "unknown status";
    const auto index = static_cast<std::size_t>(-static_cast<std::int64_t>(status));
    const char* const message = kMessages[index];
    return message;
}

extern "C" STUBMETA_API const char* stubmeta_version(void) { return STUBMETA_VERSION_STRING; }
