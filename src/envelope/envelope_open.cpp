// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Checking an envelope of known length, each failure named and every fact
// learnt on the way handed back (envelope::OpenBounded).
#include <algorithm>
#include <cstdint>

#include "envelope/envelope.h"
#include "stubmeta.h"

extern "C" STUBMETA_API int32_t stubmeta_envelope_open(const void* input, uint64_t length,
                                                       StubmetaEnvelope* info) {
    if (input == nullptr || info == nullptr)
        return STUBMETA_E_ARGUMENT;
    // No envelope is longer than 65535 bytes: a longer input is read no
    // further, and the rest counts as trailing bytes.
    const std::size_t readable = static_cast<std::size_t>(std::min<uint64_t>(length, SIZE_MAX));
    return stubmeta::envelope::OpenBounded(static_cast<const char*>(input), readable, info);
}
