/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
/* A caller's use of stubmeta: write one stub of every type into a folder,
 * read each file back, find its type without being told (or, where the
 * first match would take it for a Unix stub, with the type named), print its
 * fields, and write it again as another type.
 *
 *   stubmeta_example [FOLDER]     (default: the current folder)
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "stubmeta.h"

enum { STUB_CAPACITY = 4096, NTFS_HEADER = 24 };

static void print_record(const ReparseData* r) {
    char name[32];
    StubTypeAsString(r->stubType, name, sizeof name);
    name[sizeof name - 1] = '\0';
    printf("  type %u %s\n", (unsigned)r->stubType, name);
    printf("  common %u %llu %llu %llu %llu\n", (unsigned)r->common.common1,
           (unsigned long long)r->common.common2, (unsigned long long)r->common.common3,
           (unsigned long long)r->common.common4, (unsigned long long)r->common.common5);
    printf("  shortText \"%s\" auxText \"%s\" extraText \"%s\"\n", r->shortText, r->auxText,
           r->extraText);
    printf("  longText \"%s\" headText \"%s\" tailText \"%s\"\n", r->longText, r->headText,
           r->tailText);
    printf("  number1 %llu number2 %llu number3 %llu number4 %u number5 %llu\n",
           (unsigned long long)r->number1, (unsigned long long)r->number2,
           (unsigned long long)r->number3, (unsigned)r->number4, (unsigned long long)r->number5);
    printf("  signedNumber %lld flag %d unixTextKind %d\n", (long long)r->signedNumber,
           (int)r->flag, (int)r->unixTextKind);
}

static int write_file(const char* path, const char* data, size_t size) {
    FILE* f = fopen(path, "wb");
    if (f == NULL)
        return -1;
    size_t written = fwrite(data, 1, size, f);
    return fclose(f) == 0 && written == size ? 0 : -1;
}

/* Reads a whole file into a zero-filled buffer one byte larger than the
 * largest stub, so every text read ends with a NUL. */
static long read_file(const char* path, char* buffer, size_t capacity) {
    FILE* f = fopen(path, "rb");
    if (f == NULL)
        return -1;
    memset(buffer, 0, capacity);
    size_t n = fread(buffer, 1, capacity - 1, f);
    fclose(f);
    return (long)n;
}

int main(int argc, char** argv) {
    const char* folder = argc > 1 ? argv[1] : ".";
    static char stub[STUB_CAPACITY + NTFS_HEADER];
    static char input[70000];
    static char path[4096];
    ReparseData record;
    memset(&record, 0, sizeof record);
    record.common.common1 = 1;
    record.common.common2 = 1700000000;
    record.common.common3 = 42;
    record.common.common4 = 7;
    record.common.common5 = 18446744073709551615ull;
    strcpy(record.extraText, "vault-a");
    strcpy(record.shortText, "tape0042");
    strcpy(record.auxText, "pool7");
    strcpy(record.longText, "/archive/projects/report.pdf");
    strcpy(record.headText, "fileid-9f3c");
    strcpy(record.tailText, "sha1-deadbeef");
    record.number1 = 123456;
    record.number2 = 99;
    record.number3 = 8192;
    record.number4 = 4294967295u;
    record.number5 = 1024;
    record.signedNumber = -8;
    record.flag = 1;

    int failures = 0;
    for (StubType type = 1; type <= 7; ++type) {
        char name[32] = {0};
        StubTypeAsString(type, name, sizeof name - 1);
        /* An NTFS reparse buffer carries a 24-byte header before its text. */
        size_t offset = type == STUB_TYPE_WINDOWS_LOCAL ? NTFS_HEADER : 0;
        memset(stub, 0, offset);
        int32_t size = GenerateReparseData(&record, type, stub + offset, STUB_CAPACITY);
        snprintf(path, sizeof path, "%s/stub-%u-%s", folder, (unsigned)type, name);
        if (size < 0 || write_file(path, stub, offset + (size_t)size) != 0) {
            fprintf(stderr, "%s: cannot write the stub\n", path);
            ++failures;
            continue;
        }
        if (read_file(path, input, sizeof input) < 0) {
            fprintf(stderr, "%s: cannot read the stub back\n", path);
            ++failures;
            continue;
        }
        ReparseData parsed;
        memset(&parsed, 0, sizeof parsed);
        /* Unknown stubs go through the first-match search; bare Celerra and
         * CSVFS texts fit the Unix template, so for those the type is named. */
        int32_t status = ParseReparseData(input, &parsed);
        if (status != 0 || (type < 6 && parsed.stubType >= 6)) {
            memset(&parsed, 0, sizeof parsed);
            status = ParseReparseDataForStubType(input, type, &parsed);
        }
        printf("%s (%d bytes):\n", path, (int)size);
        if (status != 0) {
            fprintf(stderr, "%s: does not parse as type %u\n", path, (unsigned)type);
            ++failures;
            continue;
        }
        print_record(&parsed);
        /* Write it again as another type: the type, not the record's own
         * stubType, picks the layout. */
        StubType other = type == 3 ? 4 : 3;
        int32_t again = GenerateReparseData(&parsed, other, stub, STUB_CAPACITY);
        printf("  as type %u: %d bytes\n", (unsigned)other, (int)again);
        if (again < 0)
            ++failures;
    }

    uint32_t crc = 0xFFFFFFFFu;
    tw_crc32("123456789", 9, &crc);
    printf("checksum of \"123456789\": %08X (the standard check value inverted)\n", (unsigned)crc);
    return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
