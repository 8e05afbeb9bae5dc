/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
#include <stdio.h>
#include <string.h>
#include <stubmeta.h>

int main(void) {
    /* A Celerra stub's text; text stubs end with a NUL. */
    const char* text = "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99";
    ReparseData record;
    memset(&record, 0, sizeof record); /* a parse writes only its own fields */
    if (ParseReparseDataForStubType(text, STUB_TYPE_WINDOWS_CELERRA, &record) != 0)
        return 1;
    printf("longText %s, number2 %llu\n", record.longText, (unsigned long long)record.number2);

    /* Write it again as a Unix stub: the text in a checksummed envelope. */
    static char stub[4096];
    int32_t size = GenerateReparseData(&record, STUB_TYPE_UNIX_LITTLEENDIAN, stub, sizeof stub);
    ReparseData back;
    memset(&back, 0, sizeof back);
    if (size < 0 || ParseReparseDataForUnixStubs(stub, &back) != 0)
        return 1;
    char name[32] = {0};
    StubTypeAsString(back.stubType, name, sizeof name - 1);
    printf("%d-byte envelope read back as %s\n", (int)size, name);
    return 0;
}
