// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "envelope/byte_order.h"
#include "stubmeta.h"

extern "C" STUBMETA_API uint64_t tkhsm_ntohll(uint64_t value) {
    return stubmeta::tkhsm_htonll(value);
}
