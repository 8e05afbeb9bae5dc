/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
/* Compiled as strict C99: the public header must not need C++ or any
 * extension, and its record must be usable from C. */
#include <stddef.h>

#include "stubmeta.h"

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
