/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
/* Compiled as strict C99: the public header must not need C++ or any
 * extension, and its record must be usable from C. */
#include <stddef.h>

#include "stubmeta.h"

/* The version number works in #if and decodes into the three parts, so no
 * part has outgrown its two digits. */
#if STUBMETA_VERSION_NUMBER / 10000 != STUBMETA_VERSION_MAJOR ||                                   \
    STUBMETA_VERSION_NUMBER / 100 % 100 != STUBMETA_VERSION_MINOR ||                               \
    STUBMETA_VERSION_NUMBER % 100 != STUBMETA_VERSION_PATCH
#error "STUBMETA_VERSION_NUMBER does not encode STUBMETA_VERSION_MAJOR.MINOR.PATCH"
#endif

typedef char record_ends_with_head_text[offsetof(ReparseData, headText) + 72 <= sizeof(ReparseData)
                                            ? 1
                                            : -1];

int stubmeta_header_c99_probe(void);
int stubmeta_header_c99_probe(void) {
    ReparseData record = {0};
    StubType types[2] = {STUB_TYPE_UNIX_BIGENDIAN, STUB_TYPE_UNIX_LITTLEENDIAN};
    record.stubType = STUB_TYPE_INVALID;
    return (int)sizeof(record) + (int)types[0];
}
