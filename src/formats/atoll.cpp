// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The exported decimal reading: the one the record-filling steps use.
#include "formats/decimal.h"
#include "stubmeta.h"

extern "C" STUBMETA_API int64_t tkhsm_atoll(const char* text) {
    return stubmeta::ReadSigned64(text);
}
